// The window's frame size, frame rate and delay texts, checked before a run
// by the rules the renderer uses, so that the engine and the timeline get the
// same values and a text neither can use is refused instead of replaced.
#pragma once

#include <stdexcept>
#include <string>

namespace app {

struct TRunValues {
  std::string FrameSize;        // "WxH"
  std::string FrameRate;        // "N/D"
  std::string PictureDelay;     // seconds, written with '.'
  std::string TransitionDelay;  // seconds, written with '.'
};

// A refused text; what() names the field as the window labels it, the text
// and what would be taken.
class TRunValueError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Blanks around a text are ignored. Delays are read with the locale's
// separator and, failing that, with '.', the separator of the defaults.
TRunValues CheckRunValues(const std::string& frameSize, const std::string& frameRate,
                          const std::string& pictureDelay, const std::string& transitionDelay,
                          char decimalSeparator);

}  // namespace app
