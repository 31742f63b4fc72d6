#include "media/frame_source/packet_pool.h"

#include <new>

#include "media/binding/ff_entry_points.h"

namespace media {

std::shared_ptr<TPacketBitmapPool> TPacketBitmapPool::Create(int width, int height,
                                                             gfx::PixelFormat format) {
  return std::shared_ptr<TPacketBitmapPool>(new TPacketBitmapPool(width, height, format));
}

AVBufferRef* TPacketBitmapPool::Get(gfx::Bitmap** bitmap) {
  Slot* slot = nullptr;
  {
    std::lock_guard guard(lock_);
    if (!free_.empty()) {
      slot = free_.back();
      free_.pop_back();
    }
  }
  if (!slot) {
    std::unique_ptr<Slot> made;
    try {
      made = std::make_unique<Slot>(this, width_, height_, format_);
    } catch (const std::bad_alloc&) {
      return nullptr;
    }
    slot = made.get();
    std::lock_guard guard(lock_);
    slots_.push_back(std::move(made));
  }
  gfx::Bitmap& b = slot->bitmap;
  slot->keepAlive = shared_from_this();
  AVBufferRef* ref =
      ff::av_buffer_create(b.Bits(), size_t(b.Stride()) * b.Height(), &Return, slot, 0);
  if (!ref) {
    Return(slot, nullptr);
    return nullptr;
  }
  *bitmap = &b;
  return ref;
}

size_t TPacketBitmapPool::Size() const {
  std::lock_guard guard(lock_);
  return slots_.size();
}

void TPacketBitmapPool::Return(void* opaque, uint8_t*) {
  Slot* slot = static_cast<Slot*>(opaque);
  // The pool may go with this last hold on it: release it after the lock.
  std::shared_ptr<TPacketBitmapPool> pool = std::move(slot->keepAlive);
  std::lock_guard guard(pool->lock_);
  pool->free_.push_back(slot);
}

TFrameStore::TFrameStore(int width, int height, gfx::PixelFormat format)
    : pool_(TPacketBitmapPool::Create(width, height, format)) {
  current_ = pool_->Get(&bitmap_);
  if (!current_) throw std::bad_alloc();
}

TFrameStore::~TFrameStore() { ff::av_buffer_unref(&current_); }

bool TFrameStore::PrepareForDrawing() {
  if (ff::av_buffer_is_writable(current_)) return true;
  gfx::Bitmap* next = nullptr;
  AVBufferRef* ref = pool_->Get(&next);
  if (!ref) return false;
  next->Assign(*bitmap_);
  ff::av_buffer_unref(&current_);
  current_ = ref;
  bitmap_ = next;
  return true;
}

AVBufferRef* TFrameStore::Share() const { return ff::av_buffer_ref(current_); }

}  // namespace media
