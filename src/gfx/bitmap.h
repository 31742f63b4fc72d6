// Device-independent bitmap: rows padded to 32 bits and stored bottom-up,
// so the bottom row comes first in memory. ScanLine(0) is the top row.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "geometry.h"

namespace gfx {

class Canvas;

// 32-bit pixels are the bytes blue, green, red and one unused byte;
// read as a little-endian 32-bit value a colour is 0x00RRGGBB.
using Color = uint32_t;
constexpr Color clBlack = 0x000000;
constexpr Color clWhite = 0xFFFFFF;

enum class PixelFormat {
  pf8bit,   // palette of 256 entries
  pf15bit,  // 16 bits, 5-5-5
  pf16bit,  // 16 bits, 5-6-5
  pf24bit,  // blue, green, red
  pf32bit,  // blue, green, red, unused
};

int BitsPerPixel(PixelFormat f);  // stored bits: 8, 16, 16, 24, 32

class Bitmap {
 public:
  Bitmap();
  Bitmap(int width, int height, PixelFormat format = PixelFormat::pf32bit);
  ~Bitmap();
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;

  // Changing the format or the size keeps no pixels: the picture becomes
  // black (palette index 0 for 8 bits) and gets a fresh handle value.
  void SetPixelFormat(PixelFormat format);
  void SetSize(int width, int height);
  // Copies size, format, palette and pixels of another bitmap.
  void Assign(const Bitmap& other);
  // Takes over size, format, palette and pixels of another bitmap without
  // copying them; the other one is left empty (0 x 0).
  void TakePixels(Bitmap& other);
  // Exchanges size, format, palette, pixels and handles with another
  // bitmap: each picture keeps the handle it is known by.
  void Swap(Bitmap& other);
  // Size 0 x 0 and the pixel memory given back, not kept for reuse.
  void Release();
  // Size 0 x 0 with the pixel memory kept: a picture decoded into this
  // bitmap again reuses it instead of faulting in fresh pages.
  void Clear();

  int Width() const { return width_; }
  int Height() const { return height_; }
  PixelFormat Format() const { return format_; }
  int Stride() const { return stride_; }  // bytes per row, multiple of 4
  Rect Bounds() const { return {0, 0, width_, height_}; }

  // Start of pixel memory: the bottom row.
  uint8_t* Bits() { return pixels_.data(); }
  const uint8_t* Bits() const { return pixels_.data(); }
  // Row y counted from the top.
  uint8_t* ScanLine(int y) { return Bits() + size_t(height_ - 1 - y) * stride_; }
  const uint8_t* ScanLine(int y) const { return Bits() + size_t(height_ - 1 - y) * stride_; }

  // 256 entries 0x00RRGGBB, used by pf8bit only.
  std::vector<Color>& Palette() { return palette_; }
  const std::vector<Color>& Palette() const { return palette_; }

  // A serial number that changes whenever the content is replaced by
  // loading, assigning, resizing or filling, so each picture can key its
  // own stable random pattern.
  uint32_t Handle() const { return handle_; }
  void RenewHandle();

  Canvas& GetCanvas() { return *canvas_; }

 private:
  void Allocate();

  int width_ = 0;
  int height_ = 0;
  PixelFormat format_ = PixelFormat::pf32bit;
  int stride_ = 0;
  std::vector<uint8_t> pixels_;
  std::vector<Color> palette_;
  uint32_t handle_ = 0;
  std::unique_ptr<Canvas> canvas_;
};

}  // namespace gfx
