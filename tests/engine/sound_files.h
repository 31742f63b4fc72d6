// Generated sound files and a decoder that reads them back, for the tests
// of the audio paths.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

struct AVFrame;

namespace engine_test {

// A scratch folder of its own for one test.
std::filesystem::path SoundScratch(const std::string& name);

// A 16-bit PCM WAV file; `sample(channel, index)` gives each value.
std::string WriteWav(const std::filesystem::path& path, int rate, int channels, int samples,
                     const std::function<int16_t(int, int)>& sample);

// Decodes every frame of the file's first stream and hands each to onFrame;
// returns the decoder's channel count (0 for pictures), or -1 when the file
// cannot be opened or decoded.
int DecodeFirstStream(const std::string& path, const std::function<void(const AVFrame&)>& onFrame);

// Every decoded sample of the file's first stream as float, one vector per
// channel; empty when the file cannot be read.
std::vector<std::vector<float>> DecodeChannels(const std::string& path);

}  // namespace engine_test
