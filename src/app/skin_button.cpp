#include "app/skin_button.h"

#include <QPainter>
#include <QPainterPath>

namespace app {

TSkinButton::TSkinButton(const QString& text, QWidget* parent, TTitleGlyph glyph)
    : QPushButton(text, parent), glyph_(glyph) {
  setCursor(Qt::PointingHandCursor);
  setFocusPolicy(Qt::StrongFocus);
}

void TSkinButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  const bool on = isEnabled();
  const bool down = isDown();
  const bool hot = on && underMouse();

  QLinearGradient fill(r.topLeft(), r.bottomLeft());
  if (!on) {
    fill.setColorAt(0, QColor(70, 78, 96));
    fill.setColorAt(1, QColor(52, 58, 72));
  } else if (glyph_ == TTitleGlyph::Close && hot) {
    fill.setColorAt(0, QColor(220, 80, 70));
    fill.setColorAt(1, QColor(170, 40, 36));
  } else {
    fill.setColorAt(0, down ? QColor(60, 96, 160) : hot ? QColor(110, 150, 220) : QColor(92, 128, 196));
    fill.setColorAt(1, down ? QColor(80, 120, 190) : QColor(48, 72, 124));
  }
  const qreal radius = glyph_ == TTitleGlyph::None ? 5 : 4;
  p.setPen(QPen(on ? QColor(150, 180, 240) : QColor(90, 98, 116), 1));
  p.setBrush(fill);
  p.drawRoundedRect(r, radius, radius);
  if (hasFocus()) {
    p.setPen(QPen(QColor(255, 214, 120), 1, Qt::DotLine));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r.adjusted(2, 2, -2, -2), radius - 1, radius - 1);
  }

  const QColor ink = on ? Qt::white : QColor(150, 156, 170);
  p.setPen(QPen(ink, 1.6));
  const QPointF c = r.center();
  switch (glyph_) {
    case TTitleGlyph::None:
      p.setFont(font());
      p.drawText(rect().translated(down ? 1 : 0, down ? 1 : 0), Qt::AlignCenter, text());
      break;
    case TTitleGlyph::Minimise:
      p.drawLine(QPointF(c.x() - 4, c.y() + 3), QPointF(c.x() + 4, c.y() + 3));
      break;
    case TTitleGlyph::Close:
      p.drawLine(QPointF(c.x() - 3.5, c.y() - 3.5), QPointF(c.x() + 3.5, c.y() + 3.5));
      p.drawLine(QPointF(c.x() - 3.5, c.y() + 3.5), QPointF(c.x() + 3.5, c.y() - 3.5));
      break;
    case TTitleGlyph::Help: {
      QFont f = font();
      f.setBold(true);
      p.setFont(f);
      p.drawText(rect(), Qt::AlignCenter, QStringLiteral("?"));
      break;
    }
  }
}

}  // namespace app
