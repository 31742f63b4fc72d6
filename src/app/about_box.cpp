#include "app/about_box.h"

#include <QApplication>
#include <QDate>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

#include "app/desktop_services.h"
#include "app/settings_file.h"

namespace app {
namespace {

const char* const kRightsNotice = "Copyright (C) %d %s. All rights reserved.";
const char* const kWarning =
    "Warning: this computer program is protected by copyright law. It may be copied and "
    "distributed only under the terms of the GNU General Public License, version 3 or later; "
    "any other copying or distribution is not permitted.";

QLabel* AddLabel(QWidget* parent, const char* name, const QString& text, int left, int top, int width,
                 int height) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setGeometry(left, top, width, height);
  return label;
}

// The box has a fixed size; a wide font (or a long rights holder) would cut
// a one-line label off, so such a label gets a smaller font instead.
void FitOnOneLine(QLabel* label) {
  QFont font = label->font();
  while (font.pointSizeF() > 6 && QFontMetrics(font).horizontalAdvance(label->text()) > label->width())
    font.setPointSizeF(font.pointSizeF() - 0.5);
  label->setFont(font);
}

}  // namespace

QPoint CentredOver(const QRect& over, const QSize& boxSize) {
  return {over.left() + (over.width() - boxSize.width()) / 2,
          over.top() + (over.height() - boxSize.height()) / 2};
}

TFormAbout::TFormAbout(QWidget* owner, const QString& title, TDesktopServices& desktop)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint), desktop_(desktop) {
  setObjectName("FormAbout");
  setFixedSize(445, 217);
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::white);
  pal.setColor(QPalette::WindowText, Qt::black);
  setPalette(pal);
  FormCreate(title);
}

void TFormAbout::FormCreate(const QString& title) {
  const TGlobalVars& g = Globals();
  setWindowTitle(QString("About %1").arg(title));
  ImageIcon = AddLabel(this, "ImageIcon", {}, 16, 16, 48, 48);
  ImageIcon->setPixmap(QApplication::windowIcon().pixmap(48, 48));
  LabelAppName = AddLabel(this, "LabelAppName", title, 80, 16, 350, 20);
  QFont bold = LabelAppName->font();
  bold.setBold(true);
  bold.setPointSize(bold.pointSize() + 2);
  LabelAppName->setFont(bold);
  LabelVersion = AddLabel(this, "LabelVersion", QString("Version %1").arg(QString::fromStdString(g.Version)),
                          80, 40, 350, 16);
  LabelCopyRight = AddLabel(this, "LabelCopyRight",
                            QString::asprintf(kRightsNotice, QDate::currentDate().year(), g.Copyright.c_str()),
                            80, 58, 350, 16);
  LabelWeb = AddLabel(this, "LabelWeb", QString::fromStdString(g.HelpHomePageLink), 80, 76, 350, 16);
  for (QLabel* label : {LabelAppName, LabelVersion, LabelCopyRight, LabelWeb}) FitOnOneLine(label);
  LabelWeb->setCursor(Qt::PointingHandCursor);
  LabelWeb->setStyleSheet("color: #1a4fb4; text-decoration: underline;");
  LabelWeb->installEventFilter(this);
  LabelWarning = AddLabel(this, "LabelWarning", kWarning, 16, 104, 413, 64);
  LabelWarning->setWordWrap(true);
  ButtonOK = new QPushButton("OK", this);
  ButtonOK->setObjectName("ButtonOK");
  ButtonOK->setGeometry(354, 180, 75, 25);
  ButtonOK->setDefault(true);
  connect(ButtonOK, &QPushButton::clicked, this, [this] { ButtonOKClick(); });
}

void TFormAbout::ButtonOKClick() { accept(); }

void TFormAbout::LabelWebClick() {
  desktop_.OpenWithShell(QString::fromStdString(Globals().HelpHomePageLink));
}

bool TFormAbout::eventFilter(QObject* watched, QEvent* event) {
  if (watched == LabelWeb && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    LabelWebClick();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace app
