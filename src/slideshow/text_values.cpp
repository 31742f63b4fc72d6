#include "text_values.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <string>

namespace slideshow {

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::optional<int> ReadInteger(std::string_view text) {
  text = Trim(text);
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == text.size()) return std::nullopt;
  long long value = 0;
  for (; i < text.size(); ++i) {
    if (!IsDigit(text[i])) return std::nullopt;
    value = value * 10 + (text[i] - '0');
    if (value > 2147483648LL) return std::nullopt;
  }
  if (negative) value = -value;
  if (value > 2147483647LL) return std::nullopt;
  return static_cast<int>(value);
}

std::optional<long double> ReadDecimal(std::string_view text, char decimalSeparator) {
  text = Trim(text);
  // Check the shape ourselves: "inf", "nan" and hex forms are not numbers
  // to a user typing seconds.
  std::string normal;
  size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    if (text[i] == '-') normal += '-';  // from_chars takes no '+'
    ++i;
  }
  size_t digits = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i, ++digits) normal += text[i];
  if (i < text.size() && text[i] == decimalSeparator) {
    normal += '.';
    for (++i; i < text.size() && IsDigit(text[i]); ++i, ++digits) normal += text[i];
  }
  if (digits == 0) return std::nullopt;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    normal += 'e';
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) normal += text[i++];
    size_t expDigits = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i, ++expDigits) normal += text[i];
    if (expDigits == 0) return std::nullopt;
  }
  if (i != text.size()) return std::nullopt;
  long double v = 0;
  // from_chars ignores the C locale, which a GUI toolkit may have changed.
  const auto [end, ec] = std::from_chars(normal.data(), normal.data() + normal.size(), v);
  if (ec != std::errc() || end != normal.data() + normal.size() || !std::isfinite(v))
    return std::nullopt;
  return v;
}

}  // namespace slideshow
