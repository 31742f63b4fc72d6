// The strict readers of a show's values, shared by the show file and the
// renderer's command line so both take and refuse the same things.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "slideshow/show.h"

namespace slideshow {

constexpr long double kMaxSeconds = 86400;  // a day per picture is plenty
constexpr int kMaxFramesPerSecond = 240;

struct FrameSize {
  int Width = 0;
  int Height = 0;
};

// "WxH" with even sides from 2 to kMaxFrameSide (4:2:0 video needs even sides).
std::optional<FrameSize> ParseFrameSize(std::string_view text);
// "N" or "N/D", terms up to a million, 1 to kMaxFramesPerSecond frames a second.
std::optional<FrameRate> ParseFrameRate(std::string_view text);
// Above 0 and at most kMaxSeconds.
bool SecondsInRange(long double seconds);

std::string FrameSizeText(int width, int height);
std::string FrameRateText(const FrameRate& rate);
// Seconds as the shortest decimal that reads back to the same double.
std::string SecondsText(long double seconds);
// The seconds a decimal text means, as the window reads it; so a time read
// from a file's double and one typed as text count the same frames.
long double SecondsFromDouble(double seconds);

}  // namespace slideshow
