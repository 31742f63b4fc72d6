// The main window's side of an encoding run: libraries and output choice,
// building and starting the task, pause/resume/stop and the encoder's reports.
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <cstdio>

#include "app/desktop_services.h"
#include "app/main_window.h"
#include "app/media_probe.h"
#include "app/run_options.h"
#include "app/run_values.h"
#include "app/skin_button.h"
#include "encoder/ff_decoder.h"

namespace app {
namespace {

// AVI first, as before; the container follows the chosen name's extension.
const char* const kOutputFilter = "AVI format(*.avi)|*.avi|MP4 format(*.mp4)|*.mp4|MKV format(*.mkv)|*.mkv";

std::string Text(const QString& s) { return s.toStdString(); }

}  // namespace

char TFormMain::DecimalSeparator() {
  const QString point = QLocale::system().decimalPoint();
  return point.size() == 1 && point[0].unicode() < 128 ? char(point[0].unicode()) : '.';
}

// A library missing there (or the whole folder) is looked for in the system's
// places, so an installed program uses Debian's libraries.
std::string TFormMain::LibraryFolder() const { return exeFolder_ + "lib"; }

// Every line ends with its line break, so that a leading empty line shows.
void TFormMain::Log(const QString& line) {
  QTextCursor end(mmoLog->document());
  end.movePosition(QTextCursor::End);
  end.insertText(line + '\n');
  mmoLog->verticalScrollBar()->setValue(mmoLog->verticalScrollBar()->maximum());
}

// A text of several lines as one entry; its own final line break is the entry's.
void TFormMain::LogEntry(const std::string& text) {
  QString entry = QString::fromStdString(text);
  if (entry.endsWith('\n')) entry.chop(1);
  Log(entry);
}

void TFormMain::LogBlock(const QString& text) {
  Log({});
  Log(text);
  Log({});
}

void TFormMain::btnOpenClick() {
  if (!FFEncoder->LibrariesLoaded()) {
    if (!FFEncoder->LoadLibraries(LibraryFolder())) {
      Log(QString::fromStdString(FFEncoder->LastErrorMessage()));
      return;
    }
    media::RegisterFrameInputFormat();
  }
  if (saveFileName_.isEmpty()) saveFileName_ = kDefaultOutputName;
  const QString chosen = desktop_.SaveFile(this, {kOutputFilter, "avi", saveFileName_});
  if (chosen.isEmpty()) return;
  saveFileName_ = chosen;
  txtOutput->setText(chosen);
  btnStart->setEnabled(true);
  btnStart->setFocus();
}

// Refusals that would otherwise surface only in the middle of a run or as a
// broken file: no pictures, an unwritable output folder, a sound file
// without sound; a frame size, rate or delay that cannot be used.
bool TFormMain::CheckStartInputs() {
  auto refuse = [this](const QString& why) {
    LogBlock("***Cannot start: " + why);
    desktop_.Warning(this, title_, why);
    return false;
  };
  if (lstPictures->count() == 0) return refuse("The picture list is empty; add pictures first.");
  try {
    values_ = CheckRunValues(Text(cboFrameSize->currentText()), Text(cboFrameRate->currentText()),
                             Text(edtPictureDelay->text()), Text(edtTransitionDelay->text()),
                             DecimalSeparator());
  } catch (const TRunValueError& e) {
    return refuse(QString::fromStdString(e.what()));
  }
  const QFileInfo output(saveFileName_);
  const QFileInfo folder(output.absolutePath());
  if (!folder.isDir() || !folder.isWritable())
    return refuse(QString("The output folder \"%1\" cannot be written.").arg(output.absolutePath()));
  const QString audio = txtAudio->text();
  if (QFileInfo(audio).isFile()) {
    const std::string problem = ProbeAudioFile(Text(audio));
    if (!problem.empty()) return refuse(QString::fromStdString(problem));
  }
  return true;
}

int TFormMain::OpenVideoInput() {
  encoder::TInputOptions options;
  encoder::InitInputOptions(options);
  options.Options = InputOptionString(values_.FrameRate, values_.FrameSize);
  const int task = FFEncoder->AddTask(FIA->InputFileName(), &options);
  if (task < 0) {
    LogBlock("***File open error: " + QString::fromStdString(FFEncoder->LastErrorMessage()));
    return task;
  }
  Log({});
  LogEntry(FFEncoder->InputDecoder(task, 0)->StreamInfoText());
  return task;
}

bool TFormMain::OpenAudioInput(int task) {
  const QString audio = txtAudio->text();
  if (!QFileInfo(audio).isFile()) return true;  // "...", "-" or a vanished file: no sound
  if (FFEncoder->AddInput(task, Text(audio)) < 0) {
    LogBlock("***File open error: " + QString::fromStdString(FFEncoder->LastErrorMessage()));
    return false;
  }
  Log({});
  LogEntry(FFEncoder->InputDecoder(task, 1)->StreamInfoText());
  return true;
}

bool TFormMain::SetTaskOutput(int task) {
  encoder::TOutputOptions options;
  encoder::InitOutputOptions(options);
  options.Options = OutputOptionString(values_.FrameRate, values_.FrameSize);
  if (FFEncoder->SetOutput(task, Text(saveFileName_), &options) < 0) {
    FFEncoder->RemoveTask(task);
    LogBlock("***Cannot do convert, error: " + QString::fromStdString(FFEncoder->LastErrorMessage()));
    return false;
  }
  return true;
}

void TFormMain::EnterRunningState() {
  LogBlock("***Can do convert.");
  btnOpen->setEnabled(false);
  btnStart->setEnabled(false);
  btnStop->setEnabled(true);
  btnPause->setEnabled(true);
  btnResume->setEnabled(false);
  btnPictures->setEnabled(false);
  btnClear->setEnabled(false);
  btnAudio->setEnabled(false);
  lstPictures->setDragEnabled(false);  // the list stays as the run took it
  btnStop->setFocus();
  edtPictureDelay->setEnabled(false);
  edtTransitionDelay->setEnabled(false);
  chkRandomEffect->setEnabled(false);
}

// The checked values, so that the timeline counts what the engine encodes.
slideshow::TimelineSettings TFormMain::CheckedSettings() const {
  slideshow::TimelineSettings settings;
  settings.FrameSize = values_.FrameSize;
  settings.FrameRate = values_.FrameRate;
  settings.PictureDelay = values_.PictureDelay;
  settings.TransitionDelay = values_.TransitionDelay;
  settings.RandomEffects = chkRandomEffect->isChecked();
  settings.DecimalSeparator = '.';
  settings.ExifOrientation = Globals().ExifOrientation;
  settings.SmoothFit = Globals().SmoothFit;
  return settings;
}

void TFormMain::btnStartClick() {
  if (!CheckStartInputs()) return;
  timeline_->Pictures.clear();
  for (int i = 0; i < lstPictures->count(); ++i) timeline_->Pictures.push_back(Text(lstPictures->item(i)->text()));
  try {
    // An opened show keeps its pictures' own values until the list is edited.
    if (show_)
      timeline_->PrepareTimeline(WindowShow());
    else
      timeline_->PrepareTimeline(CheckedSettings());
  } catch (const std::exception& e) {
    LogBlock(QString("***Cannot start: ") + e.what());
    return;
  }
  FFEncoder->ClearTasks();
  const int task = OpenVideoInput();
  if (task < 0 || !OpenAudioInput(task) || !SetTaskOutput(task)) return;
  EnterRunningState();
  run_ = {true, false, false, {}, saveFileName_};
  FFEncoder->SetPreview(chkPreview->isChecked());
  FFEncoder->StartTask(1);
}

int TFormMain::FIAReadFrameCanvas(gfx::Canvas& ACanvas) {
  timeline_->BreakWhenNoPictures = chkPictures->isChecked();
  // The input's canvas keeps its frame: a repeat is neither painted nor,
  // further on, converted again.
  return int(timeline_->ReadFrameOntoKeptCanvas(ACanvas));
}

void TFormMain::btnStopClick() {
  btnStop->setEnabled(false);
  run_.stoppedByUser = true;
  FFEncoder->Stop(true);
}

void TFormMain::btnPauseClick() {
  btnPause->setEnabled(false);
  btnResume->setEnabled(true);
  FFEncoder->Pause();
}

void TFormMain::btnResumeClick() {
  btnPause->setEnabled(true);
  btnResume->setEnabled(false);
  FFEncoder->Resume();
}

void TFormMain::chkPreviewClick() { FFEncoder->SetPreview(chkPreview->isChecked()); }

void TFormMain::FFEncoderProgress(encoder::TCustomEncoder*, encoder::PProgressInfo AProgressInfo) {
  lblStatus->setText(QString::asprintf("Frame number: %d; FPS: %d; Size: %lld; Time: %lld",
                                       AProgressInfo->FrameNumber, AProgressInfo->FPS,
                                       static_cast<long long>(AProgressInfo->CurrentSize),
                                       static_cast<long long>(AProgressInfo->CurrentDuration)));
}

void TFormMain::FFEncoderTerminate(encoder::TCustomEncoder*, const encoder::TTerminateInfo& ATerminateInfo) {
  if (ATerminateInfo.TaskIndex < 0) {
    btnOpen->setEnabled(true);
    for (auto* b : {btnStart, btnStop, btnPause, btnResume}) b->setEnabled(false);
    for (auto* b : {btnPictures, btnClear, btnAudio}) b->setEnabled(true);
    lstPictures->setDragEnabled(true);
    edtPictureDelay->setEnabled(true);
    edtTransitionDelay->setEnabled(true);
    chkRandomEffect->setEnabled(true);
    ReportRunEnd();
    return;
  }
  if (!ATerminateInfo.ErrorOccurred) return;
  run_.failed = true;
  run_.error = QString::fromStdString(ATerminateInfo.ErrorMessage);
  QString text = run_.error;
  // The frames made before the error are the user's work: say where they are.
  if (!ATerminateInfo.KeptPart.empty()) {
    const QString kept = QString::fromStdString(ATerminateInfo.KeptPart);
    LogBlock("***" + kept);
    text += "\n\n" + kept;
  }
  desktop_.Warning(this, title_, text);
}

void TFormMain::FFLoggerLog(const void*, uint32_t AThreadID, media::TLogLevel ALogLevel,
                            const std::string& ALogMsg) {
  Log(QString("#%1.%2: %3").arg(AThreadID).arg(int(ALogLevel)).arg(QString::fromStdString(ALogMsg)));
}

void TFormMain::FormCloseQuery() {
  closed_ = true;
  // The window is going: the terminal that started it is the only place left
  // to say where the video is.
  if (run_.running)
    std::fprintf(stderr, "lanternslide: closed during a run; the video up to then is in \"%s\"\n",
                 qPrintable(run_.output));
  FFEncoder->OnProgress = nullptr;
  FFEncoder->OnTerminate = nullptr;
  FFEncoder->Stop(true);
  FFLogger->SetOnLog(nullptr);
  // The working pictures are not needed any more; the frame counts stay.
  for (gfx::Bitmap* b : {&timeline_->DecodeBitmap, &timeline_->OutgoingBitmap, &timeline_->IncomingBitmap,
                         &timeline_->CompositeBitmap})
    b->SetSize(0, 0);
}

}  // namespace app
