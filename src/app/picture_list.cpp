// The picture list as the user edits it: pictures added by the dialog or by
// dropping files on the window are checked at once, in parallel; one picture is removed
// with Delete and moved with Ctrl+Up/Down or by dragging it in the list.
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEventLoop>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QShortcut>
#include <QTemporaryDir>
#include <QtConcurrent/QtConcurrentMap>

#include "app/desktop_services.h"
#include "app/main_window.h"
#include "app/picture_check.h"
#include "app/skin_button.h"

namespace app {
namespace {

// Local files among dropped things; web addresses and the like are not ours.
QStringList LocalFiles(const QMimeData* data) {
  QStringList files;
  if (!data || !data->hasUrls()) return files;
  for (const QUrl& url : data->urls())
    if (url.isLocalFile()) files << url.toLocalFile();
  return files;
}

}  // namespace

void TFormMain::SetUpPictureList() {
  lstPictures->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lstPictures->setDragDropMode(QAbstractItemView::InternalMove);
  lstPictures->setDefaultDropAction(Qt::MoveAction);
  auto key = [this](QKeySequence keys, auto handler) {
    auto* shortcut = new QShortcut(keys, lstPictures, nullptr, nullptr, Qt::WidgetShortcut);
    connect(shortcut, &QShortcut::activated, this, handler);
  };
  key(QKeySequence::Delete, [this] { RemoveSelectedPictures(); });
  key(QKeySequence(Qt::CTRL | Qt::Key_Up), [this] { MoveCurrentPicture(-1); });
  key(QKeySequence(Qt::CTRL | Qt::Key_Down), [this] { MoveCurrentPicture(1); });
  connect(lstPictures->model(), &QAbstractItemModel::rowsMoved, this, [this] { PictureListEdited(); });
  setAcceptDrops(true);
}

// Checking decodes each picture, so a long list takes a moment: the pictures
// are checked on the pool's threads while the window repaints and its status
// line counts (clicks and keys wait, so the list cannot change meanwhile), and
// pictures that cannot be read are named in one message.
void TFormMain::AddPictures(const QStringList& files) {
  if (files.isEmpty()) return;
  if (!thumbnails_) thumbnails_ = std::make_unique<QTemporaryDir>();
  QApplication::setOverrideCursor(Qt::WaitCursor);
  lblStatus->setTextFormat(Qt::PlainText);
  const QList<TPictureCheck> checks = CheckPictures(files);
  QStringList refused;
  for (qsizetype i = 0; i < files.size(); ++i) {
    const TPictureCheck& check = checks[i];
    if (!check.Problem.isEmpty()) {
      refused << check.Problem;
      continue;
    }
    auto* item = new QListWidgetItem(files[i]);
    const QString thumbnail = thumbnails_->filePath(QString::number(++thumbnailCount_) + ".png");
    if (thumbnails_->isValid() && check.Thumbnail.save(thumbnail))
      item->setToolTip(QString("<img src=\"%1\"><br>%2").arg(thumbnail.toHtmlEscaped(), files[i].toHtmlEscaped()));
    else
      item->setToolTip(files[i]);
    lstPictures->addItem(item);
  }
  QApplication::restoreOverrideCursor();
  lblStatus->setText(QString("%1 pictures in the list.").arg(lstPictures->count()));
  if (refused.size() < files.size()) PictureListEdited();
  if (refused.isEmpty()) return;
  for (const QString& why : refused) Log("***Not added: " + why);
  desktop_.Warning(this, title_,
                   QString("%1 of %2 pictures cannot be read and were not added:\n\n")
                           .arg(refused.size())
                           .arg(files.size()) +
                       refused.join('\n'));
}

QList<TPictureCheck> TFormMain::CheckPictures(const QStringList& files) {
  const bool exif = Globals().ExifOrientation;
  QFutureWatcher<TPictureCheck> watcher;
  QEventLoop wait;
  connect(&watcher, &QFutureWatcher<TPictureCheck>::progressValueChanged, this, [&](int done) {
    lblStatus->setText(QString("Checking picture %1 of %2...").arg(std::min<qsizetype>(done + 1, files.size())).arg(files.size()));
  });
  connect(&watcher, &QFutureWatcher<TPictureCheck>::finished, &wait, &QEventLoop::quit);
  watcher.setFuture(QtConcurrent::mapped(files, [exif](const QString& file) { return CheckPicture(file, exif); }));
  if (!watcher.isFinished()) wait.exec(QEventLoop::ExcludeUserInputEvents);
  return watcher.future().results();
}

void TFormMain::RemoveSelectedPictures() {
  const QList<QListWidgetItem*> selected = lstPictures->selectedItems();
  if (selected.isEmpty() || !btnPictures->isEnabled()) return;
  const int row = lstPictures->row(selected.first());
  qDeleteAll(selected);
  if (lstPictures->count() > 0) lstPictures->setCurrentRow(std::min(row, lstPictures->count() - 1));
  PictureListEdited();
  UpdateOutputEnabled();
}

void TFormMain::MoveCurrentPicture(int step) {
  const int row = lstPictures->currentRow();
  const int to = row + step;
  if (row < 0 || to < 0 || to >= lstPictures->count() || !btnPictures->isEnabled()) return;
  QListWidgetItem* item = lstPictures->takeItem(row);
  lstPictures->insertItem(to, item);
  lstPictures->setCurrentRow(to);
  PictureListEdited();
}

// The list and the sound cannot change during a run, as with the buttons.
void TFormMain::dragEnterEvent(QDragEnterEvent* event) {
  if (btnPictures->isEnabled() && !LocalFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TFormMain::dropEvent(QDropEvent* event) {
  const QStringList files = LocalFiles(event->mimeData());
  if (files.isEmpty() || !btnPictures->isEnabled()) return;
  event->acceptProposedAction();
  QStringList pictures;
  for (const QString& file : files) {
    if (IsSoundFileName(file))
      txtAudio->setText(file);
    else if (!QFileInfo(file).isDir())
      pictures << file;
  }
  AddPictures(pictures);
  UpdateOutputEnabled();
}

}  // namespace app
