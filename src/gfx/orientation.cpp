#include "orientation.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <utility>

namespace gfx {

namespace {

int BytesPerPixel(const Bitmap& b) {
  switch (b.Format()) {
    case PixelFormat::pf24bit: return 3;
    case PixelFormat::pf32bit: return 4;
    default: throw std::invalid_argument("Orientation needs a 24- or 32-bit picture");
  }
}

void MirrorRows(Bitmap& b, int bpp) {
  for (int y = 0; y < b.Height(); ++y) {
    uint8_t* row = b.ScanLine(y);
    for (int l = 0, r = b.Width() - 1; l < r; ++l, --r)
      std::swap_ranges(row + l * bpp, row + (l + 1) * bpp, row + r * bpp);
  }
}

void FlipRows(Bitmap& b) {
  for (int t = 0, u = b.Height() - 1; t < u; ++t, --u)
    std::swap_ranges(b.ScanLine(t), b.ScanLine(t) + b.Stride(), b.ScanLine(u));
}

// Quarter turns and transposes: display pixel (x, y) comes from the stored
// pixel (y or w-1-y, x or h-1-x). Walked in tiles so both pictures stay in
// cache; along a display row the source walks a stored column, one row
// stride per pixel, so no row address is worked out per pixel.
template <int Bpp>
void TransposeTiles(const Bitmap& src, Bitmap& dst, bool mirror_x, bool mirror_y) {
  const int w = src.Width(), h = src.Height();
  // Rows are stored bottom-up: the next row down lies one stride lower.
  const ptrdiff_t step = mirror_x ? ptrdiff_t(src.Stride()) : -ptrdiff_t(src.Stride());
  const uint8_t* first = src.ScanLine(mirror_x ? h - 1 : 0);  // stored row of x = 0
  constexpr int kTile = 32;
  for (int ty = 0; ty < dst.Height(); ty += kTile) {
    const int y_end = std::min(ty + kTile, dst.Height());
    for (int tx = 0; tx < dst.Width(); tx += kTile) {
      const int x_end = std::min(tx + kTile, dst.Width());
      for (int y = ty; y < y_end; ++y) {
        const int sx = mirror_y ? w - 1 - y : y;
        const uint8_t* column = first + ptrdiff_t(sx) * Bpp;
        uint8_t* out = dst.ScanLine(y);
        for (int x = tx; x < x_end; ++x) std::memcpy(out + x * Bpp, column + x * step, Bpp);
      }
    }
  }
}

void Transpose(const Bitmap& src, Bitmap& dst, int orientation, int bpp) {
  const bool mirror_x = orientation == 6 || orientation == 7;  // stored row h-1-x
  const bool mirror_y = orientation == 7 || orientation == 8;  // stored column w-1-y
  if (bpp == 3) TransposeTiles<3>(src, dst, mirror_x, mirror_y);
  else TransposeTiles<4>(src, dst, mirror_x, mirror_y);
}

}  // namespace

bool OrientationSwapsSides(int orientation) { return orientation >= 5 && orientation <= 8; }

void ApplyOrientation(Bitmap& bitmap, int orientation) {
  if (orientation < 2 || orientation > 8 || bitmap.Width() == 0 || bitmap.Height() == 0) return;
  const int bpp = BytesPerPixel(bitmap);
  if (!OrientationSwapsSides(orientation)) {
    if (orientation != 4) MirrorRows(bitmap, bpp);
    if (orientation != 2) FlipRows(bitmap);
    bitmap.RenewHandle();
    return;
  }
  Bitmap turned(bitmap.Height(), bitmap.Width(), bitmap.Format());
  Transpose(bitmap, turned, orientation, bpp);
  bitmap.TakePixels(turned);
}

}  // namespace gfx
