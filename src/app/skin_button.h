// The skinned window's buttons: text buttons drawn as rounded plates, and
// the picture-only buttons of the title bar.
#pragma once

#include <QPushButton>

namespace app {

enum class TTitleGlyph { None, Minimise, Help, Close };

class TSkinButton : public QPushButton {
 public:
  TSkinButton(const QString& text, QWidget* parent, TTitleGlyph glyph = TTitleGlyph::None);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  TTitleGlyph glyph_;
};

}  // namespace app
