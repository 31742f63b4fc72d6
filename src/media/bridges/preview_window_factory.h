// The window a previewer paints into. The application supplies it through a
// factory; without one, previews that would need a window are dropped
// quietly and the run goes on.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace gfx {
class Bitmap;
}

namespace media {

// All calls arrive on the main thread.
class TPreviewWindow {
 public:
  virtual ~TPreviewWindow() = default;
  // Draws the bitmap at (0, 0) and shows the caption. The bitmap stays
  // untouched until the call returns; keep no reference to it afterwards.
  virtual void Paint(const gfx::Bitmap& bitmap, const std::string& caption) = 0;
};

// Creates a window whose client area is width x height: always on top, a
// tool-window frame with only a close button, centred on the screen, movable
// by dragging the picture, shown at once. It calls onClosed (on the main
// thread) when the user closes it; the window may be destroyed by then only
// through its owner, who resets the returned pointer. Returning null means
// no window: that preview is dropped like a closed one.
using TPreviewWindowFactory = std::function<std::unique_ptr<TPreviewWindow>(
    int width, int height, std::function<void()> onClosed)>;

// Installed once by the application before encoding starts; an empty
// function removes it. Process-wide, like the application's message hook.
void SetPreviewWindowFactory(TPreviewWindowFactory factory);

}  // namespace media
