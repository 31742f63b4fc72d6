#include "arith.h"

#include <cmath>

namespace gfx {

int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  int64_t num = int64_t(a) * b;
  const bool negative = (num < 0) != (c < 0);
  const uint64_t n = num < 0 ? uint64_t(-num) : uint64_t(num);
  const uint64_t d = c < 0 ? uint64_t(-int64_t(c)) : uint64_t(c);
  const uint64_t q = (2 * n + d) / (2 * d);  // halves away from zero
  return negative ? -int(q) : int(q);
}

int64_t Round(long double v) {
  if (!std::isfinite(v)) return 0;
  return static_cast<int64_t>(std::nearbyintl(v));
}

}  // namespace gfx
