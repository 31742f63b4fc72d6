#include "bitmap.h"

#include <atomic>
#include <cstring>
#include <stdexcept>

#include "canvas.h"

namespace gfx {

namespace {

uint32_t NextHandle() {
  static std::atomic<uint32_t> serial{0};
  return ++serial;
}

}  // namespace

int BitsPerPixel(PixelFormat f) {
  switch (f) {
    case PixelFormat::pf8bit: return 8;
    case PixelFormat::pf15bit:
    case PixelFormat::pf16bit: return 16;
    case PixelFormat::pf24bit: return 24;
    case PixelFormat::pf32bit: return 32;
  }
  return 32;
}

Bitmap::Bitmap() : handle_(NextHandle()), canvas_(std::make_unique<Canvas>(*this)) {}

Bitmap::Bitmap(int width, int height, PixelFormat format) : Bitmap() {
  format_ = format;
  SetSize(width, height);
}

Bitmap::~Bitmap() = default;

void Bitmap::SetPixelFormat(PixelFormat format) {
  if (format == format_) return;
  format_ = format;
  Allocate();
}

void Bitmap::SetSize(int width, int height) {
  if (width < 0 || height < 0) throw std::invalid_argument("Bitmap size must not be negative");
  if (width == width_ && height == height_) return;
  width_ = width;
  height_ = height;
  Allocate();
}

void Bitmap::Assign(const Bitmap& other) {
  if (&other == this) return;
  width_ = other.width_;
  height_ = other.height_;
  format_ = other.format_;
  stride_ = other.stride_;
  pixels_ = other.pixels_;
  palette_ = other.palette_;
  RenewHandle();
}

void Bitmap::RenewHandle() { handle_ = NextHandle(); }

void Bitmap::Allocate() {
  stride_ = static_cast<int>((static_cast<int64_t>(width_) * BitsPerPixel(format_) + 31) / 32 * 4);
  pixels_.assign(static_cast<size_t>(stride_) * height_, 0);
  if (format_ == PixelFormat::pf8bit) {
    palette_.assign(256, 0);
    for (int i = 0; i < 256; ++i) palette_[i] = Color(i) * 0x010101u;  // grey ramp
  } else {
    palette_.clear();
  }
  RenewHandle();
}

}  // namespace gfx
