// Moves video frames between the media libraries' picture layout and a
// bottom-up bitmap of a chosen colour depth. One per user; not shared
// between threads.
#pragma once

#include <cstdint>
#include <string>

extern "C" {
#include <libavutil/pixfmt.h>
}

#include "gfx/bitmap.h"

struct SwsContext;

namespace media {

// Plane pointers and line sizes of a picture (the first four of a frame's).
struct TPicture {
  uint8_t* data[4] = {};
  int linesize[4] = {};
};

class TFormatConverter {
 public:
  TFormatConverter();  // 24 bits per pixel
  ~TFormatConverter();
  TFormatConverter(const TFormatConverter&) = delete;
  TFormatConverter& operator=(const TFormatConverter&) = delete;

  // 8, 15, 16, 24 or 32; anything else throws std::runtime_error
  // "Invalid BitsPixel %d". A value with the stored bits of the current
  // format (15 and 16 both store 16) changes nothing.
  void SetBitsPerPixel(int bits);
  int StoredBitsPerPixel() const { return storedBits_; }
  AVPixelFormat MediaPixelFormat() const { return mediaFormat_; }

  // Makes the source the current picture, converting it into an own buffer
  // first unless it already has the bitmap's format, even sizes and the
  // bitmap's line size. Copies it into the bitmap when asked. False (with
  // LastError) when the scaler cannot be set up.
  bool LoadFramePicture(const TPicture& source, AVPixelFormat sourceFormat, int width, int height,
                        bool copyToBitmap);
  // Row by row between the current picture and the bitmap; both need a
  // current picture (std::logic_error otherwise).
  void CopyPictureToBitmap();
  void CopyBitmapToPicture();
  // Scales the current picture into the destination.
  bool StorePicture(const TPicture& destination, AVPixelFormat destinationFormat, int width, int height);

  gfx::Bitmap& Bitmap() { return bitmap_; }
  const std::string& LastError() const { return lastError_; }

  // The picture last loaded: the caller's source or the conversion buffer.
  const TPicture& CurrentPicture() const { return current_; }
  bool HasCurrentPicture() const { return hasCurrent_; }

 private:
  void Reset();
  void RequireCurrent() const;

  int storedBits_ = 0;
  AVPixelFormat mediaFormat_ = AV_PIX_FMT_NONE;
  gfx::Bitmap bitmap_;

  TPicture current_;
  bool hasCurrent_ = false;
  int currentWidth_ = 0;
  int currentHeight_ = 0;

  uint8_t* buffer_ = nullptr;  // av_malloc'ed, only grows
  int bufferSize_ = 0;
  TPicture bufferPicture_;

  SwsContext* toBitmap_ = nullptr;
  SwsContext* fromBitmap_ = nullptr;
  std::string lastError_;
};

}  // namespace media
