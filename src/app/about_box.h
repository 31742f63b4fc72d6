// The About box: title, version, rights notice and home page link.
#pragma once

#include <QDialog>
#include <QPoint>
#include <QRect>

class QLabel;
class QPushButton;

namespace app {

class TDesktopServices;

// Top-left corner that centres a box of boxSize over the window `over`
// (integer halves truncated toward zero; a larger box reaches beyond it).
QPoint CentredOver(const QRect& over, const QSize& boxSize);

class TFormAbout : public QDialog {
 public:
  TFormAbout(QWidget* owner, const QString& title, TDesktopServices& desktop);

  void ButtonOKClick();
  void LabelWebClick();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FormCreate(const QString& title);

  TDesktopServices& desktop_;
  QLabel* ImageIcon = nullptr;
  QLabel* LabelAppName = nullptr;
  QLabel* LabelVersion = nullptr;
  QLabel* LabelCopyRight = nullptr;
  QLabel* LabelWeb = nullptr;
  QLabel* LabelWarning = nullptr;
  QPushButton* ButtonOK = nullptr;
};

}  // namespace app
