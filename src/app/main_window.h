// The program's main window: a skinned borderless window with the picture
// list, the audio and output choices, the timing and format settings, the
// buttons that drive an encoding run, a log pane and a status line.
#pragma once

#include <QImage>
#include <QString>
#include <QWidget>
#include <memory>
#include <optional>
#include <string>

#include "app/picture_check.h"
#include "app/run_values.h"
#include "app/settings_file.h"
#include "app/window_drag.h"
#include "encoder/ff_encoder.h"
#include "media/binding/ff_logger.h"
#include "media/frame_source/frame_input_adapter.h"
#include "slideshow/show.h"
#include "slideshow/slideshow_timeline.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QTemporaryDir;

namespace app {

class TDesktopServices;
class TSkinButton;

constexpr int kMainWidth = 772;
constexpr int kMainHeight = 412;
constexpr const char* kDefaultOutputName = "Pictures_Video.avi";

class TFormMain : public QWidget {
 public:
  // Reads the settings and the skin from exeFolder; throws SettingsError
  // when they cannot be used (the program then refuses to start).
  TFormMain(const QString& title, const std::string& exeFolder, TDesktopServices& desktop);
  ~TFormMain() override;

  QString Title() const { return title_; }
  // Checks each picture and adds those that can be read; the others are
  // named, with their reasons, in one message.
  void AddPictures(const QStringList& files);
  // Where "Output" loads the media libraries from: the executable's "lib" folder.
  std::string LibraryFolder() const;
  // Where the help menu pops up: just below the help button.
  QPoint HelpMenuPosition() const;
  // The encoder, for tests that wait for a run to end.
  encoder::TFFEncoder& Encoder() { return *FFEncoder; }
  const slideshow::TSlideshowTimeline& Timeline() const { return *timeline_; }

  // Picture list and audio (the window's own handlers).
  void btnPicturesClick();
  void btnAudioClick();
  void btnClearClick();
  void ButtonMinClick();
  void ButtonCloseClick();

  // Encoding run control.
  void btnOpenClick();
  void btnStartClick();
  void btnStopClick();
  void btnPauseClick();
  void btnResumeClick();
  void chkPreviewClick();
  void FFEncoderProgress(encoder::TCustomEncoder* Sender, encoder::PProgressInfo AProgressInfo);
  void FFEncoderTerminate(encoder::TCustomEncoder* Sender, const encoder::TTerminateInfo& ATerminateInfo);
  void FFLoggerLog(const void* Sender, uint32_t AThreadID, media::TLogLevel ALogLevel,
                   const std::string& ALogMsg);

  // Help menu and About box.
  void ButtonHelpClick();
  void menuHelpContentClick();
  void menuHowToClick();
  void menuHomePageClick();
  void menuMoreFreeToolsClick();
  void menuCheckUpdatesClick();
  void menuContactClick();
  void menuAboutClick();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void FormCreate();
  void ReadSettings();
  void WMUserStart();
  void CreateControls();
  void CreateHelpMenu();
  void SetTabOrder();
  void FormCloseQuery();

  // Start stages; each logs why it refuses and returns false.
  bool CheckStartInputs();
  int OpenVideoInput();
  bool OpenAudioInput(int task);
  bool SetTaskOutput(int task);
  void EnterRunningState();

  int FIAReadFrameCanvas(gfx::Canvas& ACanvas);
  void Log(const QString& line);
  void LogBlock(const QString& text);
  void LogEntry(const std::string& text);
  void UpdateOutputEnabled();
  void SetUpPictureList();
  QList<TPictureCheck> CheckPictures(const QStringList& files);
  void RemoveSelectedPictures();
  void MoveCurrentPicture(int step);
  void PictureListEdited();

  // Show files.
  void SetUpShowFiles();
  void OpenShowClick();
  void SaveShowClick();
  slideshow::Show WindowShow() const;
  slideshow::TimelineSettings CheckedSettings() const;
  static char DecimalSeparator();
  void SetRunControlsEnabled(bool idle);

  // End of a run: what happened, where the video is, and a way to it.
  void ReportRunEnd();
  void ShowRunEndStatus(const QString& what, bool withLinks);
  void StatusLinkActivated(const QString& link);

  QString title_;
  std::string exeFolder_;
  TDesktopServices& desktop_;
  QImage skin_;
  TWindowDrag drag_;
  bool closed_ = false;
  QString saveFileName_;  // the save dialog's file name
  TRunValues values_;     // the checked texts of the last start
  std::unique_ptr<QTemporaryDir> thumbnails_;  // the list's tooltip pictures
  int thumbnailCount_ = 0;
  // The show opened last, while its pictures' own values still hold.
  std::optional<slideshow::Show> show_;
  QString showPath_;
  // The run under way or last ended; all on the main thread.
  struct TRunState {
    bool running = false;
    bool stoppedByUser = false;
    bool failed = false;
    QString error;
    QString output;  // the file the run writes
  } run_;

  // Components.
  // Declared so that the encoder, whose tasks use the adapter and log
  // through the logger, is destroyed first.
  std::unique_ptr<media::TFFLogger> FFLogger;
  std::unique_ptr<media::TFrameInputAdapter> FIA;
  std::unique_ptr<slideshow::TSlideshowTimeline> timeline_;
  std::unique_ptr<encoder::TFFEncoder> FFEncoder;

  // Controls, named as the form names them.
  TSkinButton* btnOpen = nullptr;
  TSkinButton* btnStart = nullptr;
  TSkinButton* btnStop = nullptr;
  TSkinButton* btnPause = nullptr;
  TSkinButton* btnResume = nullptr;
  TSkinButton* btnPictures = nullptr;
  TSkinButton* btnClear = nullptr;
  TSkinButton* btnAudio = nullptr;
  QListWidget* lstPictures = nullptr;
  QLabel* txtAudio = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* txtOutput = nullptr;
  QCheckBox* chkPreview = nullptr;
  QCheckBox* chkPictures = nullptr;
  QLabel* Label2 = nullptr;
  QLineEdit* edtPictureDelay = nullptr;
  QLabel* Label3 = nullptr;
  QLineEdit* edtTransitionDelay = nullptr;
  QCheckBox* chkRandomEffect = nullptr;
  QLabel* Label4 = nullptr;
  QComboBox* cboFrameRate = nullptr;
  QLabel* Label5 = nullptr;
  QComboBox* cboFrameSize = nullptr;
  QPlainTextEdit* mmoLog = nullptr;
  QLabel* lblStatus = nullptr;
  TSkinButton* ButtonMin = nullptr;
  TSkinButton* ButtonHelp = nullptr;
  TSkinButton* ButtonClose = nullptr;
  QMenu* PopupMenuHelp = nullptr;
};

}  // namespace app
