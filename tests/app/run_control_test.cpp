// Encoding runs driven through the window's buttons with answered dialogs,
// on the real encoder, engine and media libraries.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <fstream>

#include "app/main_window.h"
#include "app/run_options.h"
#include "media/binding/ff_loader.h"
#include "app_test_support.h"
#include "app_tests.h"

using namespace apptest;
using app::TFormMain;

namespace {

struct Window {
  TAnsweringDesktop desktop;
  fs::path folder;
  std::unique_ptr<TFormMain> form;
  explicit Window(const std::string& name, const std::vector<std::string>& moreSettings = {})
      : folder(MakeProgramFolder(name)) {
    AppendSettings(folder, moreSettings);
    form = std::make_unique<TFormMain>("Lanternslide", folder.string(), desktop);
    QCoreApplication::processEvents();
    // Short, quick runs unless a test asks otherwise; the video ends with
    // its last frame rather than with a stop request at the end of the pictures.
    Get<QLineEdit>("edtPictureDelay")->setText("0.2");
    Get<QLineEdit>("edtTransitionDelay")->setText("0.1");
    Get<QCheckBox>("chkPreview")->setChecked(false);
    Get<QCheckBox>("chkPictures")->setChecked(false);
    // Count the final records, after the window has seen them.
    auto window = form->Encoder().OnTerminate.Get();
    form->Encoder().OnTerminate = [this, window](encoder::TCustomEncoder* s, const encoder::TTerminateInfo& t) {
      (*window)(s, t);
      if (t.TaskIndex < 0) ++finals;
    };
  }
  int finals = 0;
  template <class T = QWidget>
  T* Get(const char* name) {
    T* w = form->findChild<T*>(name);
    if (!w) qFatal("no control %s", name);
    return w;
  }
  void Click(const char* name) { QTest::mouseClick(Get<QPushButton>(name), Qt::LeftButton); }
  bool Enabled(const char* name) { return Get(name)->isEnabled(); }
  // The log's lines; each ends with a line break.
  QStringList LogLines() {
    QStringList lines = Get<QPlainTextEdit>("mmoLog")->toPlainText().split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
  }

  // Pictures, then "Output" answered with the file name.
  void Prepare(const std::vector<std::string>& pictures, const fs::path& output) {
    QStringList names;
    for (const auto& p : pictures) names << QString::fromStdString(p);
    desktop.openAnswers.push_back(names);
    Click("btnPictures");
    desktop.saveAnswers.push_back(QString::fromStdString(output.string()));
    Click("btnOpen");
  }
  // Waits for the final record of the run started last.
  bool WaitForEnd(int ms = 60000) {
    QElapsedTimer timer;
    timer.start();
    while (finals == finalsSeen && timer.elapsed() < ms) QTest::qWait(20);
    finalsSeen = finals;
    return form->Encoder().AllEnded();
  }
  int finalsSeen = 0;
};

}  // namespace

// Must run before anything in this process loads the media libraries.
void RunControlTest::firstOutputWithoutLibraries() {
  Window w("no-libraries");
  // A library in the program's own folder that cannot be loaded.
  fs::create_directories(w.folder / "lib");
  std::ofstream(w.folder / "lib" / media::TFFLoader::LibraryFileName(media::liAVCodec)) << "not a library";
  QCOMPARE(w.form->LibraryFolder(), (w.folder / "lib").string());
  QVERIFY(!w.form->Encoder().LibrariesLoaded());
  w.Prepare(MakePictures(Scratch("no-libraries-pictures"), 1), w.folder / "out.avi");
  QVERIFY(w.desktop.saveRequests.empty());
  const QStringList lines = w.LogLines();
  QCOMPARE(lines.size(), 1);  // one line, no empty lines around it
  QVERIFY2(lines[0].startsWith("Load library " + QString::fromStdString((w.folder / "lib").string())),
           qPrintable(lines[0]));
  QVERIFY(!w.Enabled("btnStart"));
  QVERIFY(w.Enabled("btnOpen"));

  // The next click tries again: what the folder lacks comes from the system.
  fs::remove_all(w.folder / "lib" / media::TFFLoader::LibraryFileName(media::liAVCodec));
  w.desktop.saveAnswers.push_back(QString::fromStdString((w.folder / "out.avi").string()));
  w.Click("btnOpen");
  QVERIFY(w.form->Encoder().LibrariesLoaded());
  QCOMPARE(int(w.desktop.saveRequests.size()), 1);
  QCOMPARE(w.desktop.saveRequests[0].FileName, QString("Pictures_Video.avi"));
  QCOMPARE(w.desktop.saveRequests[0].Filter, QString("AVI format(*.avi)|*.avi"));
  QCOMPARE(w.desktop.saveRequests[0].DefaultExt, QString("avi"));
  QVERIFY(w.Enabled("btnStart"));
  QCOMPARE(QApplication::focusWidget(), w.Get("btnStart"));
  QCOMPARE(w.Get<QLabel>("txtOutput")->text(), QString::fromStdString((w.folder / "out.avi").string()));
}

void RunControlTest::optionStrings() {
  QCOMPARE(app::InputOptionString("30/1", "320x240"),
           std::string("-f frameinput -re -input_type canvas -pix_fmt bgra -r 30/1 -s 320x240"));
  QCOMPARE(app::OutputOptionString("25/1", "640x480"),
           std::string("-c:v libx264 -c:a libmp3lame -r 25/1 -s 640x480"));
}

void RunControlTest::successfulStartAndARealRun() {
  Window w("real-run");
  const fs::path output = w.folder / "show.avi";
  w.Prepare(MakePictures(w.folder, 3), output);
  w.Click("btnStart");
  // empty, the video input's information, empty, "***Can do convert.", empty
  QStringList lines = w.LogLines();
  QVERIFY2(lines.size() >= 6, qPrintable(lines.join('|')));
  QCOMPARE(lines.first(), QString());
  QVERIFY2(lines[1].startsWith("File Name: "), qPrintable(lines[1]));
  QCOMPARE(lines[2], QString("Format Name: frameinput"));
  QCOMPARE(lines.mid(lines.size() - 3), QStringList({"", "***Can do convert.", ""}));
  QCOMPARE(lines.indexOf(QString(), 1), lines.size() - 3);
  QVERIFY(!lines.join('\n').contains("Audio"));

  QVERIFY(!w.Enabled("btnOpen") && !w.Enabled("btnStart") && w.Enabled("btnStop") && w.Enabled("btnPause"));
  QVERIFY(!w.Enabled("btnResume") && !w.Enabled("btnPictures") && !w.Enabled("btnClear") && !w.Enabled("btnAudio"));
  QVERIFY(!w.Enabled("edtPictureDelay") && !w.Enabled("edtTransitionDelay") && !w.Enabled("chkRandomEffect"));
  QVERIFY(w.Enabled("cboFrameRate") && w.Enabled("chkPreview") && w.Enabled("chkPictures"));
  QCOMPARE(QApplication::focusWidget(), w.Get("btnStop"));

  QVERIFY(w.WaitForEnd());
  QVERIFY(w.desktop.warnings.isEmpty());
  QVERIFY2(w.Get<QLabel>("lblStatus")->text().startsWith("Frame number: "),
           qPrintable(w.Get<QLabel>("lblStatus")->text()));
  QVERIFY(w.Enabled("btnOpen") && !w.Enabled("btnStart") && !w.Enabled("btnStop"));
  QVERIFY(!w.Enabled("btnPause") && !w.Enabled("btnResume"));
  QVERIFY(w.Enabled("btnPictures") && w.Enabled("btnClear") && w.Enabled("btnAudio"));
  QVERIFY(w.Enabled("edtPictureDelay") && w.Enabled("chkRandomEffect"));

  const FileFacts facts = ReadFile(output.string());
  QVERIFY(facts.opened);
  QCOMPARE(facts.videoFrames, int(w.form->Timeline().TotalFrames()));
  QCOMPARE(facts.audioStreams, 0);
  QCOMPARE(facts.width, 320);
  QCOMPARE(facts.height, 240);

  // "Output" again proposes the last name and enables "Start".
  w.desktop.saveAnswers.push_back(QString::fromStdString(output.string()));
  w.Click("btnOpen");
  QCOMPARE(w.desktop.saveRequests.back().FileName, QString::fromStdString(output.string()));
  QVERIFY(w.Enabled("btnStart"));
}

void RunControlTest::runWithSoundAtAnotherRateAndSize() {
  Window w("sound-run");
  const fs::path wav = w.folder / "track.wav";
  WriteWav(wav, 0.5);
  w.desktop.openAnswers.push_back({QString::fromStdString(wav.string())});
  w.Click("btnAudio");
  w.Get<QComboBox>("cboFrameRate")->setCurrentText("25/1");
  w.Get<QComboBox>("cboFrameSize")->setCurrentText("640x480");
  const fs::path output = w.folder / "show.mkv";
  w.Prepare(MakePictures(w.folder, 2), output);
  w.Click("btnStart");
  // ... then empty, the sound file's information, before the closing block
  const QStringList lines = w.LogLines();
  const int audioAt = int(lines.indexOf("File Name: " + QString::fromStdString(wav.string())));
  QVERIFY2(audioAt > 2, qPrintable(lines.join('|')));
  QCOMPARE(lines[audioAt - 1], QString());
  QCOMPARE(lines.indexOf(QString(), 1), audioAt - 1);  // one empty line between the entries
  QCOMPARE(lines.indexOf(QString(), audioAt), lines.size() - 3);
  QCOMPARE(lines.mid(lines.size() - 3), QStringList({"", "***Can do convert.", ""}));
  QVERIFY(w.WaitForEnd());
  const FileFacts facts = ReadFile(output.string());
  QVERIFY(facts.opened);
  QCOMPARE(facts.audioStreams, 1);
  QCOMPARE(facts.width, 640);
  QCOMPARE(facts.height, 480);
  QCOMPARE(facts.frameRate, 25.0);
  QCOMPARE(facts.videoFrames, int(w.form->Timeline().TotalFrames()));

  // After "Clear" the sound is not used.
  w.Click("btnClear");
  w.Prepare(MakePictures(w.folder, 1), w.folder / "silent.mkv");
  w.Click("btnStart");
  QCOMPARE(w.LogLines().last(), QString());
  QVERIFY(w.WaitForEnd());
  QCOMPARE(ReadFile((w.folder / "silent.mkv").string()).audioStreams, 0);
}

void RunControlTest::pauseThenStop() {
  Window w("pause-stop");
  w.Get<QLineEdit>("edtPictureDelay")->setText("3.0");
  w.Prepare(MakePictures(w.folder, 2), w.folder / "paused.avi");
  // See the buttons as the final record arrives.
  bool pauseAtEnd = true, resumeAtEnd = false, sawFinal = false;
  auto original = w.form->Encoder().OnTerminate.Get();
  w.form->Encoder().OnTerminate = [&, original](encoder::TCustomEncoder* s, const encoder::TTerminateInfo& t) {
    if (t.TaskIndex < 0) {
      sawFinal = true;
      pauseAtEnd = w.Enabled("btnPause");
      resumeAtEnd = w.Enabled("btnResume");
    }
    (*original)(s, t);
  };
  w.Click("btnStart");
  QTest::qWait(300);
  w.Click("btnPause");
  QVERIFY(!w.Enabled("btnPause") && w.Enabled("btnResume"));
  QVERIFY(w.form->Encoder().Paused());
  w.Click("btnStop");
  QVERIFY(!w.Enabled("btnStop"));
  QVERIFY(w.WaitForEnd(20000));
  QVERIFY(sawFinal);
  QVERIFY(!pauseAtEnd);
  QVERIFY(resumeAtEnd);
  QVERIFY(!w.Enabled("btnPause") && !w.Enabled("btnResume") && w.Enabled("btnOpen"));
}

void RunControlTest::errorDuringRunShowsMessageBeforeFinalRecord() {
  Window w("broken-picture");
  std::vector<std::string> pictures = MakePictures(w.folder, 2);
  const fs::path broken = w.folder / "broken.jpg";
  std::ofstream(broken, std::ios::binary) << "\xFF\xD8\xFF\xE0 not a picture at all";
  pictures.push_back(broken.string());
  QStringList journal;
  w.desktop.journal = &journal;
  auto original = w.form->Encoder().OnTerminate.Get();
  w.form->Encoder().OnTerminate = [&, original](encoder::TCustomEncoder* s, const encoder::TTerminateInfo& t) {
    (*original)(s, t);
    if (t.TaskIndex < 0) journal << "final";
  };
  w.Prepare(pictures, w.folder / "broken.avi");
  w.Click("btnStart");
  QVERIFY(w.WaitForEnd());
  QCOMPARE(journal.size(), 2);
  QVERIFY2(journal[0].startsWith("warning: ") && journal[0].contains("broken.jpg"), qPrintable(journal[0]));
  QCOMPARE(journal[1], QString("final"));
  QCOMPARE(w.desktop.warningCaptions.first(), QString("Lanternslide"));
  // The run's error is logged at level 0 as well.
  QVERIFY(w.LogLines().filter(QRegularExpression("^#\\d+\\.0: ")).size() >= 1);
  // The two good pictures were encoded; the file plays them, and both the
  // message and the log say so.
  const std::string output = (w.folder / "broken.avi").string();
  const FileFacts facts = ReadFile(output);
  QVERIFY(facts.opened);
  QVERIFY(facts.videoFrames > 0);
  const QString kept = QString("\"%1\" holds the video up to the error (%2 frames).")
                           .arg(QString::fromStdString(output))
                           .arg(facts.videoFrames);
  QVERIFY2(journal[0].endsWith("\n\n" + kept), qPrintable(journal[0]));
  QVERIFY(w.LogLines().contains("***" + kept));
}

void RunControlTest::refusedStarts() {
  Window w("refusals");
  w.Prepare(MakePictures(w.folder, 1), w.folder / "out.avi");
  QVERIFY(w.Enabled("btnStart"));

  // A text file and a picture dressed up as sound.
  const fs::path text = w.folder / "notes.wav";
  std::ofstream(text) << "these are not sounds\n";
  const fs::path picture = w.folder / "photo.wav";
  fs::copy_file(MakePictures(Scratch("refusals-photo"), 2)[1], picture);
  for (const fs::path& sound : {text, picture}) {
    w.desktop.openAnswers.push_back({QString::fromStdString(sound.string())});
    w.Click("btnAudio");
    w.desktop.warnings.clear();
    w.Click("btnStart");
    QCOMPARE(w.desktop.warnings.size(), 1);
    QVERIFY2(w.desktop.warnings[0].contains(QString::fromStdString(sound.string())), qPrintable(w.desktop.warnings[0]));
    QVERIFY(w.LogLines().contains("***Cannot start: " + w.desktop.warnings[0]));
    QVERIFY(w.Enabled("btnStart") && !w.Enabled("btnStop"));
    QCOMPARE(w.form->Encoder().TaskCount(), 0);
  }

  // An output folder that does not exist.
  w.Click("btnClear");
  w.Prepare(MakePictures(w.folder, 1), w.folder / "missing" / "out.avi");
  w.desktop.warnings.clear();
  w.Click("btnStart");
  QCOMPARE(w.desktop.warnings.size(), 1);
  QVERIFY(w.desktop.warnings[0].contains("missing"));
  QVERIFY(!w.Enabled("btnStop"));

  // "Clear" leaves "Start" on; an empty list is refused with a log line.
  w.Click("btnClear");
  QVERIFY(w.Enabled("btnStart"));
  w.Click("btnStart");
  QVERIFY(w.LogLines().contains("***Cannot start: The picture list is empty; add pictures first."));
  QVERIFY(!w.Enabled("btnStop"));
  QCOMPARE(w.form->Encoder().TaskCount(), 0);
}

void RunControlTest::closingDuringARunLeavesAPlayableFile() {
  Window w("close-running");
  w.Get<QLineEdit>("edtPictureDelay")->setText("3.0");
  w.Get<QCheckBox>("chkPreview")->setChecked(true);
  const fs::path output = w.folder / "closed.avi";
  w.Prepare(MakePictures(w.folder, 3), output);
  w.Click("btnStart");
  const QRegularExpression status("^Frame number: (\\d+); FPS: -?\\d+; Size: \\d+; Time: \\d+$");
  QTRY_VERIFY_WITH_TIMEOUT(status.match(w.Get<QLabel>("lblStatus")->text()).captured(1).toInt() > 10, 15000);
  // The preview shows the frames at their size, the time in its caption.
  QPointer<QWidget> preview;
  for (QWidget* top : QApplication::topLevelWidgets())
    if (top->objectName() == "PreviewForm" && top->isVisible()) preview = top;
  QVERIFY(preview);
  QCOMPARE(preview->size(), QSize(320, 240));
  QVERIFY2(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d$").match(preview->windowTitle()).hasMatch(),
           qPrintable(preview->windowTitle()));
  // Closing the preview ends previewing, not the run; checking the box again
  // opens a new one.
  auto visiblePreviews = [] {
    int n = 0;
    for (QWidget* top : QApplication::topLevelWidgets()) n += top->objectName() == "PreviewForm" && top->isVisible();
    return n;
  };
  preview->close();
  const int frameAtClose = status.match(w.Get<QLabel>("lblStatus")->text()).captured(1).toInt();
  QTRY_VERIFY_WITH_TIMEOUT(status.match(w.Get<QLabel>("lblStatus")->text()).captured(1).toInt() > frameAtClose + 5,
                           10000);
  QCOMPARE(visiblePreviews(), 0);
  QVERIFY(w.Enabled("btnStop"));
  QTest::mouseClick(w.Get("chkPreview"), Qt::LeftButton, {}, QPoint(5, 8));
  QVERIFY(!w.form->Encoder().Preview());
  QTest::mouseClick(w.Get("chkPreview"), Qt::LeftButton, {}, QPoint(5, 8));
  QVERIFY(w.form->Encoder().Preview());
  QTRY_COMPARE_WITH_TIMEOUT(visiblePreviews(), 1, 5000);

  QVERIFY(w.form->close());
  QVERIFY(!w.form->isVisible());
  const FileFacts facts = ReadFile(output.string());
  QVERIFY(facts.opened);
  QVERIFY(facts.videoFrames > 0);
  QVERIFY(facts.videoFrames < int(w.form->Timeline().TotalFrames()));
}

void RunControlTest::pictureSwitchesFromTheSettingsFile() {
  for (const bool on : {false, true}) {
    Window w(on ? "switches-on" : "switches-off",
             {on ? "ExifOrientation=1" : "ExifOrientation=0", on ? "SmoothFit=1" : "SmoothFit=0"});
    w.Prepare(MakePictures(w.folder, 1), w.folder / "out.avi");
    w.Click("btnStart");
    QCOMPARE(w.form->Timeline().ExifOrientation, on);
    QCOMPARE(w.form->Timeline().SmoothFit, on);
    QVERIFY(w.WaitForEnd());
  }
}
