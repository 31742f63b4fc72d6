// Writes 16-bit PCM WAV files, the sound tracks that tests and benchmarks
// generate instead of shipping recordings.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

namespace testwav {

// sample(channel, index) gives each value; frames = samples per channel.
inline void WritePcm16(const std::filesystem::path& path, int rate, int channels, uint32_t frames,
                       const std::function<int16_t(int, uint32_t)>& sample) {
  const uint32_t bytes = frames * uint32_t(channels) * 2;
  std::vector<uint8_t> f;
  f.reserve(44 + bytes);
  auto put = [&](uint32_t v, int n) {
    for (int i = 0; i < n; ++i) f.push_back(uint8_t(v >> (8 * i)));
  };
  f.insert(f.end(), {'R', 'I', 'F', 'F'});
  put(36 + bytes, 4);
  f.insert(f.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  put(16, 4), put(1, 2), put(channels, 2), put(rate, 4), put(rate * channels * 2, 4);
  put(channels * 2, 2), put(16, 2);
  f.insert(f.end(), {'d', 'a', 't', 'a'});
  put(bytes, 4);
  for (uint32_t i = 0; i < frames; ++i)
    for (int ch = 0; ch < channels; ++ch) put(uint16_t(sample(ch, i)), 2);
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(f.data()), f.size());
}

}  // namespace testwav
