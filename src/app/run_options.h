// The option strings of a run, built from the frame rate and size texts as
// typed or chosen in the window.
#pragma once

#include <string>

namespace app {

inline std::string InputOptionString(const std::string& frameRate, const std::string& frameSize) {
  return "-f frameinput -re -input_type canvas -pix_fmt bgra -r " + frameRate + " -s " + frameSize;
}

inline std::string OutputOptionString(const std::string& frameRate, const std::string& frameSize) {
  return "-c:v libx264 -c:a libmp3lame -r " + frameRate + " -s " + frameSize;
}

}  // namespace app
