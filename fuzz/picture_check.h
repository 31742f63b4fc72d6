// What every decoder promises, checked after each fuzz input: a failure
// leaves the bitmap empty, a success gives a whole picture whose every
// byte can be read.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "gfx/bitmap.h"

namespace fuzz {

// A few valid bytes may describe a HEIF or WebP picture of the full
// ceiling; the fuzzers look for faults in decoding, not for that much memory.
constexpr long long kMaxFuzzPixels = 1LL << 24;

[[noreturn]] inline void Fail(const char* what) {
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::abort();
}

inline void CheckEmpty(const gfx::Bitmap& b) {
  if (b.Width() != 0 || b.Height() != 0) Fail("a failed decode left a picture behind");
}

inline void CheckDecoded(const gfx::Bitmap& b) {
  if (b.Width() <= 0 || b.Height() <= 0) Fail("a successful decode gave no picture");
  // Reading every row lets the sanitizers see short or unset pixel memory.
  unsigned sum = 0;
  const int rowBytes = b.Width() * gfx::BitsPerPixel(b.Format()) / 8;
  for (int y = 0; y < b.Height(); ++y) {
    const uint8_t* row = b.ScanLine(y);
    for (int x = 0; x < rowBytes; ++x) sum += row[x];
  }
  // Keeps the loop from being optimised away.
  asm volatile("" : : "r"(sum));
}

}  // namespace fuzz
