// The window that shows the frames going into the encoder: always on top,
// the frame at its real size, its time in the caption, moved by dragging
// the picture. Closing it ends previewing for that task.
#pragma once

#include <QImage>
#include <QWidget>
#include <functional>

#include "app/window_drag.h"
#include "media/bridges/preview_window_factory.h"

namespace gfx {
class Bitmap;
}

namespace app {

// A copy of a bitmap of any of the drawing layer's formats.
QImage BitmapToImage(const gfx::Bitmap& bitmap);

class TPreviewForm : public QWidget, public media::TPreviewWindow {
 public:
  TPreviewForm(int width, int height, std::function<void()> onClosed);
  void Paint(const gfx::Bitmap& bitmap, const std::string& caption) override;
  const QImage& Frame() const { return frame_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  std::function<void()> onClosed_;
  QImage frame_;
  TWindowDrag drag_;
};

// Makes the encoder's previews open TPreviewForm windows.
void InstallPreviewWindows();

}  // namespace app
