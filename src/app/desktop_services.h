// What the window asks of the desktop: opening links, starting the companion
// program, file dialogs and message boxes. Behind one interface so that tests
// answer the dialogs and see what would be opened.
#pragma once

#include <QString>
#include <QStringList>
#include <memory>

class QFileDialog;
class QMessageBox;
class QWidget;

namespace app {

// Filters are written "Description|*.A;*.B" (several pairs joined by "|").
struct TOpenDialogRequest {
  QString Filter;
  bool MultiSelect = false;
};

// What the user wants after a run that made a video.
enum class TAfterRun { Close, Play, OpenFolder };

struct TSaveDialogRequest {
  QString Filter;
  QString DefaultExt;  // added when the typed name has no extension
  QString FileName;    // proposed name
};

class TDesktopServices {
 public:
  virtual ~TDesktopServices() = default;

  // A web address or document, opened with the desktop's default handler;
  // failures are ignored.
  virtual void OpenWithShell(const QString& target) = 0;
  // Starts a program without arguments and without waiting; a missing or
  // failing program is ignored.
  virtual void StartProgram(const QString& path) = 0;

  // Chosen files, in the dialog's order; empty when cancelled. Read-only
  // files are hidden, chosen files must exist.
  virtual QStringList OpenFiles(QWidget* parent, const TOpenDialogRequest& request) = 0;
  // The chosen name, empty when cancelled. Asks before overwriting; the
  // folder must exist.
  virtual QString SaveFile(QWidget* parent, const TSaveDialogRequest& request) = 0;
  // Exclamation icon, one OK button.
  virtual void Warning(QWidget* parent, const QString& caption, const QString& text) = 0;
  // Information icon with "Play video", "Open folder" and "Close".
  virtual TAfterRun RunFinished(QWidget* parent, const QString& caption, const QString& text) = 0;
};

// The real desktop: Qt's file dialogs, QDesktopServices, QProcess.
class TQtDesktopServices : public TDesktopServices {
 public:
  void OpenWithShell(const QString& target) override;
  void StartProgram(const QString& path) override;
  QStringList OpenFiles(QWidget* parent, const TOpenDialogRequest& request) override;
  QString SaveFile(QWidget* parent, const TSaveDialogRequest& request) override;
  void Warning(QWidget* parent, const QString& caption, const QString& text) override;
  TAfterRun RunFinished(QWidget* parent, const QString& caption, const QString& text) override;
};

// The dialogs TQtDesktopServices shows, built but not shown, so that their
// look can be checked.
std::unique_ptr<QFileDialog> NewOpenDialog(QWidget* parent, const TOpenDialogRequest& request);
std::unique_ptr<QFileDialog> NewSaveDialog(QWidget* parent, const TSaveDialogRequest& request);
std::unique_ptr<QMessageBox> NewWarningBox(QWidget* parent, const QString& caption, const QString& text);
std::unique_ptr<QMessageBox> NewRunFinishedBox(QWidget* parent, const QString& caption, const QString& text);

// "Picture Files|*.BMP;*.JPG" -> "Picture Files (*.BMP *.JPG *.bmp *.jpg)":
// Qt's form; both letter cases, as file names on Linux keep theirs.
QStringList QtNameFilters(const QString& filter);

}  // namespace app
