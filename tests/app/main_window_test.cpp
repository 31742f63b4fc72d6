// The window as the user meets it: controls, skin, pickers, help and About.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QFileInfo>
#include <QFileDialog>
#include <QMessageBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <fstream>

#include "app/about_box.h"
#include "app/main_window.h"
#include "app/settings_file.h"
#include "app_test_support.h"
#include "app_tests.h"

using namespace apptest;
using app::TFormMain;

namespace {

struct Window {
  TAnsweringDesktop desktop;
  fs::path folder;
  std::unique_ptr<TFormMain> form;
  explicit Window(const std::string& name) : folder(MakeProgramFolder(name)) {
    form = std::make_unique<TFormMain>("Lanternslide", folder.string(), desktop);
    QCoreApplication::processEvents();  // the posted start shows the window
  }
  template <class T = QWidget>
  T* Get(const char* name) {
    T* w = form->findChild<T*>(name);
    if (!w) qFatal("no control %s", name);
    return w;
  }
  void Click(const char* name) { QTest::mouseClick(Get<QPushButton>(name), Qt::LeftButton); }
};

}  // namespace

void MainWindowTest::controlsOfTheForm() {
  Window w("controls");
  TFormMain& f = *w.form;
  QCOMPARE(f.windowTitle(), QString("Lanternslide"));
  QCOMPARE(f.size(), QSize(772, 412));
  QVERIFY(f.windowFlags() & Qt::FramelessWindowHint);
  QVERIFY(f.isVisible());

  struct Row {
    const char* name;
    QString text;
    int left, top;
    bool enabled;
  };
  const Row buttons[] = {{"btnOpen", "Output", 24, 48, false},      {"btnStart", "Start", 120, 48, false},
                         {"btnStop", "Stop", 216, 48, false},       {"btnPause", "Pause", 312, 48, false},
                         {"btnResume", "Resume", 408, 48, false},   {"btnPictures", "Pictures", 24, 104, true},
                         {"btnClear", "Clear", 24, 136, true},      {"btnAudio", "Audio", 24, 216, true},
                         {"ButtonMin", "", 685, 6, true},           {"ButtonHelp", "", 709, 6, true},
                         {"ButtonClose", "", 733, 6, true}};
  for (const Row& r : buttons) {
    auto* b = w.Get<QPushButton>(r.name);
    QCOMPARE(b->text(), r.text);
    QCOMPARE(b->pos(), QPoint(r.left, r.top));
    QCOMPARE(b->isEnabled(), r.enabled);
  }
  QCOMPARE(w.Get("btnOpen")->size(), QSize(90, 28));
  QCOMPARE(w.Get("ButtonClose")->size(), QSize(19, 19));

  const Row labels[] = {{"txtAudio", "...", 120, 224, true},
                        {"Label1", "Output:", 48, 256, true},
                        {"txtOutput", "...", 120, 256, true},
                        {"Label2", "Pictures delay (seconds)", 544, 133, true},
                        {"Label3", "Transitions delay (seconds)", 544, 154, true},
                        {"Label4", "Frame rate:", 544, 232, true},
                        {"Label5", "Frame size:", 639, 232, true},
                        {"lblStatus", "Status", 24, 390, true}};
  for (const Row& r : labels) {
    auto* l = w.Get<QLabel>(r.name);
    QCOMPARE(l->text(), r.text);
    QCOMPARE(l->pos(), QPoint(r.left, r.top));
  }
  const Row checks[] = {{"chkPreview", "Preview while encoding", 544, 56, true},
                        {"chkPictures", "Break when no pictures", 544, 104, true},
                        {"chkRandomEffect", "Random effects", 544, 184, true}};
  for (const Row& r : checks) {
    auto* c = w.Get<QCheckBox>(r.name);
    QCOMPARE(c->text(), r.text);
    QCOMPARE(c->pos(), QPoint(r.left, r.top));
    QVERIFY(c->isChecked());
  }
  QCOMPARE(w.Get<QLineEdit>("edtPictureDelay")->text(), QString("2.0"));
  QCOMPARE(w.Get("edtPictureDelay")->geometry(), QRect(691, 130, 39, 21));
  QCOMPARE(w.Get<QLineEdit>("edtTransitionDelay")->text(), QString("1.0"));
  QCOMPARE(w.Get("edtTransitionDelay")->geometry(), QRect(691, 151, 39, 21));
  QCOMPARE(w.Get("lstPictures")->geometry(), QRect(121, 102, 376, 97));
  QCOMPARE(w.Get<QListWidget>("lstPictures")->count(), 0);
  QCOMPARE(w.Get("mmoLog")->geometry(), QRect(24, 288, 713, 89));
  QVERIFY(w.Get<QPlainTextEdit>("mmoLog")->toPlainText().isEmpty());

  auto* rate = w.Get<QComboBox>("cboFrameRate");
  QVERIFY(rate->isEditable());
  QCOMPARE(rate->currentText(), QString("30/1"));
  QCOMPARE(rate->pos(), QPoint(544, 252));
  QCOMPARE(rate->width(), 86);
  QStringList items;
  for (int i = 0; i < rate->count(); ++i) items << rate->itemText(i);
  QCOMPARE(items, QStringList({"30/1", "25/1", "15/1"}));
  auto* size = w.Get<QComboBox>("cboFrameSize");
  QCOMPARE(size->currentText(), QString("320x240"));
  QCOMPARE(size->pos(), QPoint(639, 252));
  QCOMPARE(size->width(), 98);
  items.clear();
  for (int i = 0; i < size->count(); ++i) items << size->itemText(i);
  QCOMPARE(items, QStringList({"320x240", "640x480", "1280x960"}));
  // Typed texts are taken as they stand.
  size->setEditText("800x600");
  QCOMPARE(size->currentText(), QString("800x600"));
}

void MainWindowTest::tabOrder() {
  Window w("tab-order");
  const QStringList expected = {"btnOpen",     "btnStart",        "btnStop",        "btnPause",
                                "btnResume",   "btnPictures",     "lstPictures",    "btnClear",
                                "btnAudio",    "chkPreview",      "chkPictures",    "edtPictureDelay",
                                "edtTransitionDelay", "chkRandomEffect", "cboFrameRate", "cboFrameSize",
                                "mmoLog",      "ButtonMin",       "ButtonHelp",     "ButtonClose"};
  QStringList chain;
  QWidget* at = w.Get("btnOpen");
  for (int guard = 0; guard < 200 && chain.size() < expected.size(); ++guard) {
    if (expected.contains(at->objectName()) && !chain.contains(at->objectName())) chain << at->objectName();
    at = at->nextInFocusChain();
  }
  QCOMPARE(chain, expected);
}

void MainWindowTest::skinAndCompanionProgram() {
  Window w("skin");
  // Magenta corners of the skin are cut out of the window; its inside is not.
  const QRegion mask = w.form->mask();
  QVERIFY(!mask.contains(QPoint(0, 0)));
  QVERIFY(!mask.contains(QPoint(771, 411)));
  QVERIFY(mask.contains(QPoint(386, 206)));
  QVERIFY(mask.contains(QPoint(0, 206)));
  // The companion program is started once, after the window shows.
  QCOMPARE(w.desktop.started, QStringList{QString::fromStdString((w.folder / "plinth").string())});
  QCoreApplication::processEvents();
  QCOMPARE(w.desktop.started.size(), 1);
  // Dragging by the skin (not by a control) moves the window.
  const QPoint before = w.form->pos();
  QTest::mousePress(w.form.get(), Qt::LeftButton, {}, QPoint(300, 20));
  QMouseEvent move(QEvent::MouseMove, QPointF(340, 50), w.form->mapToGlobal(QPointF(340, 50)), Qt::LeftButton,
                   Qt::LeftButton, {});
  QApplication::sendEvent(w.form.get(), &move);
  QTest::mouseRelease(w.form.get(), Qt::LeftButton, {}, QPoint(340, 50));
  QCOMPARE(w.form->pos(), before + QPoint(40, 30));
}

void MainWindowTest::picturePickerAndClear() {
  Window w("pictures");
  auto* list = w.Get<QListWidget>("lstPictures");
  auto* output = w.Get("btnOpen");
  w.Click("btnPictures");  // cancelled with an empty list
  QVERIFY(!output->isEnabled());
  QVERIFY(w.desktop.openRequests.back().Filter.startsWith("Picture Files|*.BMP;*.JPEG;*.JPG;"));
  for (const char* kind : {"*.PNG", "*.HEIC", "*.WEBP"}) QVERIFY(w.desktop.openRequests.back().Filter.contains(kind));
  QVERIFY(w.desktop.openRequests.back().MultiSelect);

  const std::vector<std::string> made = MakePictures(w.folder, 2);
  const QString b = QString::fromStdString(made[0]), a = QString::fromStdString(made[1]);
  const QString notes = QString::fromStdString((w.folder / "notes.jpg").string());
  std::ofstream(notes.toStdString()) << "a text file, not a picture\n";
  w.desktop.openAnswers.push_back({b, notes, a});
  w.desktop.openAnswers.push_back({a});
  w.Click("btnPictures");
  // The text file is refused at once, with its reason; the others are added.
  QCOMPARE(w.desktop.warnings.size(), 1);
  QVERIFY2(w.desktop.warnings[0].startsWith("1 of 3 pictures cannot be read") && w.desktop.warnings[0].contains(notes),
           qPrintable(w.desktop.warnings[0]));
  w.Click("btnPictures");
  QCOMPARE(list->count(), 3);
  QCOMPARE(list->item(0)->text(), b);  // the dialog's order, not sorted
  QCOMPARE(list->item(1)->text(), a);
  QCOMPARE(list->item(2)->text(), a);  // twice is twice
  QVERIFY(list->item(0)->toolTip().startsWith("<img src="));
  QVERIFY(output->isEnabled());
  w.Click("btnPictures");  // cancelled with a list: stays enabled
  QVERIFY(output->isEnabled());
  QCOMPARE(list->count(), 3);

  w.Click("btnClear");
  QCOMPARE(list->count(), 0);
  QCOMPARE(w.Get<QLabel>("txtAudio")->text(), QString("-"));
  QVERIFY(!output->isEnabled());
}

// Dropped pictures and sound, then the list edited with the keyboard.
void MainWindowTest::dropAndEditTheList() {
  Window w("drop-edit");
  auto* list = w.Get<QListWidget>("lstPictures");
  QList<QUrl> urls;
  for (const std::string& p : MakePictures(w.folder, 3)) urls << QUrl::fromLocalFile(QString::fromStdString(p));
  const QString sound = QString::fromStdString((w.folder / "track.wav").string());
  WriteWav(sound.toStdString(), 0.1);
  urls << QUrl::fromLocalFile(sound) << QUrl("https://example.org/not-a-file.jpg");
  QMimeData data;
  data.setUrls(urls);
  // Onto the list: it takes only its own items and passes these on to the window.
  QDragEnterEvent enter(QPoint(30, 30), Qt::CopyAction, &data, Qt::LeftButton, {});
  QDropEvent drop(QPointF(30, 30), Qt::CopyAction, &data, Qt::LeftButton, {});
  QApplication::sendEvent(list->viewport(), &enter);
  QVERIFY(enter.isAccepted());
  QApplication::sendEvent(list->viewport(), &drop);
  QCOMPARE(w.Get<QLabel>("txtAudio")->text(), sound);
  QVERIFY(w.Get("btnOpen")->isEnabled() && w.desktop.warnings.isEmpty());
  auto names = [list] {
    QStringList n;
    for (int i = 0; i < list->count(); ++i) n << QFileInfo(list->item(i)->text()).fileName();
    return n;
  };
  const QStringList first = names();
  QCOMPARE(first.size(), 3);

  list->setFocus();
  list->setCurrentRow(0);
  for (Qt::Key key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Up})  // the third is past the end
    QTest::keyClick(list, key, Qt::ControlModifier);
  QCOMPARE(names(), QStringList({first[1], first[0], first[2]}));
  QTest::keyClick(list, Qt::Key_Delete);
  QCOMPARE(names(), QStringList({first[1], first[2]}));
  list->selectAll();
  QTest::keyClick(list, Qt::Key_Delete);
  QVERIFY(list->count() == 0 && !w.Get("btnOpen")->isEnabled());
}

void MainWindowTest::audioPicker() {
  Window w("audio");
  w.desktop.openAnswers.push_back({"/s/track.mp3"});
  w.Click("btnAudio");
  QCOMPARE(w.Get<QLabel>("txtAudio")->text(), QString("/s/track.mp3"));
  QVERIFY(!w.Get("btnOpen")->isEnabled());  // no pictures yet
  const auto& request = w.desktop.openRequests.back();
  QVERIFY(!request.MultiSelect);
  QCOMPARE(request.Filter, QString("Audio Files|*.AAC;*.AC3;*.APE;*.DTS;*.FLAC;*.M4A;*.MKA;*.MP2;*.MP3;"
                                   "*.MPA;*.MPC;*.OFR;*.OGG;*.RA;*.TTA;*.WAV;*.WMA;"));
  w.desktop.openAnswers.push_back({QString::fromStdString(MakePictures(w.folder, 1)[0])});
  w.Click("btnPictures");
  w.Click("btnAudio");  // cancelled: keeps the file, follows the list
  QCOMPARE(w.Get<QLabel>("txtAudio")->text(), QString("/s/track.mp3"));
  QVERIFY(w.Get("btnOpen")->isEnabled());
}

void MainWindowTest::helpMenuOpensTheLinks() {
  Window w("help");
  auto* menu = w.form->findChild<QMenu*>("PopupMenuHelp");
  QVERIFY(menu);
  QStringList texts;
  for (QAction* a : menu->actions()) texts << (a->isSeparator() ? QString("-") : a->text());
  QCOMPARE(texts, QStringList({"Help Content", "How Tos && Tutorial Videos...", "-", "Home Page...",
                               "More Free Tools...", "-", "Check for Updates...",
                               "Contact Technical Support...", "-", "About..."}));
  QCOMPARE(menu->actions().first()->shortcut(), QKeySequence(Qt::Key_F1));

  w.Click("ButtonHelp");
  QTRY_VERIFY(menu->isVisible());
  // Just below the button (the screen may push the menu back inside it).
  w.form->move(12, 34);
  QCOMPARE(w.form->HelpMenuPosition(), QPoint(709 + 12 + 2, 6 + 34 + 19));
  menu->hide();

  const int links[] = {0, 1, 3, 4, 6, 7};
  for (int i : links) menu->actions()[i]->trigger();
  const app::TGlobalVars& g = app::Globals();
  QStringList expected;
  for (const std::string* s : {&g.HelpContectLink, &g.HelpHowTosTutorialVideosLink, &g.HelpHomePageLink,
                               &g.HelpMoreFreeToolsLink, &g.HelpCheckForUpdatesLink, &g.HelpSupportLink})
    expected << QString::fromStdString(*s);
  QCOMPARE(w.desktop.opened, expected);
  QVERIFY(!expected.first().isEmpty());
  // F1 on the window opens the help content too.
  QTest::keyClick(w.form.get(), Qt::Key_F1);
  QCOMPARE(w.desktop.opened.size(), 7);
  QCOMPARE(w.desktop.opened.last(), expected.first());
}

void MainWindowTest::aboutBoxCentredWithYearAndRights() {
  Window w("about");
  w.form->move(37, 51);
  QString caption, appName, version, rights, web;
  QPoint at;
  QSize size;
  QTimer::singleShot(0, [&] {
    QWidget* box = QApplication::activeModalWidget();
    if (!box) return;
    caption = box->windowTitle();
    appName = box->findChild<QLabel*>("LabelAppName")->text();
    version = box->findChild<QLabel*>("LabelVersion")->text();
    rights = box->findChild<QLabel*>("LabelCopyRight")->text();
    web = box->findChild<QLabel*>("LabelWeb")->text();
    at = box->pos();
    size = box->size();
    QTest::mouseClick(box->findChild<QLabel*>("LabelWeb"), Qt::LeftButton);
    QTest::mouseClick(box->findChild<QPushButton*>("ButtonOK"), Qt::LeftButton);
  });
  w.form->findChild<QMenu*>("PopupMenuHelp")->actions().last()->trigger();
  const app::TGlobalVars& g = app::Globals();
  QCOMPARE(caption, QString("About Lanternslide"));
  QCOMPARE(appName, QString("Lanternslide"));
  QCOMPARE(version, "Version " + QString::fromStdString(g.Version));
  QVERIFY(!g.Version.empty());
  QCOMPARE(rights, QString("Copyright (C) %1 %2. All rights reserved.")
                       .arg(QDate::currentDate().year())
                       .arg(QString::fromStdString(g.Copyright)));
  QCOMPARE(web, QString::fromStdString(g.HelpHomePageLink));
  QCOMPARE(size, QSize(445, 217));
  QCOMPARE(at, QPoint(37 + (772 - 445) / 2, 51 + (412 - 217) / 2));
  QCOMPARE(w.desktop.opened, QStringList{web});  // the link label opens the home page
}

void MainWindowTest::aboutBoxCentringArithmetic() {
  // Halves truncate toward zero, also when the box is larger than the window.
  QCOMPARE(app::CentredOver(QRect(100, 200, 772, 412), QSize(445, 217)), QPoint(263, 297));
  QCOMPARE(app::CentredOver(QRect(100, 200, 100, 100), QSize(445, 217)), QPoint(100 - 172, 200 - 58));
  QCOMPARE(app::CentredOver(QRect(-50, -40, 10, 10), QSize(13, 13)), QPoint(-51, -41));
}

// Every window that opens over the main window, rendered as the user sees it:
// the main window's skin colours must not reach them.
void MainWindowTest::dialogsAndBoxesAreReadable() {
  Window w("readable");
  std::vector<std::unique_ptr<QWidget>> windows;
  windows.push_back(app::NewOpenDialog(w.form.get(), {"Picture Files|*.BMP;*.JPG", true}));
  windows.push_back(app::NewSaveDialog(w.form.get(), {"AVI format(*.avi)|*.avi", "avi", "x.avi"}));
  windows.push_back(app::NewWarningBox(w.form.get(), "Lanternslide", "The output folder cannot be written."));
  windows.push_back(app::NewRunFinishedBox(w.form.get(), "Lanternslide", "Finished: the video is \"/v/x.avi\"."));
  windows.push_back(std::make_unique<app::TFormAbout>(w.form.get(), "Lanternslide", w.desktop));
  for (auto& window : windows) {
    window->show();
    const TextContrast contrast = MeasureTextContrast(window.get());
    window->hide();
    QVERIFY2(contrast.measured >= 2, qPrintable(window->metaObject()->className()));
    QVERIFY2(contrast.lowest >= 4.5, qPrintable(QString("%1: %2 has contrast %3")
                                                   .arg(window->metaObject()->className(), contrast.worst)
                                                   .arg(contrast.lowest)));
  }
  // The skin's own white labels keep their look.
  QCOMPARE(w.Get<QLabel>("Label1")->palette().color(QPalette::WindowText), QColor(Qt::white));
}

// The proposed name's kind is preselected, and a kind chosen in the dialog
// decides the extension of a name typed without one.
void MainWindowTest::saveDialogKindsAndExtensions() {
  const QString filter = "AVI format(*.avi)|*.avi|MP4 format(*.mp4)|*.mp4|MKV format(*.mkv)|*.mkv";
  const auto dialog = app::NewSaveDialog(nullptr, {filter, "avi", "/v/show.MKV"});
  QCOMPARE(dialog->nameFilters().size(), 3);
  QVERIFY(dialog->selectedNameFilter().startsWith("MKV format"));
  QCOMPARE(dialog->defaultSuffix(), QString("mkv"));
  emit dialog->filterSelected(dialog->nameFilters()[1]);
  QCOMPARE(dialog->defaultSuffix(), QString("mp4"));
  QCOMPARE(app::NewSaveDialog(nullptr, {filter, "avi", "Pictures_Video"})->defaultSuffix(), QString("avi"));
}

void MainWindowTest::unusableSettingsRefuseTheWindow() {
  TAnsweringDesktop desktop;
  auto refuses = [&](const fs::path& folder, const QString& fragment) {
    try {
      TFormMain form("Lanternslide", folder.string(), desktop);
    } catch (const app::SettingsError& e) {
      return QString(e.what()).contains(fragment);
    }
    return false;
  };
  fs::path folder = MakeProgramFolder("no-skin");
  fs::remove_all(folder / "sounds");
  QVERIFY(refuses(folder, "main.bmp"));

  folder = MakeProgramFolder("no-settings");
  fs::remove(folder / app::kSettingsFileName);
  QVERIFY(refuses(folder, "kelvane.dll"));

  folder = MakeProgramFolder("bad-skin-number");
  std::ofstream(folder / app::kSettingsFileName, std::ios::binary)
      << app::DecodeSettingsLine("[SYSTEM]") << "\r\n" << app::DecodeSettingsLine("Skin=blue") << "\r\n";
  QVERIFY(refuses(folder, "Skin"));
  QVERIFY(desktop.started.isEmpty());
}

void MainWindowTest::programRefusesToStartWithoutSettings() {
  const fs::path folder = Scratch("bare-program");
  fs::copy_file(fs::path(app::ExecutableFolder()) / "lanternslide", folder / "lanternslide");
  QProcess program;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove("DISPLAY");
  env.remove("WAYLAND_DISPLAY");
  env.remove("QT_QPA_PLATFORM");
  program.setProcessEnvironment(env);
  program.start(QString::fromStdString((folder / "lanternslide").string()), {});
  QVERIFY(program.waitForFinished(20000));
  QCOMPARE(program.exitStatus(), QProcess::NormalExit);
  QCOMPARE(program.exitCode(), 1);
  const QString err = QString::fromLocal8Bit(program.readAllStandardError());
  QVERIFY2(err.contains("kelvane.dll"), qPrintable(err));
}
