// Old and new pictures whose every pixel has its own colour, so a frame can
// be read back as a map of which picture each pixel came from.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "effects/effect.h"
#include "gfx/bitmap.h"
#include "gfx/canvas.h"

namespace bars_test {

// Frames up to 2^23 pixels: the old picture numbers its pixels, the new one
// sets bit 23 on top.
inline gfx::Color PixelColor(int x, int y, int w, bool fresh) {
  return gfx::Color(y * w + x) | (fresh ? 0x800000u : 0u);
}

inline void Paint(gfx::Bitmap& b, bool fresh) {
  for (int y = 0; y < b.Height(); ++y) {
    uint8_t* row = b.ScanLine(y);
    for (int x = 0; x < b.Width(); ++x) {
      const gfx::Color c = PixelColor(x, y, b.Width(), fresh);
      std::memcpy(row + 4 * x, &c, 4);
    }
  }
}

inline gfx::Color PixelAt(const gfx::Bitmap& b, int x, int y) {
  gfx::Color c;
  std::memcpy(&c, b.ScanLine(y) + 4 * x, 4);
  return c;
}

// One row of characters per frame row: '#' new picture, '.' old, '?' other.
using Mask = std::vector<std::string>;

inline Mask ReadMask(const gfx::Bitmap& display) {
  const int w = display.Width();
  Mask m(size_t(display.Height()), std::string(size_t(w), '?'));
  for (int y = 0; y < display.Height(); ++y)
    for (int x = 0; x < w; ++x) {
      const gfx::Color c = PixelAt(display, x, y);
      if (c == PixelColor(x, y, w, true)) m[y][x] = '#';
      else if (c == PixelColor(x, y, w, false)) m[y][x] = '.';
    }
  return m;
}

// Draws one frame the way the composer does: old picture first, then the
// effect with the progress extents; also reports a clip region left behind.
struct FrameResult {
  Mask mask;
  bool clipLeft = false;
};

inline FrameResult DrawFrame(effects::TEffectProc proc, const gfx::Bitmap& image, int progress,
                             int x, int y) {
  gfx::Bitmap display(image.Width(), image.Height());
  Paint(display, false);
  proc(display, image, image.Width(), image.Height(), x, y, progress);
  return {ReadMask(display), display.GetCanvas().HasClipRegion()};
}

inline FrameResult DrawFrame(effects::TEffectProc proc, const gfx::Bitmap& image, int progress) {
  const effects::Extents e = effects::ProgressExtents(image.Width(), image.Height(), progress);
  return DrawFrame(proc, image, progress, e.X, e.Y);
}

inline int CountNew(const Mask& m) {
  int n = 0;
  for (const std::string& row : m)
    for (char c : row) n += c == '#';
  return n;
}

// True when every new pixel of a is also new in b.
inline bool Within(const Mask& a, const Mask& b) {
  for (size_t y = 0; y < a.size(); ++y)
    for (size_t x = 0; x < a[y].size(); ++x)
      if (a[y][x] == '#' && b[y][x] != '#') return false;
  return true;
}

}  // namespace bars_test
