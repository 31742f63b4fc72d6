// Pixels, rows or columns of the new picture switched on at random. The
// generator is seeded by the new picture, so every frame of a transition
// draws the same numbers and whatever is switched stays switched; the
// caller's sequence is put back afterwards.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "gfx/random.h"
#include "pixel_effects.h"

namespace effects {

// Single pixels of the new picture appear at random.
void Effect169(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  gfx::RandSeedGuard keep;
  gfx::SetRandSeed(Image.Handle());
  // Memory order, bottom row first; one number per pixel, shown or not.
  // A select rather than a branch: the choice is random, so a branch would
  // be mispredicted half the time.
  constexpr int kBatch = 1024;
  int r[kBatch];
  for (int y = H - 1; y >= 0; --y) {
    uint32_t* d = reinterpret_cast<uint32_t*>(Display.ScanLine(y));
    const uint32_t* s = reinterpret_cast<const uint32_t*>(Image.ScanLine(y));
    for (int x0 = 0; x0 < W; x0 += kBatch) {
      const int n = std::min(kBatch, W - x0);
      gfx::RandomFill(100, r, n);
      for (int i = 0; i < n; ++i) {
        const uint32_t take = 0u - uint32_t(r[i] < Progress);
        d[x0 + i] = (s[x0 + i] & take) | (d[x0 + i] & ~take);
      }
    }
  }
}

// Whole rows of the new picture appear at random.
void Effect170(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  gfx::RandSeedGuard keep;
  gfx::SetRandSeed(Image.Handle());
  for (int y = H - 1; y >= 0; --y)
    if (gfx::Random(100) < Progress)
      std::memcpy(Display.ScanLine(y), Image.ScanLine(y), 4 * size_t(W));
}

// Whole columns of the new picture appear at random.
void Effect171(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  gfx::RandSeedGuard keep;
  gfx::SetRandSeed(Image.Handle());
  // Columns are decided a batch at a time, left to right as drawn, and the
  // batch is copied row by row, which walks memory in order.
  constexpr int kBatch = 1024;
  int r[kBatch];
  uint32_t take[kBatch];
  for (int x0 = 0; x0 < W; x0 += kBatch) {
    const int n = std::min(kBatch, W - x0);
    gfx::RandomFill(100, r, n);
    bool any = false;
    for (int i = 0; i < n; ++i) any |= (take[i] = 0u - uint32_t(r[i] < Progress)) != 0;
    if (!any) continue;
    for (int y = 0; y < H; ++y) {
      uint32_t* d = reinterpret_cast<uint32_t*>(Display.ScanLine(y)) + x0;
      const uint32_t* s = reinterpret_cast<const uint32_t*>(Image.ScanLine(y)) + x0;
      for (int i = 0; i < n; ++i) d[i] = (s[i] & take[i]) | (d[i] & ~take[i]);
    }
  }
}

}  // namespace effects
