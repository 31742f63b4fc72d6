// Numbers and times from option texts.
#include <cctype>
#include <charconv>
#include <limits>
#include <stdexcept>

#include "media/binding/ff_entry_points.h"
#include "media/binding/ff_loader.h"
#include "media/binding/ff_utils.h"

namespace media {

namespace {

// Whole number: leading blanks, a sign, then decimal digits or hexadecimal
// after "$" or "0x"; nothing may follow.
template <typename Int>
bool ConvertInteger(const std::string& text, Int& value) {
  size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i == text.size()) return false;
  // Magnitude as unsigned so that the most negative value converts too.
  uint64_t magnitude = 0;
  const char* first = text.data() + i;
  const char* last = text.data() + text.size();
  auto [end, ec] = std::from_chars(first, last, magnitude, base);
  if (ec != std::errc() || end != last) return false;
  const uint64_t limit = negative ? uint64_t(std::numeric_limits<Int>::max()) + 1
                                  : uint64_t(std::numeric_limits<Int>::max());
  if (magnitude > limit) return false;
  value = negative ? Int(-int64_t(magnitude - 1) - 1) : Int(magnitude);
  return true;
}

// Decimal number with the caller's decimal separator; blanks around it are allowed.
template <typename Float>
bool ConvertFloat(const std::string& text, char separator, Float& value) {
  size_t b = 0, e = text.size();
  while (b < e && std::isspace(static_cast<unsigned char>(text[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(text[e - 1]))) --e;
  std::string s = text.substr(b, e - b);
  if (!s.empty() && s[0] == '+') s.erase(0, 1);
  if (s.empty()) return false;
  if (separator != '.') {
    if (s.find('.') != std::string::npos) return false;
    for (char& c : s)
      if (c == separator) c = '.';
  }
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  return ec == std::errc() && end == s.data() + s.size();
}

}  // namespace

int32_t ParseIntegerValue(const std::string& name, const std::string& text) {
  int32_t value;
  if (!ConvertInteger(text, value))
    throw std::runtime_error(FormatText("Expected integer for %s but found %s", name.c_str(), text.c_str()));
  return value;
}

int64_t ParseInt64Value(const std::string& name, const std::string& text) {
  int64_t value;
  if (!ConvertInteger(text, value))
    throw std::runtime_error(FormatText("Expected int64 for %s but found %s", name.c_str(), text.c_str()));
  return value;
}

float ParseFloatValue(const std::string& name, const std::string& text, char decimalSeparator) {
  float value;
  if (!ConvertFloat(text, decimalSeparator, value))
    throw std::runtime_error(FormatText("Expected float for %s but found %s", name.c_str(), text.c_str()));
  return value;
}

double ParseDoubleValue(const std::string& name, const std::string& text, char decimalSeparator) {
  double value;
  if (!ConvertFloat(text, decimalSeparator, value))
    throw std::runtime_error(FormatText("Expected double for %s but found %s", name.c_str(), text.c_str()));
  return value;
}

int64_t ParseTimeValue(const std::string& name, const std::string& text, bool isDuration) {
  FFLoader().RequireLibrarySet(LibraryBit(liAVUtil));
  int64_t us = 0;
  if (ff::av_parse_time(&us, text.c_str(), isDuration ? 1 : 0) < 0)
    throw std::runtime_error(InvalidTimeText(name, text, isDuration));
  return us;
}

std::string InvalidTimeText(const std::string& name, const std::string& text, bool isDuration) {
  return FormatText("Invalid %s specification for %s: %s", isDuration ? "duration" : "date",
                    name.c_str(), text.c_str());
}

}  // namespace media
