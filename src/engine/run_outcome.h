// What a failed run leaves to the user: the outputs that still play the
// part written before the error, and how that is said.
#pragma once

#include <cstdint>
#include <string>

namespace engine {

struct KeptOutput {
  std::string file;
  bool video = true;   // measured in frames; else in seconds of sound
  int64_t frames = 0;
  double seconds = 0;
};

// One sentence naming the file and how much it holds, such as
// "show.mp4" holds the video up to the error (42 frames).
std::string KeptPartText(const KeptOutput& kept);

}  // namespace engine
