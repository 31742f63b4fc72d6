#include "app/preview_window.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>
#include <algorithm>
#include <cstring>

#include "gfx/bitmap.h"

namespace app {

QImage BitmapToImage(const gfx::Bitmap& bitmap) {
  QImage::Format format = QImage::Format_RGB32;
  switch (bitmap.Format()) {
    case gfx::PixelFormat::pf8bit: format = QImage::Format_Indexed8; break;
    case gfx::PixelFormat::pf15bit: format = QImage::Format_RGB555; break;
    case gfx::PixelFormat::pf16bit: format = QImage::Format_RGB16; break;
    case gfx::PixelFormat::pf24bit: format = QImage::Format_BGR888; break;
    case gfx::PixelFormat::pf32bit: format = QImage::Format_RGB32; break;
  }
  QImage image(bitmap.Width(), bitmap.Height(), format);
  if (image.isNull()) return image;
  const size_t rowBytes = size_t(bitmap.Width()) * size_t(gfx::BitsPerPixel(bitmap.Format()) / 8);
  for (int y = 0; y < bitmap.Height(); ++y) std::memcpy(image.scanLine(y), bitmap.ScanLine(y), rowBytes);
  if (format == QImage::Format_Indexed8) {
    QList<QRgb> colours;
    for (gfx::Color c : bitmap.Palette()) colours << (0xFF000000u | (uint32_t(c) & 0xFFFFFFu));
    image.setColorTable(colours);
  }
  return image;
}

QPoint PlaceBeside(const QRect& main, const QSize& size, const QRect& screen) {
  constexpr int kGap = 8;
  const QPoint candidates[] = {{main.right() + 1 + kGap, main.top()},
                               {main.left() - kGap - size.width(), main.top()},
                               {main.left(), main.bottom() + 1 + kGap},
                               {main.left(), main.top() - kGap - size.height()}};
  QPoint best;
  long long bestCover = -1;
  for (QPoint at : candidates) {
    // Kept on the screen (its top left corner first, when it is the larger).
    at.setX(std::max(screen.left(), std::min(at.x(), screen.right() + 1 - size.width())));
    at.setY(std::max(screen.top(), std::min(at.y(), screen.bottom() + 1 - size.height())));
    const QRect covered = QRect(at, size).intersected(main);
    const long long cover = covered.isEmpty() ? 0 : 1LL * covered.width() * covered.height();
    if (bestCover < 0 || cover < bestCover) {
      best = at;
      bestCover = cover;
    }
  }
  return best;
}

TPreviewForm::TPreviewForm(int width, int height, std::function<void()> onClosed, const QWidget* beside)
    : QWidget(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                           Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      onClosed_(std::move(onClosed)) {
  setObjectName("PreviewForm");
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFixedSize(width, height);
  // Over the main window it would hide Stop, Pause and the status line.
  if (beside && beside->isVisible()) {
    const QRect main = beside->frameGeometry();
    const QScreen* screen = QGuiApplication::screenAt(main.center());
    if (!screen) screen = beside->screen();
    move(PlaceBeside(main, size(), screen->availableGeometry()));
  } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
  show();
}

void TPreviewForm::Paint(const gfx::Bitmap& bitmap, const std::string& caption) {
  setWindowTitle(QString::fromStdString(caption));
  frame_ = BitmapToImage(bitmap);
  repaint();
}

void TPreviewForm::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::black);
  p.drawImage(0, 0, frame_);
}

// Dragging the picture moves the window, as its caption would.
void TPreviewForm::mousePressEvent(QMouseEvent* event) { drag_.Press(*this, *event); }

void TPreviewForm::mouseMoveEvent(QMouseEvent* event) { drag_.Move(*this, *event); }

void TPreviewForm::closeEvent(QCloseEvent* event) {
  event->accept();
  if (onClosed_) onClosed_();
}

void InstallPreviewWindows(std::function<const QWidget*()> beside) {
  media::SetPreviewWindowFactory([beside](int width, int height, std::function<void()> onClosed) {
    return std::unique_ptr<media::TPreviewWindow>(
        new TPreviewForm(width, height, std::move(onClosed), beside ? beside() : nullptr));
  });
}

}  // namespace app
