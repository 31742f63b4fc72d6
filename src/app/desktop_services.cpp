#include "app/desktop_services.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
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
  // A file or folder of ours by its path, so that "#" or "?" in a name stay part of it.
  const QUrl url = QFileInfo::exists(target) ? QUrl::fromLocalFile(target) : QUrl::fromUserInput(target);
  QDesktopServices::openUrl(url);
}

void TQtDesktopServices::StartProgram(const QString& path) {
  const QFileInfo info(path);
  if (info.isFile() && info.isExecutable()) QProcess::startDetached(path, {});
}

std::unique_ptr<QFileDialog> NewOpenDialog(QWidget* parent, const TOpenDialogRequest& request) {
  auto dialog = std::make_unique<QFileDialog>(parent);
  dialog->setAcceptMode(QFileDialog::AcceptOpen);
  dialog->setFileMode(request.MultiSelect ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
  dialog->setNameFilters(QtNameFilters(request.Filter));
  dialog->setOption(QFileDialog::ReadOnly, false);
  return dialog;
}

// "Name (*.mp4 *.MP4)" -> "mp4": the extension a typed name without one gets.
static QString SuffixOfFilter(const QString& nameFilter) {
  const qsizetype star = nameFilter.indexOf("*.");
  if (star < 0) return {};
  const qsizetype end = nameFilter.indexOf(QRegularExpression("[ )]"), star);
  return nameFilter.mid(star + 2, end < 0 ? -1 : end - star - 2).toLower();
}

std::unique_ptr<QFileDialog> NewSaveDialog(QWidget* parent, const TSaveDialogRequest& request) {
  auto dialog = std::make_unique<QFileDialog>(parent);
  dialog->setAcceptMode(QFileDialog::AcceptSave);
  dialog->setFileMode(QFileDialog::AnyFile);
  const QStringList filters = QtNameFilters(request.Filter);
  dialog->setNameFilters(filters);
  dialog->setDefaultSuffix(request.DefaultExt);
  // The proposed name's own kind is offered first, and a kind chosen in the
  // dialog decides the extension of a name typed without one.
  const QString ext = QFileInfo(request.FileName).suffix().toLower();
  for (const QString& f : filters)
    if (!ext.isEmpty() && SuffixOfFilter(f) == ext) {
      dialog->selectNameFilter(f);
      dialog->setDefaultSuffix(ext);
    }
  QFileDialog* raw = dialog.get();
  QObject::connect(raw, &QFileDialog::filterSelected, raw, [raw](const QString& f) {
    if (const QString suffix = SuffixOfFilter(f); !suffix.isEmpty()) raw->setDefaultSuffix(suffix);
  });
  if (!request.FileName.isEmpty()) dialog->selectFile(request.FileName);
  return dialog;
}

std::unique_ptr<QMessageBox> NewWarningBox(QWidget* parent, const QString& caption, const QString& text) {
  auto box = std::make_unique<QMessageBox>(QMessageBox::Warning, caption, text, QMessageBox::Ok, parent);
  return box;
}

std::unique_ptr<QMessageBox> NewRunFinishedBox(QWidget* parent, const QString& caption, const QString& text) {
  auto box = std::make_unique<QMessageBox>(QMessageBox::Information, caption, text, QMessageBox::NoButton, parent);
  box->addButton("Play video", QMessageBox::AcceptRole)->setObjectName("PlayVideo");
  box->addButton("Open folder", QMessageBox::ActionRole)->setObjectName("OpenFolder");
  box->setDefaultButton(box->addButton(QMessageBox::Close));
  return box;
}

QStringList TQtDesktopServices::OpenFiles(QWidget* parent, const TOpenDialogRequest& request) {
  const auto dialog = NewOpenDialog(parent, request);
  if (dialog->exec() != QDialog::Accepted) return {};
  return dialog->selectedFiles();
}

QString TQtDesktopServices::SaveFile(QWidget* parent, const TSaveDialogRequest& request) {
  const auto dialog = NewSaveDialog(parent, request);
  if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return {};
  return dialog->selectedFiles().first();
}

void TQtDesktopServices::Warning(QWidget* parent, const QString& caption, const QString& text) {
  NewWarningBox(parent, caption, text)->exec();
}

TAfterRun TQtDesktopServices::RunFinished(QWidget* parent, const QString& caption, const QString& text) {
  const auto box = NewRunFinishedBox(parent, caption, text);
  box->exec();
  const QString chosen = box->clickedButton() ? box->clickedButton()->objectName() : QString();
  if (chosen == "PlayVideo") return TAfterRun::Play;
  if (chosen == "OpenFolder") return TAfterRun::OpenFolder;
  return TAfterRun::Close;
}

}  // namespace app
