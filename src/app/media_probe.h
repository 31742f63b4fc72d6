// A look into a sound file before a run is built on it. Toolkit-free; needs
// the media libraries bound.
#pragma once

#include <string>

namespace app {

// Empty when the file holds at least one audio stream; otherwise a message
// that names the file and says what is wrong with it.
std::string ProbeAudioFile(const std::string& path);

}  // namespace app
