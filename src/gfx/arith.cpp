#include "arith.h"

#include <cmath>
#include <limits>

namespace gfx {

int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  const int64_t num = int64_t(a) * b;
  const bool negative = (num < 0) != (c < 0);
  const uint64_t n = num < 0 ? uint64_t(-num) : uint64_t(num);
  const uint64_t d = c < 0 ? uint64_t(-int64_t(c)) : uint64_t(c);
  const uint64_t q = (2 * n + d) / (2 * d);  // halves away from zero
  const int64_t result = negative ? -int64_t(q) : int64_t(q);
  // A quotient that does not fit gives -1, as the classic platform call does.
  if (result > std::numeric_limits<int>::max() || result < std::numeric_limits<int>::min())
    return -1;
  return int(result);
}

int64_t Round(long double v) {
  if (!std::isfinite(v)) return 0;
  const long double r = std::nearbyintl(v);
  // Outside the 64-bit range the conversion would be undefined.
  constexpr long double kLimit = 9223372036854775808.0L;  // 2^63
  if (r >= kLimit || r < -kLimit) return 0;
  return static_cast<int64_t>(r);
}

}  // namespace gfx
