#include "bitmap.h"

#include <atomic>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <string>
#include <utility>

#include "canvas.h"

namespace gfx {

namespace {

uint32_t NextHandle() {
  static std::atomic<uint32_t> serial{0};
  return ++serial;
}

// Bytes per row; refuses sizes whose rows would not fit the int stride, which
// would otherwise wrap to a small buffer behind a large width.
int CheckedStride(int width, PixelFormat format) {
  const int64_t stride = (static_cast<int64_t>(width) * BitsPerPixel(format) + 31) / 32 * 4;
  if (stride > std::numeric_limits<int>::max())
    throw std::length_error("Bitmap too large: " + std::to_string(width) + " pixels wide");
  return static_cast<int>(stride);
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

// A size or format that cannot be allocated leaves the bitmap as it was.
void Bitmap::SetPixelFormat(PixelFormat format) {
  if (format == format_) return;
  CheckedStride(width_, format);
  const PixelFormat old = format_;
  format_ = format;
  try {
    Allocate();
  } catch (...) {
    format_ = old;
    throw;
  }
}

void Bitmap::SetSize(int width, int height) {
  if (width < 0 || height < 0) throw std::invalid_argument("Bitmap size must not be negative");
  if (width == width_ && height == height_) return;
  CheckedStride(width, format_);
  const int oldWidth = width_, oldHeight = height_;
  width_ = width;
  height_ = height;
  try {
    Allocate();
  } catch (...) {
    width_ = oldWidth;
    height_ = oldHeight;
    throw;
  }
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

void Bitmap::TakePixels(Bitmap& other) {
  if (&other == this) return;
  width_ = std::exchange(other.width_, 0);
  height_ = std::exchange(other.height_, 0);
  format_ = other.format_;
  stride_ = std::exchange(other.stride_, 0);
  pixels_ = std::move(other.pixels_);
  other.pixels_.clear();
  palette_ = std::move(other.palette_);
  other.palette_.clear();
  RenewHandle();
  other.RenewHandle();
}

void Bitmap::Swap(Bitmap& other) {
  std::swap(width_, other.width_);
  std::swap(height_, other.height_);
  std::swap(format_, other.format_);
  std::swap(stride_, other.stride_);
  pixels_.swap(other.pixels_);
  palette_.swap(other.palette_);
  std::swap(handle_, other.handle_);
}

void Bitmap::Release() {
  width_ = height_ = 0;
  stride_ = CheckedStride(0, format_);
  std::vector<uint8_t>().swap(pixels_);
  RenewHandle();
}

void Bitmap::Clear() {
  width_ = height_ = 0;
  stride_ = CheckedStride(0, format_);
  pixels_.clear();
  RenewHandle();
}

void Bitmap::RenewHandle() { handle_ = NextHandle(); }

void Bitmap::Allocate() {
  const int stride = CheckedStride(width_, format_);
  std::vector<Color> palette;
  if (format_ == PixelFormat::pf8bit) {
    palette.resize(256);
    for (int i = 0; i < 256; ++i) palette[i] = Color(i) * 0x010101u;  // grey ramp
  }
  // assign reuses the storage when it is large enough; when it must grow, the
  // new block is made before the old one is released, so a failure leaves the
  // old pixels. Nothing after it throws. Memory kept by Clear holds no
  // pixels: it goes first, so the two blocks are never held at once.
  const size_t bytes = static_cast<size_t>(stride) * height_;
  if (pixels_.empty() && bytes > pixels_.capacity()) std::vector<uint8_t>().swap(pixels_);
  pixels_.assign(bytes, 0);
  palette_.swap(palette);
  stride_ = stride;
  RenewHandle();
}

}  // namespace gfx
