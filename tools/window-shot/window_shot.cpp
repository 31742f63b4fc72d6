// Saves a picture of the main window as the user first meets it, with a few
// pictures listed; the skin's transparent corners stay transparent.
//
//   window-shot <out.png>      (run under a display, e.g. xvfb-run)

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <cstdio>

#include "app/desktop_services.h"
#include "app/main_window.h"
#include "app/settings_file.h"
#include "app/start_up.h"

namespace {

// Answers the picture dialog with a few names and cancels everything else.
class TSampleDesktop : public app::TDesktopServices {
 public:
  void OpenWithShell(const QString&) override {}
  void StartProgram(const QString&) override {}
  QStringList OpenFiles(QWidget*, const app::TOpenDialogRequest& request) override {
    if (!request.MultiSelect) return {};
    return {"/home/ann/Pictures/harbour-at-dawn.jpg", "/home/ann/Pictures/lighthouse.jpg",
            "/home/ann/Pictures/old-map.bmp", "/home/ann/Pictures/fishing-boats.jpg"};
  }
  QString SaveFile(QWidget*, const app::TSaveDialogRequest&) override { return {}; }
  void Warning(QWidget*, const QString&, const QString&) override {}
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <out.png>\n", argv[0]);
    return 2;
  }
  QApplication application(argc, argv);
  app::InstallMainThreadWaker();
  TSampleDesktop desktop;
  const std::string folder = app::ExecutableFolder();
  const std::string title = app::ReadSettingsFile(app::SettingsPath(folder)).ReadString("SYSTEM", "Name");
  app::TFormMain window(QString::fromStdString(title), folder, desktop);
  window.btnPicturesClick();
  window.show();
  QApplication::processEvents();

  QImage shot(window.size(), QImage::Format_ARGB32_Premultiplied);
  shot.fill(Qt::transparent);
  {
    QPainter p(&shot);
    p.setClipRegion(window.mask());
    p.drawPixmap(0, 0, window.grab());
  }
  if (!shot.save(argv[1])) {
    std::fprintf(stderr, "window-shot: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
