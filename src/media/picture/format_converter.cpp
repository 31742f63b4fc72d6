#include "media/picture/format_converter.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "media/binding/ff_entry_points.h"
#include "media/binding/ff_utils.h"

namespace media {

namespace {

struct DepthFormat {
  int requested;
  gfx::PixelFormat bitmapFormat;
  int storedBits;
  AVPixelFormat mediaFormat;
};

// The 16-bit bitmaps keep red in the high bits (5-5-5 and 5-6-5), which
// the libraries call RGB555LE and RGB565LE.
constexpr DepthFormat kDepths[] = {
    {8, gfx::PixelFormat::pf8bit, 8, AV_PIX_FMT_BGR8},
    {15, gfx::PixelFormat::pf15bit, 16, AV_PIX_FMT_RGB555LE},
    {16, gfx::PixelFormat::pf16bit, 16, AV_PIX_FMT_RGB565LE},
    {24, gfx::PixelFormat::pf24bit, 24, AV_PIX_FMT_BGR24},
    {32, gfx::PixelFormat::pf32bit, 32, AV_PIX_FMT_BGRA},
};

constexpr int kScaleFlags = SWS_BICUBIC;

// BGR8 packs 2 bits of blue, 3 of green and 3 of red (low bits): the
// palette gives each index that colour.
void SetBgr8Palette(gfx::Bitmap& bitmap) {
  auto& palette = bitmap.Palette();
  palette.resize(256);
  for (uint32_t i = 0; i < 256; ++i) {
    const uint32_t r = (i & 7) * 255 / 7, g = ((i >> 3) & 7) * 255 / 7, b = (i >> 6) * 255 / 3;
    palette[i] = (r << 16) | (g << 8) | b;
  }
}

bool ScalerBound(std::string& error) {
  if (ff::av_image_get_buffer_size && ff::sws_getCachedContext && ff::sws_isSupportedInput) return true;
  error = !ff::av_image_get_buffer_size ? "Library avutil not loaded." : "Library swscale not loaded.";
  return false;
}

}  // namespace

TFormatConverter::TFormatConverter() { SetBitsPerPixel(24); }

TFormatConverter::~TFormatConverter() {
  // The libraries may have gone already; then there is nothing left to free with.
  if (ff::av_free) ff::av_free(buffer_);
  if (ff::sws_freeContext) {
    ff::sws_freeContext(toBitmap_);
    ff::sws_freeContext(fromBitmap_);
  }
}

void TFormatConverter::SetBitsPerPixel(int bits) {
  if (bits == storedBits_) return;
  const DepthFormat* depth = nullptr;
  for (const DepthFormat& d : kDepths)
    if (d.requested == bits) depth = &d;
  if (!depth) throw std::runtime_error(FormatText("Invalid BitsPixel %d", bits));
  Reset();
  storedBits_ = depth->storedBits;
  mediaFormat_ = depth->mediaFormat;
  bitmap_.SetPixelFormat(depth->bitmapFormat);
  if (depth->bitmapFormat == gfx::PixelFormat::pf8bit) SetBgr8Palette(bitmap_);
}

void TFormatConverter::Reset() {
  current_ = {};
  bufferPicture_ = {};
  hasCurrent_ = false;
  currentWidth_ = currentHeight_ = 0;
}

bool TFormatConverter::LoadFramePicture(const TPicture& source, AVPixelFormat sourceFormat, int width,
                                        int height, bool copyToBitmap) {
  if (width <= 0 || height <= 0 || !source.data[0]) {
    lastError_ = FormatText("Invalid picture of %dx%d", width, height);
    return false;
  }
  if (width != bitmap_.Width() || height != bitmap_.Height()) {
    bitmap_.SetSize(width, height);
    if (bitmap_.Format() == gfx::PixelFormat::pf8bit) SetBgr8Palette(bitmap_);
  }

  TPicture picture = source;
  const bool convert = sourceFormat != mediaFormat_ || width % 2 != 0 || height % 2 != 0 ||
                       source.linesize[0] != bitmap_.Stride();
  if (convert) {
    if (!ScalerBound(lastError_)) return false;
    const int size = ff::av_image_get_buffer_size(mediaFormat_, width, height, 1);
    if (size < 0) {
      lastError_ = MediaErrorText(size);
      return false;
    }
    if (!buffer_ || bufferSize_ < size) {
      ff::av_free(buffer_);
      bufferSize_ = 0;
      buffer_ = static_cast<uint8_t*>(ff::av_malloc(size_t(size)));
      if (!buffer_) {
        lastError_ = MediaErrorText(AVERROR(ENOMEM));
        return false;
      }
      bufferSize_ = size;
    }
    bufferPicture_ = {};
    ff::av_image_fill_arrays(bufferPicture_.data, bufferPicture_.linesize, buffer_, mediaFormat_, width,
                             height, 1);
    // The scaler aborts the process on formats it cannot read; refuse them first.
    if (!ff::sws_isSupportedInput(sourceFormat)) {
      lastError_ = "Cannot initialize the toRGB conversion context";
      return false;
    }
    toBitmap_ = ff::sws_getCachedContext(toBitmap_, width, height, sourceFormat, width, height, mediaFormat_,
                                         kScaleFlags, nullptr, nullptr, nullptr);
    if (!toBitmap_) {
      lastError_ = "Cannot initialize the toRGB conversion context";
      return false;
    }
    const int rows = ff::sws_scale(toBitmap_, source.data, source.linesize, 0, height, bufferPicture_.data,
                                   bufferPicture_.linesize);
    if (rows < 0) {
      lastError_ = MediaErrorText(rows);
      return false;
    }
    picture = bufferPicture_;
  }

  current_ = picture;
  hasCurrent_ = true;
  currentWidth_ = width;
  currentHeight_ = height;
  if (copyToBitmap) CopyPictureToBitmap();
  return true;
}

void TFormatConverter::RequireCurrent() const {
  if (!hasCurrent_) throw std::logic_error("No picture loaded into the format converter");
}

void TFormatConverter::CopyPictureToBitmap() {
  RequireCurrent();
  const size_t bytes = size_t(std::min(current_.linesize[0], bitmap_.Stride()));
  for (int y = 0; y < currentHeight_; ++y)
    std::memcpy(bitmap_.ScanLine(y), current_.data[0] + ptrdiff_t(y) * current_.linesize[0], bytes);
}

void TFormatConverter::CopyBitmapToPicture() {
  RequireCurrent();
  const size_t bytes = size_t(std::min(current_.linesize[0], bitmap_.Stride()));
  for (int y = 0; y < currentHeight_; ++y)
    std::memcpy(current_.data[0] + ptrdiff_t(y) * current_.linesize[0], bitmap_.ScanLine(y), bytes);
}

bool TFormatConverter::StorePicture(const TPicture& destination, AVPixelFormat destinationFormat, int width,
                                    int height) {
  RequireCurrent();
  if (width <= 0 || height <= 0 || !destination.data[0]) {
    lastError_ = FormatText("Invalid picture of %dx%d", width, height);
    return false;
  }
  if (!ScalerBound(lastError_)) return false;
  if (!ff::sws_isSupportedOutput(destinationFormat)) {
    lastError_ = "Cannot initialize the fromRGB conversion context";
    return false;
  }
  // Read only as many rows as the current picture has, whatever the caller's size.
  fromBitmap_ = ff::sws_getCachedContext(fromBitmap_, currentWidth_, currentHeight_, mediaFormat_, width,
                                         height, destinationFormat, kScaleFlags, nullptr, nullptr, nullptr);
  if (!fromBitmap_) {
    lastError_ = "Cannot initialize the fromRGB conversion context";
    return false;
  }
  const int rows = ff::sws_scale(fromBitmap_, current_.data, current_.linesize, 0, currentHeight_,
                                 destination.data, destination.linesize);
  if (rows < 0) {
    lastError_ = MediaErrorText(rows);
    return false;
  }
  return true;
}

}  // namespace media
