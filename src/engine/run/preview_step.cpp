// Hands the frames about to be encoded to a preview window or to the
// preview-bitmap handler, at most once per preview interval.
//
// The flags of all engines share one lock, but it is never held while a
// frame is converted or painted: the paint waits for the main thread, and
// the main thread may be waiting for this lock in a flags setter.
#include "engine/transcoder.h"
#include "media/binding/ff_utils.h"
#include "media/picture/format_converter.h"
#include "media/bridges/previewer.h"

namespace engine {
namespace {

std::mutex& PreviewFlagsLock() {
  static std::mutex lock;
  return lock;
}

}  // namespace

void TTranscoder::SetPreviewFlags(uint8_t flags) {
  std::shared_ptr<media::TPreviewer> closing;
  {
    std::lock_guard guard(PreviewFlagsLock());
    if ((preview_.flags & kPreviewWindow) && !(flags & kPreviewWindow))
      closing = std::move(preview_.previewer);
    preview_.flags = flags;
    preview_.flagsChanged = true;
  }
  // Closes at once even while the worker still holds the previewer.
  if (closing) closing->Close();
}

uint8_t TTranscoder::PreviewFlags() const {
  std::lock_guard guard(PreviewFlagsLock());
  return preview_.flags;
}

std::shared_ptr<media::TPreviewer> TTranscoder::TakePreviewer() {
  std::lock_guard guard(PreviewFlagsLock());
  return std::move(preview_.previewer);
}

// Records the attempt and clears the bit that failed, unless the flags were
// set anew meanwhile (the user's latest choice wins). A failed window hands
// out its previewer, to be let go of outside the lock.
std::shared_ptr<media::TPreviewer> TTranscoder::EndPreviewStep(uint8_t failedBit) {
  std::lock_guard guard(PreviewFlagsLock());
  // Timed from the end of this attempt: a slow paint cannot take all the
  // worker's time.
  preview_.last = ff::av_gettime();
  if (!failedBit) return nullptr;
  if (!preview_.flagsChanged) preview_.flags &= uint8_t(~failedBit);
  // Only the worker makes previewers, so this one is the step's own.
  return failedBit == kPreviewWindow ? std::move(preview_.previewer) : nullptr;
}

void TTranscoder::PreviewStep(const AVFrame& picture, int frameNumber, int64_t pts) {
  uint8_t mode = 0;
  bool flagsChanged = false;
  std::shared_ptr<media::TPreviewer> previewer;
  {
    std::lock_guard guard(PreviewFlagsLock());
    const uint8_t flags = preview_.flags;
    if ((flags & kPreviewBitmap) && OnPreviewBitmap) mode = kPreviewBitmap;
    else if (flags & kPreviewWindow) mode = kPreviewWindow;
    if (!mode) return;
    if (ff::av_gettime() - preview_.last <= PreviewInterval()) return;
    flagsChanged = preview_.flagsChanged;
    preview_.flagsChanged = false;
    if (mode == kPreviewWindow) {
      if (!preview_.previewer) preview_.previewer = std::make_shared<media::TPreviewer>();
      previewer = preview_.previewer;
    }
  }
  media::TFormatConverter& converter = OutputConverter();
  media::TPicture source;
  for (int i = 0; i < 4; ++i) {
    source.data[i] = picture.data[i];
    source.linesize[i] = picture.linesize[i];
  }
  uint8_t failed = 0;
  // The output hook may have left this very picture in the bitmap already.
  const bool converted = videoHooks_.OutputBitmapFresh() && !flagsChanged;
  if (!converted && !converter.LoadFramePicture(source, AVPixelFormat(picture.format),
                                                picture.width, picture.height, true)) {
    Log(media::llError, converter.LastError());
    failed = mode;
  } else if (mode == kPreviewBitmap) {
    OnPreviewBitmap(converter.Bitmap(), frameNumber, pts);
  } else if (!previewer->ShowFrame(converter.Bitmap(), frameNumber, pts)) {
    failed = kPreviewWindow;  // closed by the user
  }
  auto closing = EndPreviewStep(failed);
  previewer.reset();
  if (closing) closing->Close();
}

}  // namespace engine
