// Shared pieces of the end-to-end runs: generated pictures and sounds, the
// slideshow driven through the engine the way the application drives it,
// and a reader that takes the written file apart again.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/transcoder.h"

namespace e2e {

namespace fs = std::filesystem;

// Loads the system's media libraries and registers the frame source.
void InitMedia();

fs::path Scratch(const std::string& name);

// 16-bit PCM WAV with a sine per channel.
void WriteWav(const fs::path& path, double seconds, int rate = 44100, int channels = 2);
// An MP3 of that WAV's tone, encoded by the engine with "libmp3lame".
void WriteMp3(const fs::path& path, double seconds);
// An MP3 of a 1.5 s tone with a JPEG cover of the given size, the way
// taggers store it: a one-packet video stream marked as attached picture.
// Scratch files go into dir.
void WriteMp3WithCover(const fs::path& dir, const fs::path& mp3, int coverSize);
// A baseline JPEG of a colour pattern.
void WriteJpeg(const fs::path& path, int w, int h);
// Three pictures (two BMP, one JPEG) of different content and aspect.
std::vector<std::string> MakePictures(const fs::path& dir);

struct SlideshowRun {
  std::vector<std::string> pictures;
  std::string pictureDelay = "0.5";
  std::string transitionDelay = "0.3";
  std::string size = "320x240";
  std::string rate = "30/1";
  bool realTime = false;        // "-re" on the frame source
  std::string audio;            // optional second input
  std::string output;
  std::string extraOutputOptions;
  // Requests the engine's stop once this many frames were composed.
  int stopAfterFrames = -1;

  // Results.
  int openInputResult = 0;
  int openAudioResult = 0;
  int openOutputResult = 0;
  long long totalFrames = 0;
  int framesPerPicture = 0;
  int framesPerTransition = 0;
  std::vector<std::vector<uint8_t>> composed;  // BGRA top-down, one per frame handed out
  bool finished = false;
  bool errorOccurred = false;
  std::string errorMessage;
  std::vector<engine::KeptOutput> kept;
  std::string lastErrorText;
  int64_t dups = 0, drops = 0;
  double wallSeconds = 0;
  std::vector<engine::ProgressValues> progress;

  // Runs everything; opening failures stop early with the texts kept.
  void Execute();
};

struct StreamFacts {
  AVMediaType type = AVMEDIA_TYPE_UNKNOWN;
  AVCodecID codec = AV_CODEC_ID_NONE;
  int width = 0, height = 0;
  int packets = 0;             // read from the file
  int refused = 0;             // packets the decoder refused
  int frames = 0;              // decoded pictures
  int64_t samples = 0;         // decoded audio samples
  int sampleRate = 0;
  std::vector<std::vector<uint8_t>> pictures;  // BGRA top-down, when asked for
};

struct FileFacts {
  bool opened = false;
  std::string error;
  std::vector<StreamFacts> streams;
  const StreamFacts* Find(AVMediaType type) const;
  int Count(AVMediaType type) const;
};

FileFacts Probe(const std::string& path, bool keepPictures);

// PSNR of two BGRA pictures over the colour channels.
double Psnr(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b);

}  // namespace e2e
