// The new picture swings into place about a point just outside one corner:
// every frame pixel is mapped back into the new picture in 16.16 fixed point.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>

#include "pixel_effects.h"

namespace effects {

namespace {

// Angle still to turn: a quarter turn at the start, none at the end.
long double SwingAngle(int Progress) {
  return (100 - Progress) * std::numbers::pi_v<long double> / 200;
}

// Turns Image by phi about (CX, CY) onto Display; CY counts rows from the
// bottom of the picture. Pixels whose source falls outside Image keep the
// old picture.
void RotateCopy(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int CX, int CY,
                long double phi) {
  const int64_t S = int64_t(std::sin(-phi) * 65536), C = int64_t(std::cos(-phi) * 65536);
  const uint8_t* source = Image.Bits();  // bottom row first
  const size_t stride = size_t(Image.Stride());
  for (int r = 0; r < H; ++r) {
    uint8_t* row = Display.ScanLine(r);
    // (u, v) is the pixel's offset from the pivot; u grows by one per
    // column, so the products grow by C and S. 64 bits keep huge frames
    // from overflowing where 32 bits would wrap.
    const int64_t v = int64_t(H) - r - CY;
    int64_t a = (1 - int64_t(CX)) * C - v * S;
    int64_t b = (1 - int64_t(CX)) * S + v * C;
    for (int x = 0; x < W; ++x, a += C, b += S) {
      const int64_t sx = CX + (a >> 16), sv = CY + (b >> 16);
      if (uint64_t(sx) < uint64_t(W) && uint64_t(sv) < uint64_t(H))
        std::memcpy(row + 4 * x, source + size_t(sv) * stride + 4 * size_t(sx), 4);
    }
  }
}

}  // namespace

// Swings in clockwise from off the left edge, turning about the bottom-left corner.
void Effect120(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RotateCopy(Display, Image, W, H, -1, -1, SwingAngle(Progress));
}

// Swings in anticlockwise from off the left edge, turning about the top-left corner.
void Effect121(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RotateCopy(Display, Image, W, H, -1, H, -SwingAngle(Progress));
}

// Swings in anticlockwise from off the right edge, turning about the bottom-right corner.
void Effect122(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RotateCopy(Display, Image, W, H, W, -1, -SwingAngle(Progress));
}

// Swings in clockwise from off the right edge, turning about the top-right corner.
void Effect123(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RotateCopy(Display, Image, W, H, W, H, SwingAngle(Progress));
}

}  // namespace effects
