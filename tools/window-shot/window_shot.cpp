// Saves a picture of the main window as the user first meets it, with a few
// pictures listed; the skin's transparent corners stay transparent.
//
//   window-shot <out.png> [about|warning|open|save|finished]
//
// Run under a display, e.g. xvfb-run. With a second argument the picture is
// of that window as it opens over the main window.

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>

#include "app/about_box.h"
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
    // Real files: the window checks each picture as it is added.
    QStringList names;
    for (const char* name : {"harbour-at-dawn.jpg", "lighthouse.jpg", "old-map.bmp", "fishing-boats.jpg"}) {
      QImage picture(64, 48, QImage::Format_RGB32);
      picture.fill(QColor::fromHsv(int(names.size()) * 70, 120, 200));
      names << folder_.filePath(name);
      picture.save(names.last());
    }
    return names;
  }
  QString SaveFile(QWidget*, const app::TSaveDialogRequest&) override { return {}; }
  void Warning(QWidget*, const QString&, const QString&) override {}
  app::TAfterRun RunFinished(QWidget*, const QString&, const QString&) override { return app::TAfterRun::Close; }

 private:
  QTemporaryDir folder_;
};

// One of the windows that open over the main window, as the user sees it.
int SaveDialogShot(app::TFormMain& window, const QString& which, const char* out) {
  TSampleDesktop desktop;
  std::unique_ptr<QWidget> dialog;
  if (which == "about") dialog = std::make_unique<app::TFormAbout>(&window, window.Title(), desktop);
  if (which == "warning")
    dialog = app::NewWarningBox(&window, window.Title(), "The output folder \"/media/usb\" cannot be written.");
  if (which == "open") dialog = app::NewOpenDialog(&window, {"Picture Files|*.BMP;*.JPEG;*.JPG;*.PNG", true});
  if (which == "save")
    dialog = app::NewSaveDialog(&window, {"AVI format(*.avi)|*.avi|MP4 format(*.mp4)|*.mp4", "avi", "Pictures_Video.avi"});
  if (which == "finished")
    dialog = app::NewRunFinishedBox(&window, window.Title(), "Finished: the video is \"/home/ann/Videos/holiday.avi\".");
  if (!dialog) {
    std::fprintf(stderr, "window-shot: no window called %s\n", qPrintable(which));
    return 2;
  }
  dialog->show();
  QApplication::processEvents();
  if (!dialog->grab().save(out)) {
    std::fprintf(stderr, "window-shot: cannot write %s\n", out);
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: %s <out.png> [about|warning|open|save|finished]\n", argv[0]);
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

  if (argc == 3) return SaveDialogShot(window, argv[2], argv[1]);

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
