// Shared by the developer tools: PNG output, demo pictures, digit labels.
#pragma once

#include <png.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "slideshow/slideshow_timeline.h"
#include "gfx/bitmap.h"
#include "gfx/canvas.h"
#include "gfx/picture_file.h"

namespace tools {

inline void PutPixel(gfx::Bitmap& b, int x, int y, uint32_t c) {
  if (x < 0 || y < 0 || x >= b.Width() || y >= b.Height()) return;
  std::memcpy(b.ScanLine(y) + 4 * x, &c, 4);
}

// Writes a 32-bit bitmap as an RGB PNG.
inline void WritePng(const std::string& path, const gfx::Bitmap& b) {
  std::vector<uint8_t> rgb(size_t(b.Width()) * b.Height() * 3);
  for (int y = 0; y < b.Height(); ++y) {
    const uint8_t* src = b.ScanLine(y);
    uint8_t* dst = &rgb[size_t(y) * b.Width() * 3];
    for (int x = 0; x < b.Width(); ++x) {
      dst[3 * x] = src[4 * x + 2];
      dst[3 * x + 1] = src[4 * x + 1];
      dst[3 * x + 2] = src[4 * x];
    }
  }
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = b.Width();
  image.height = b.Height();
  image.format = PNG_FORMAT_RGB;
  if (!png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr))
    throw std::runtime_error("Cannot write " + path + ": " + image.message);
}

// The outgoing demo picture: cool diagonal bands on a grid.
inline void PaintOldDemo(gfx::Bitmap& b) {
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) {
      const bool grid = x % 16 == 0 || y % 16 == 0;
      const int band = ((x + y) / 12) % 2;
      const uint32_t blue = 120 + 100 * band, green = 40 + 60 * band;
      PutPixel(b, x, y, grid ? 0x202020u : (green << 8) | blue | 0x100000u);
    }
}

// The incoming demo picture: warm rings with a white corner mark at the top
// left, so mirroring and rotation show.
inline void PaintNewDemo(gfx::Bitmap& b) {
  const double cx = b.Width() / 2.0, cy = b.Height() / 2.0;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) {
      const int ring = int(std::hypot(x - cx, y - cy) / 10) % 2;
      uint32_t c = ring ? 0xF0A020u : 0xC03010u;
      if (x < b.Width() / 4 && y < b.Height() / 4 && (x < b.Width() / 12 || y < b.Height() / 12))
        c = 0xFFFFFFu;
      PutPixel(b, x, y, c);
    }
}

// Decodes a picture file and fits it, letterboxed, into a w x h frame.
inline void LoadFitted(const std::string& path, gfx::Bitmap& out, int w, int h) {
  gfx::Bitmap decoded;
  gfx::DecodePicture(path, decoded);
  out.SetPixelFormat(gfx::PixelFormat::pf32bit);
  out.SetSize(w, h);
  gfx::Canvas& c = out.GetCanvas();
  c.FillRect(out.Bounds(), gfx::clBlack);
  c.SetStretchMode(gfx::StretchMode::ColorOnColor);
  c.StretchDraw(slideshow::TSlideshowTimeline::FitRect(decoded.Bounds(), out.Bounds()), decoded);
}

// Draws a decimal number in a 3x5 pixel font scaled by `scale`.
inline void DrawNumber(gfx::Bitmap& b, int x, int y, int value, int scale, uint32_t colour) {
  static const char* const kGlyphs[10] = {"111101101101111", "010110010010111", "111001111100111",
                                          "111001111001111", "101101111001001", "111100111001111",
                                          "111100111101111", "111001001001001", "111101111101111",
                                          "111101111001111"};
  const std::string digits = std::to_string(value);
  for (char d : digits) {
    const char* g = kGlyphs[d - '0'];
    for (int gy = 0; gy < 5; ++gy)
      for (int gx = 0; gx < 3; ++gx)
        if (g[gy * 3 + gx] == '1')
          for (int sy = 0; sy < scale; ++sy)
            for (int sx = 0; sx < scale; ++sx)
              PutPixel(b, x + gx * scale + sx, y + gy * scale + sy, colour);
    x += 4 * scale;
  }
}

// "640x480" -> 640, 480.
inline bool ParseSize(const std::string& text, int& w, int& h) {
  return std::sscanf(text.c_str(), "%dx%d", &w, &h) == 2 && w > 0 && h > 0 && w <= 4096 &&
         h <= 4096;
}

}  // namespace tools
