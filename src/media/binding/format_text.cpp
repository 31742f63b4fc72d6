#include <cstdio>

#include "media/binding/ff_utils.h"

namespace media {

std::string FormatTextV(const char* format, va_list args) {
  char small[512];
  va_list copy;
  va_copy(copy, args);
  const int n = std::vsnprintf(small, sizeof small, format, copy);
  va_end(copy);
  if (n < 0) return {};
  if (size_t(n) < sizeof small) return std::string(small, size_t(n));
  std::string out(size_t(n) + 1, '\0');
  va_copy(copy, args);
  std::vsnprintf(out.data(), out.size(), format, copy);
  va_end(copy);
  out.resize(size_t(n));
  return out;
}

std::string FormatText(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string out = FormatTextV(format, args);
  va_end(args);
  return out;
}

}  // namespace media
