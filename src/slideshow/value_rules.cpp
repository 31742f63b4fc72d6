#include "slideshow/value_rules.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

#include "effects/effect.h"
#include "slideshow/slideshow_timeline.h"

namespace slideshow {
namespace {

constexpr double kMaxSeconds = 86400;  // a day per picture is plenty
constexpr double kMaxFramesPerSecond = 240;
constexpr long long kMaxRateTerm = 1000000;

// A whole decimal number without sign or blanks, or -1.
long long WholeNumber(std::string_view text, long long max) {
  long long v = -1;
  if (text.empty() || text.front() == '+' || text.front() == '-') return -1;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || v > max) return -1;
  return v;
}

std::string Lowered(std::string_view text) {
  std::string s(text);
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

}  // namespace

std::string FrameSizeValue(std::string_view text) {
  const size_t x = text.find('x');
  const long long w = x == std::string::npos ? -1 : WholeNumber(text.substr(0, x), 1 << 20);
  const long long h = x == std::string::npos ? -1 : WholeNumber(text.substr(x + 1), 1 << 20);
  // 4:2:0 video needs even sides.
  if (w < 2 || h < 2 || w > kMaxFrameSide || h > kMaxFrameSide || w % 2 || h % 2)
    throw ValueError("give WIDTHxHEIGHT in pixels, even numbers from 2 to " +
                     std::to_string(kMaxFrameSide) + " (such as 1280x960)");
  return std::to_string(w) + "x" + std::to_string(h);
}

std::string FrameRateValue(std::string_view text) {
  const size_t slash = text.find('/');
  const long long num = WholeNumber(text.substr(0, slash), kMaxRateTerm);
  const long long den =
      slash == std::string::npos ? 1 : WholeNumber(text.substr(slash + 1), kMaxRateTerm);
  const double fps = den < 1 ? 0 : double(num) / double(den);
  if (num < 1 || den < 1 || fps > kMaxFramesPerSecond || fps < 1)
    throw ValueError(
        "give frames per second as N or N/D, from 1 to 240 (such as 30/1 or 30000/1001)");
  return std::to_string(num) + "/" + std::to_string(den);
}

double SecondsValue(std::string_view text, char decimalSeparator) {
  std::string plain(text);
  // from_chars reads '.' only; the other separator must not pass as it.
  if (decimalSeparator != '.') {
    if (plain.find('.') != std::string::npos) plain.clear();
    std::replace(plain.begin(), plain.end(), decimalSeparator, '.');
  }
  double v = 0;
  const auto [end, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), v);
  if (plain.empty() || ec != std::errc() || end != plain.data() + plain.size() ||
      !std::isfinite(v) || v <= 0 || v > kMaxSeconds)
    throw ValueError("give seconds as a number above 0 and at most 86400 (such as 1" +
                     std::string(1, decimalSeparator) + "5)");
  return v;
}

int EffectValue(std::string_view text) {
  if (const long long n = WholeNumber(text, effects::kEffectCount); n >= 1) return int(n);
  const std::string wanted = Lowered(text);
  std::vector<int> rows;
  for (int i = 0; i < effects::kEffectCount; ++i)
    if (Lowered(effects::Effects[i].Name) == wanted) rows.push_back(i + 1);
  if (rows.size() == 1) return rows[0];
  if (rows.size() > 1)
    throw ValueError("rows " + std::to_string(rows[0]) + " and " + std::to_string(rows[1]) +
                     " share this name; give the number instead");
  throw ValueError("give a number from 1 to 176 or a name that --list-effects prints");
}

double FadeSecondsValue(std::string_view text) {
  double v = -1;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (!text.empty() && ec == std::errc() && end == text.data() + text.size() && v == 0) return 0;
  try {
    return SecondsValue(text);
  } catch (const ValueError& e) {
    throw ValueError(e.what() + std::string(" (or 0 for none)"));
  }
}

double LoudnessValue(std::string_view text) {
  double v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() ||
      !std::isfinite(v) || v < kQuietestLoudness || v > kLoudestLoudness)
    throw ValueError("the integrated loudness in LUFS from -70 to -5, such as -16");
  return v;
}

}  // namespace slideshow
