#include "app/start_up.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QImage>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/desktop_services.h"
#include "app/main_window.h"
#include "app/preview_window.h"
#include "app/settings_file.h"
#include "media/bridges/main_thread.h"

namespace app {
namespace {

// A screen someone looks at: a message box there would wait for a click that
// never comes on the off-screen platforms.
bool DisplayAvailable() {
  const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
  if (platform.startsWith("offscreen") || platform.startsWith("minimal")) return false;
  return std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
}

int Refuse(const std::string& message, int argc, char** argv) {
  std::fprintf(stderr, "lanternslide: %s\n", message.c_str());
  if (DisplayAvailable()) {
    std::unique_ptr<QApplication> own;
    if (!QApplication::instance()) own = std::make_unique<QApplication>(argc, argv);
    QMessageBox::critical(nullptr, "Lanternslide", QString::fromStdString(message));
  }
  return 1;
}

}  // namespace

void InstallMainThreadWaker() {
  media::InitMainThread();
  media::SetMainThreadWaker([] {
    if (QCoreApplication* app = QCoreApplication::instance())
      QMetaObject::invokeMethod(app, [] { media::ServeMainThreadCalls(); }, Qt::QueuedConnection);
  });
}

int RunProgram(int argc, char** argv) {
  const std::string exeFolder = ExecutableFolder();
  std::string title;
  try {
    title = ReadSettingsFile(SettingsPath(exeFolder)).ReadString(kSettingsSection, "Name");
  } catch (const SettingsError& e) {
    return Refuse(e.what(), argc, argv);
  }
  const QString iconPath = QString::fromStdString(exeFolder + "icon.ico");
  if (!QFileInfo(iconPath).isFile()) return Refuse("The icon \"" + iconPath.toStdString() + "\" is missing.", argc, argv);

  QApplication application(argc, argv);
  QApplication::setApplicationName("lanternslide");
  if (QImage(iconPath).isNull()) return Refuse("The icon \"" + iconPath.toStdString() + "\" cannot be read.", argc, argv);
  QApplication::setWindowIcon(QIcon(iconPath));
  InstallMainThreadWaker();
  InstallPreviewWindows();

  TQtDesktopServices desktop;
  std::unique_ptr<TFormMain> window;
  try {
    window = std::make_unique<TFormMain>(QString::fromStdString(title), exeFolder, desktop);
  } catch (const SettingsError& e) {
    return Refuse(e.what(), argc, argv);
  }
  const int result = application.exec();
  window.reset();
  media::SetPreviewWindowFactory({});
  media::ShutdownMainThreadCalls();
  return result;
}

}  // namespace app
