#include "app/desktop_services.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QUrl>

namespace app {

QStringList QtNameFilters(const QString& filter) {
  QStringList out;
  const QStringList parts = filter.split('|');
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns;
    for (const QString& p : parts[i + 1].split(';', Qt::SkipEmptyParts)) {
      patterns << p;
      if (p.toLower() != p) patterns << p.toLower();
    }
    out << parts[i] + " (" + patterns.join(' ') + ")";
  }
  return out;
}

void TQtDesktopServices::OpenWithShell(const QString& target) {
  if (target.isEmpty()) return;
  const QUrl url = QUrl::fromUserInput(target);
  QDesktopServices::openUrl(url);
}

void TQtDesktopServices::StartProgram(const QString& path) {
  const QFileInfo info(path);
  if (info.isFile() && info.isExecutable()) QProcess::startDetached(path, {});
}

QStringList TQtDesktopServices::OpenFiles(QWidget* parent, const TOpenDialogRequest& request) {
  QFileDialog dialog(parent);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(request.MultiSelect ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
  dialog.setNameFilters(QtNameFilters(request.Filter));
  dialog.setOption(QFileDialog::ReadOnly, false);
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.selectedFiles();
}

QString TQtDesktopServices::SaveFile(QWidget* parent, const TSaveDialogRequest& request) {
  QFileDialog dialog(parent);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters(QtNameFilters(request.Filter));
  dialog.setDefaultSuffix(request.DefaultExt);
  if (!request.FileName.isEmpty()) dialog.selectFile(request.FileName);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first();
}

void TQtDesktopServices::Warning(QWidget* parent, const QString& caption, const QString& text) {
  QMessageBox::warning(parent, caption, text, QMessageBox::Ok);
}

}  // namespace app
