#include "media/bridges/previewer.h"

#include <cinttypes>
#include <mutex>
#include <utility>

extern "C" {
#include <libavutil/avutil.h>
}

#include "gfx/bitmap.h"
#include "media/binding/ff_utils.h"
#include "media/bridges/main_thread.h"

namespace media {
namespace {

std::mutex g_factoryLock;
TPreviewWindowFactory& Factory() {
  static TPreviewWindowFactory factory;
  return factory;
}

TPreviewWindowFactory CurrentFactory() {
  std::lock_guard guard(g_factoryLock);
  return Factory();
}

}  // namespace

void SetPreviewWindowFactory(TPreviewWindowFactory factory) {
  std::lock_guard guard(g_factoryLock);
  Factory() = std::move(factory);
}

std::string PreviewCaption(int64_t pts) {
  if (pts == AV_NOPTS_VALUE) return "N/A";
  const int64_t seconds = pts / 1000000;
  const int64_t millis = pts % 1000000 * 1000 / 1000000;
  return FormatText("%.2" PRId64 ":%.2" PRId64 ":%.2" PRId64 ".%.3" PRId64, seconds / 3600,
                    seconds / 60 % 60, seconds % 60, millis);
}

TPreviewer::~TPreviewer() { Close(); }

bool TPreviewer::ShowFrame(const gfx::Bitmap& bitmap, int frameNumber, int64_t pts) {
  if (closed_) return false;
  bitmap_ = &bitmap;
  frameNumber_ = frameNumber;
  pts_ = pts;
  // Dropped at shutdown: nobody is left to look.
  if (!CallInMainThread([this] { PaintPreview(); })) closed_ = true;
  bitmap_ = nullptr;
  return !closed_;
}

void TPreviewer::Close() {
  closed_ = true;
  CallInMainThread([this] { window_.reset(); });
}

void TPreviewer::PaintPreview() {
  if (closed_) return;
  if (!windowMade_) {
    windowMade_ = true;
    if (const TPreviewWindowFactory factory = CurrentFactory())
      window_ = factory(bitmap_->Width(), bitmap_->Height(), [this] {
        // The window stays until its owner lets it go; no more paints.
        closed_ = true;
      });
    if (!window_) {
      closed_ = true;
      return;
    }
  }
  if (!window_) return;
  window_->Paint(*bitmap_, PreviewCaption(pts_));
}

}  // namespace media
