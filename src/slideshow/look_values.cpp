#include "slideshow/look_values.h"

#include <charconv>
#include <cmath>
#include <string>

#include "slideshow/captions.h"
#include "slideshow/framing.h"
#include "slideshow/motion.h"

namespace slideshow {

namespace {

std::string Trimmed(double v) {
  std::string s = std::to_string(v);
  while (s.size() > 1 && s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  return s;
}

}  // namespace

FitMode FitModeValue(std::string_view text) {
  if (auto mode = FitModeNamed(text)) return *mode;
  throw ValueError("\"fit\" (whole picture, bars), \"fill\" (cover the frame, crop) or \"blur\" "
                   "(whole picture over a blurred copy)");
}

gfx::Color ColourValue(std::string_view text) {
  if (auto colour = ParseColor(text)) return *colour;
  throw ValueError("a colour as #RRGGBB, such as #000000 for black");
}

MotionSpec MotionValue(std::string_view text) {
  MotionSpec spec;
  if (auto kind = MotionKindNamed(text)) {
    spec.kind = *kind;
    return spec;
  }
  const size_t colon = text.find(':');
  if (colon != std::string_view::npos) {
    const auto start = ParseFractionRect(text.substr(0, colon));
    const auto end = ParseFractionRect(text.substr(colon + 1));
    if (start && end) {
      spec.kind = MotionKind::Rects;
      spec.start = *start;
      spec.end = *end;
      return spec;
    }
  }
  throw ValueError("none, zoom-in, zoom-out, pan-left, pan-right, pan-up, pan-down, auto, or "
                   "X,Y,W,H:X,Y,W,H (start and end rectangles as fractions of the picture)");
}

Easing EasingValue(std::string_view text) {
  if (auto easing = EasingNamed(text)) return *easing;
  throw ValueError("\"linear\" or \"smooth\"");
}

CaptionPlace CaptionPlaceValue(std::string_view text) {
  if (auto place = CaptionPlaceNamed(text)) return *place;
  throw ValueError("\"bottom\", \"top\" or \"centre\"");
}

double NumberValue(std::string_view text, double least, double most) {
  double v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() || !std::isfinite(v) ||
      v < least || v > most)
    throw ValueError("a number from " + Trimmed(least) + " to " + Trimmed(most));
  return v;
}

std::pair<double, double> PointValue(std::string_view text) {
  const size_t comma = text.find(',');
  try {
    if (comma != std::string_view::npos)
      return {NumberValue(text.substr(0, comma), 0, 1), NumberValue(text.substr(comma + 1), 0, 1)};
  } catch (const ValueError&) {
  }
  throw ValueError("X,Y as fractions from 0 to 1, such as 0.5,0.5 for the centre");
}

}  // namespace slideshow
