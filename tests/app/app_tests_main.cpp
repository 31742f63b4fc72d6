// Runs the window test classes in order in one application. The run-control
// tests come first: their first case needs a process that has not loaded
// the media libraries yet.
#include <QApplication>
#include <QTest>

#include "app/preview_window.h"
#include "app/start_up.h"
#include "app_tests.h"
#include "media/bridges/main_thread.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  QApplication application(argc, argv);
  app::InstallMainThreadWaker();
  app::InstallPreviewWindows();
  int failed = 0;
  {
    RunControlTest runControl;
    failed += QTest::qExec(&runControl, argc, argv);
    MainWindowTest mainWindow;
    failed += QTest::qExec(&mainWindow, argc, argv);
  }
  media::SetPreviewWindowFactory({});
  media::ShutdownMainThreadCalls();
  return failed == 0 ? 0 : 1;
}
