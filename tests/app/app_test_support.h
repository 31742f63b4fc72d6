// What the window tests share: a desktop whose dialogs answer from queues and
// which records what it was asked, a program folder with the generated
// settings file and skin, and generated pictures and sounds.
#pragma once

#include <QStringList>
#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "app/desktop_services.h"

namespace apptest {

namespace fs = std::filesystem;

class TAnsweringDesktop : public app::TDesktopServices {
 public:
  // Answers, used front first; an empty queue answers "cancelled".
  std::deque<QStringList> openAnswers;
  std::deque<QString> saveAnswers;
  std::deque<app::TAfterRun> afterRunAnswers;  // the first, or "Close"

  // What was asked.
  std::vector<app::TOpenDialogRequest> openRequests;
  std::vector<app::TSaveDialogRequest> saveRequests;
  QStringList opened;    // links and documents
  QStringList started;   // programs
  QStringList warnings;  // message box texts
  QStringList warningCaptions;
  QStringList finishedTexts;  // the box after a finished run
  // Shared sequence of notable events, for order checks.
  QStringList* journal = nullptr;

  void OpenWithShell(const QString& target) override { opened << target; }
  void StartProgram(const QString& path) override { started << path; }
  QStringList OpenFiles(QWidget*, const app::TOpenDialogRequest& request) override {
    openRequests.push_back(request);
    if (openAnswers.empty()) return {};
    QStringList answer = openAnswers.front();
    openAnswers.pop_front();
    return answer;
  }
  QString SaveFile(QWidget*, const app::TSaveDialogRequest& request) override {
    saveRequests.push_back(request);
    if (saveAnswers.empty()) return {};
    QString answer = saveAnswers.front();
    saveAnswers.pop_front();
    return answer;
  }
  void Warning(QWidget*, const QString& caption, const QString& text) override {
    warningCaptions << caption;
    warnings << text;
    if (journal) *journal << "warning: " + text;
  }
  app::TAfterRun RunFinished(QWidget*, const QString&, const QString& text) override {
    finishedTexts << text;
    return afterRunAnswers.empty() ? app::TAfterRun::Close : afterRunAnswers.front();
  }
};

// A fresh folder for this test process.
fs::path Scratch(const std::string& name);

// A copy of the program's folder: settings file, icon and skin beside it.
fs::path MakeProgramFolder(const std::string& name);
// Adds lines to the end of the folder's settings file, scrambled like the rest.
void AppendSettings(const fs::path& folder, const std::vector<std::string>& lines);

// Pictures of different content and size: BMP and JPEG.
std::vector<std::string> MakePictures(const fs::path& dir, int count);
void WriteWav(const fs::path& path, double seconds);

struct FileFacts {
  bool opened = false;
  int videoFrames = 0;  // decoded
  int audioStreams = 0;
  int width = 0, height = 0;
  double frameRate = 0;
};
// Decodes every video frame of the file (libraries must be loaded).
FileFacts ReadFile(const std::string& path);

// Text against its background as rendered, for every enabled label and button
// with text: the most frequent colour of its area against the colour farthest
// from it (contrast 1 to 21, as the accessibility guidelines count it).
struct TextContrast {
  double lowest = 21;
  QString worst;  // the control's object name or text
  int measured = 0;
};
TextContrast MeasureTextContrast(QWidget* window);

}  // namespace apptest
