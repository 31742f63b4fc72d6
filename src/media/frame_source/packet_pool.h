// Frame bitmaps whose pixel memory goes out as packet data without a copy.
// A packet holds a reference on its bitmap; the bitmap comes back to the
// pool when the last reference is gone, on whichever thread lets go of it,
// also after the pool's owner has let go of the pool.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

extern "C" {
#include <libavutil/buffer.h>
}

#include "gfx/bitmap.h"

namespace media {

class TPacketBitmapPool : public std::enable_shared_from_this<TPacketBitmapPool> {
 public:
  static std::shared_ptr<TPacketBitmapPool> Create(int width, int height, gfx::PixelFormat format);

  // A free bitmap, or a new one when all are out, as a reference on its
  // pixel memory (the bitmap's whole Stride() x Height() bytes); *bitmap is
  // set to it. A new bitmap is black; a returned one keeps its last pixels.
  // Null when memory runs out.
  AVBufferRef* Get(gfx::Bitmap** bitmap);

  // Bitmaps made so far (free or out).
  size_t Size() const;

 private:
  struct Slot {
    TPacketBitmapPool* pool;
    gfx::Bitmap bitmap;
    std::shared_ptr<TPacketBitmapPool> keepAlive;  // set while out
    Slot(TPacketBitmapPool* p, int w, int h, gfx::PixelFormat f) : pool(p), bitmap(w, h, f) {}
  };
  TPacketBitmapPool(int width, int height, gfx::PixelFormat format)
      : width_(width), height_(height), format_(format) {}
  static void Return(void* slot, uint8_t* data);

  const int width_;
  const int height_;
  const gfx::PixelFormat format_;
  mutable std::mutex lock_;
  std::vector<std::unique_ptr<Slot>> slots_;
  std::vector<Slot*> free_;
};

// The bitmap a frame input draws on, kept from frame to frame. Its memory
// is what the packets carry: a packet references it instead of copying it.
class TFrameStore {
 public:
  // Throws std::bad_alloc when there is no memory for the bitmap.
  TFrameStore(int width, int height, gfx::PixelFormat format);
  ~TFrameStore();
  TFrameStore(const TFrameStore&) = delete;
  TFrameStore& operator=(const TFrameStore&) = delete;

  // Makes the bitmap safe to draw on. While a packet still references it,
  // a pool bitmap with a copy of its pixels takes its place, so drawing
  // goes on from what was there. False when memory runs out.
  bool PrepareForDrawing();
  gfx::Bitmap& Bitmap() { return *bitmap_; }
  // A new reference on the bitmap's memory for a packet; null when memory
  // runs out.
  AVBufferRef* Share() const;
  const TPacketBitmapPool& Pool() const { return *pool_; }

 private:
  std::shared_ptr<TPacketBitmapPool> pool_;
  AVBufferRef* current_ = nullptr;  // our own reference
  gfx::Bitmap* bitmap_ = nullptr;
};

}  // namespace media
