// Integer helpers whose rounding the geometry of every effect depends on.
#pragma once

#include <cstdint>

namespace gfx {

// a*b/c with a 64-bit intermediate, halves rounded away from zero.
// c == 0, or a quotient outside int, gives -1, as the classic platform call does.
int MulDiv(int a, int b, int c);

// Nearest integer, halves to the even neighbour (the default FPU mode).
// Non-finite values and values beyond 64 bits give 0 (the masked-exception
// behaviour callers rely on).
int64_t Round(long double v);

}  // namespace gfx
