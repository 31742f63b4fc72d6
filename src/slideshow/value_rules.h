// The rules for the values a user gives a show (frame size and rate,
// seconds, effect), shared by the renderer's command line, the show file and
// the window, so that one text is taken or refused the same way everywhere.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace slideshow {

// A value no show can use. what() says what is allowed, without naming the
// field, so each caller puts its own name in front ("--size", "Frame size").
class ValueError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// "WxH" with even sides from 2 to kMaxFrameSide, returned without leading
// zeros.
std::string FrameSizeValue(std::string_view text);
// "N" or "N/D" from 1 to 240 frames per second, returned as "N/D".
std::string FrameRateValue(std::string_view text);
// Seconds above 0 and at most a day, written with the given decimal
// separator; an exponent is allowed.
double SecondsValue(std::string_view text, char decimalSeparator = '.');
// Seconds of a fade or an overlap: 0 for none, else as SecondsValue.
double FadeSecondsValue(std::string_view text);
// Integrated loudness targets a player can use: quieter than -70 LUFS is
// silence to the meter, louder than -5 cannot be reached without clipping.
constexpr double kQuietestLoudness = -70, kLoudestLoudness = -5;
double LoudnessValue(std::string_view text);
// An effect by number (1..176) or by its name in any case; returns the number.
int EffectValue(std::string_view text);

}  // namespace slideshow
