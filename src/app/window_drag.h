// Moving a frameless window by pressing anywhere on its picture: the
// window system's own move where it offers one, else by following the mouse.
#pragma once

#include <QMouseEvent>
#include <QPoint>
#include <QWidget>
#include <QWindow>

namespace app {

class TWindowDrag {
 public:
  void Press(QWidget& window, const QMouseEvent& event) {
    if (event.button() != Qt::LeftButton) return;
    if (QWindow* handle = window.windowHandle(); handle && handle->startSystemMove()) return;
    dragging_ = true;
    offset_ = event.globalPosition().toPoint() - window.frameGeometry().topLeft();
  }

  void Move(QWidget& window, const QMouseEvent& event) {
    if (dragging_ && (event.buttons() & Qt::LeftButton))
      window.move(event.globalPosition().toPoint() - offset_);
    else
      dragging_ = false;
  }

 private:
  QPoint offset_;
  bool dragging_ = false;
};

}  // namespace app
