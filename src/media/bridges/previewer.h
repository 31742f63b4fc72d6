// Shows the frames of one conversion in a window of the application's
// (see preview_window_factory.h). The worker hands frames over; the window is made,
// painted and destroyed on the main thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "media/bridges/preview_window_factory.h"

namespace media {

// "hh:mm:ss.mmm" of a time in microseconds, "N/A" for AV_NOPTS_VALUE.
std::string PreviewCaption(int64_t pts);

class TPreviewer {
 public:
  TPreviewer() = default;
  // Closes the window (on the main thread).
  ~TPreviewer();
  TPreviewer(const TPreviewer&) = delete;
  TPreviewer& operator=(const TPreviewer&) = delete;

  // Paints the frame on the main thread and waits for it. The first frame
  // opens the window at the bitmap's size. False once the window was closed
  // (by the user, by Close, or because no window could be made).
  bool ShowFrame(const gfx::Bitmap& bitmap, int frameNumber, int64_t pts);
  // Closes the window at once; later frames are not shown.
  void Close();
  bool Closed() const { return closed_; }

 private:
  void PaintPreview();  // main thread

  std::atomic<bool> closed_{false};
  std::unique_ptr<TPreviewWindow> window_;  // main thread only
  bool windowMade_ = false;                 // main thread only
  const gfx::Bitmap* bitmap_ = nullptr;
  int frameNumber_ = 0;
  int64_t pts_ = 0;
};

}  // namespace media
