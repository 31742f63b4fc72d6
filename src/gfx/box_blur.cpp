// Running sums along rows, then along columns: each pass costs a few adds
// per pixel and channel, independent of the radius.
#include "box_blur.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace gfx {

namespace {

// One box pass over n pixels spaced `step` bytes apart; `line` is scratch of
// n entries holding the pass's input.
void BoxLine(uint8_t* p, int n, size_t step, int radius, std::vector<uint32_t>& line) {
  for (int i = 0; i < n; ++i) {
    const uint8_t* q = p + size_t(i) * step;
    line[size_t(i)] = uint32_t(q[0]) | uint32_t(q[1]) << 10 | uint32_t(q[2]) << 20;
  }
  const uint32_t width = uint32_t(2 * radius + 1);
  const uint32_t half = width / 2;
  auto at = [&](int i) { return line[size_t(std::clamp(i, 0, n - 1))]; };
  // Channel sums of up to 1023 * 255 need 18 bits each: kept apart.
  uint32_t b = 0, g = 0, r = 0;
  for (int i = -radius; i <= radius; ++i) {
    const uint32_t v = at(i);
    b += v & 1023;
    g += v >> 10 & 1023;
    r += v >> 20;
  }
  for (int i = 0; i < n; ++i) {
    uint8_t* q = p + size_t(i) * step;
    q[0] = uint8_t((b + half) / width);
    q[1] = uint8_t((g + half) / width);
    q[2] = uint8_t((r + half) / width);
    const uint32_t in = at(i + radius + 1), out = at(i - radius);
    b += (in & 1023) - (out & 1023);
    g += (in >> 10 & 1023) - (out >> 10 & 1023);
    r += (in >> 20) - (out >> 20);
  }
}

}  // namespace

void BoxBlur(Bitmap& bitmap, int radius, int passes) {
  if (bitmap.Format() != PixelFormat::pf32bit) throw std::invalid_argument("BoxBlur works on 32-bit bitmaps");
  const int w = bitmap.Width(), h = bitmap.Height();
  if (radius <= 0 || w == 0 || h == 0) return;
  std::vector<uint32_t> line(size_t(std::max(w, h)));
  const size_t stride = size_t(bitmap.Stride());
  for (int pass = 0; pass < passes; ++pass) {
    for (int y = 0; y < h; ++y) BoxLine(bitmap.ScanLine(y), w, 4, radius, line);
    // Bottom-up storage: Bits() is the bottom row, the stride walks upwards,
    // which is as good a direction as any for a symmetric box.
    for (int x = 0; x < w; ++x) BoxLine(bitmap.Bits() + size_t(x) * 4, h, stride, radius, line);
  }
}

void ScaleBrightness(Bitmap& bitmap, int num) {
  if (bitmap.Format() != PixelFormat::pf32bit) throw std::invalid_argument("ScaleBrightness works on 32-bit bitmaps");
  for (int y = 0; y < bitmap.Height(); ++y) {
    uint8_t* p = bitmap.ScanLine(y);
    for (int x = 0; x < bitmap.Width() * 4; x += 4)
      for (int c = 0; c < 3; ++c) p[x + c] = uint8_t(std::min(255, (p[x + c] * num + 128) >> 8));
  }
}

}  // namespace gfx
