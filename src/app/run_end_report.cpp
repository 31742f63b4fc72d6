// What the user is told when a run ends: a log block and a status line that
// say what happened and where the video is, links in the status line that
// play it or open its folder, and after a finished run a box offering both.
#include <QDir>
#include <QFileInfo>
#include <QLabel>

#include "app/desktop_services.h"
#include "app/main_window.h"

namespace app {
namespace {

constexpr int kStatusPathWidth = 420;

QString Link(const char* target, const char* text) {
  return QString("<a href=\"%1\" style=\"color:#ffc860;\">%2</a>").arg(target, text);
}

}  // namespace

void TFormMain::ReportRunEnd() {
  if (!run_.running) return;
  run_.running = false;
  const QFileInfo file(run_.output);
  const bool written = file.isFile() && file.size() > 0;
  const QString path = QDir::toNativeSeparators(file.absoluteFilePath());
  QString what;
  if (run_.failed)
    what = written ? "Failed; the video up to the error is \"%1\"." : "Failed; no video was written.";
  else if (run_.stoppedByUser)
    what = written ? "Stopped by the user; the video up to the stop is \"%1\"." : "Stopped by the user; no video was written.";
  else
    what = written ? "Finished: the video is \"%1\"." : "Finished, but \"%1\" was not written.";
  if (run_.failed) LogBlock("***Failed: " + run_.error);
  LogBlock("***" + what.arg(path));

  const QString shortPath = lblStatus->fontMetrics().elidedText(path, Qt::ElideMiddle, kStatusPathWidth);
  ShowRunEndStatus(what.arg(shortPath), written);
  if (written && !run_.failed && !run_.stoppedByUser) {
    switch (desktop_.RunFinished(this, title_, what.arg(path))) {
      case TAfterRun::Play: StatusLinkActivated("play"); break;
      case TAfterRun::OpenFolder: StatusLinkActivated("folder"); break;
      case TAfterRun::Close: break;
    }
  }
}

void TFormMain::ShowRunEndStatus(const QString& what, bool withLinks) {
  QString text = what.toHtmlEscaped();
  if (withLinks) text += "&nbsp;&nbsp;" + Link("play", "Play video") + "&nbsp;&nbsp;" + Link("folder", "Open folder");
  lblStatus->setTextFormat(Qt::RichText);
  lblStatus->setText(text);
}

void TFormMain::StatusLinkActivated(const QString& link) {
  const QFileInfo file(run_.output);
  if (link == "play") desktop_.OpenWithShell(file.absoluteFilePath());
  if (link == "folder") desktop_.OpenWithShell(file.absolutePath());
}

}  // namespace app
