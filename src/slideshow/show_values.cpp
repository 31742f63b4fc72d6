#include "slideshow/show_values.h"

#include <charconv>
#include <cmath>

#include "slideshow/slideshow_timeline.h"
#include "slideshow/text_values.h"

namespace slideshow {

namespace {

constexpr long long kMaxRateTerm = 1000000;

// A whole decimal number without sign or blanks, or -1.
long long WholeNumber(std::string_view text, long long max) {
  long long v = -1;
  if (text.empty() || text.front() == '+' || text.front() == '-') return -1;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || v > max) return -1;
  return v;
}

}  // namespace

std::optional<FrameSize> ParseFrameSize(std::string_view text) {
  const size_t x = text.find('x');
  if (x == std::string_view::npos) return std::nullopt;
  const long long w = WholeNumber(text.substr(0, x), kMaxFrameSide);
  const long long h = WholeNumber(text.substr(x + 1), kMaxFrameSide);
  if (w < 2 || h < 2 || w % 2 || h % 2) return std::nullopt;
  return FrameSize{int(w), int(h)};
}

std::optional<FrameRate> ParseFrameRate(std::string_view text) {
  const size_t slash = text.find('/');
  const long long num = WholeNumber(text.substr(0, slash), kMaxRateTerm);
  const long long den =
      slash == std::string_view::npos ? 1 : WholeNumber(text.substr(slash + 1), kMaxRateTerm);
  if (num < 1 || den < 1) return std::nullopt;
  const double fps = double(num) / double(den);
  if (fps < 1 || fps > kMaxFramesPerSecond) return std::nullopt;
  return FrameRate{int(num), int(den)};
}

bool SecondsInRange(long double seconds) {
  return std::isfinite(seconds) && seconds > 0 && seconds <= kMaxSeconds;
}

std::string FrameSizeText(int width, int height) {
  return std::to_string(width) + "x" + std::to_string(height);
}

std::string FrameRateText(const FrameRate& rate) {
  return std::to_string(rate.Numerator) + "/" + std::to_string(rate.Denominator);
}

std::string SecondsText(long double seconds) {
  char buf[64];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, static_cast<double>(seconds));
  std::string text(buf, ec == std::errc() ? end : buf);
  if (text.find_first_of(".e") == std::string::npos) text += ".0";
  return text;
}

long double SecondsFromDouble(double seconds) {
  char buf[64];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, seconds);
  if (ec != std::errc()) return seconds;
  return ReadDecimal(std::string_view(buf, size_t(end - buf)), '.').value_or(seconds);
}

}  // namespace slideshow
