// The scrambled settings file beside the executable and the values the
// program reads from it. Toolkit-free, so its rules are tested without Qt.
#pragma once

#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace app {

// The settings file cannot be read or holds a value that cannot be used.
class SettingsError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

constexpr const char* kSettingsFileName = "kelvane.dll";
constexpr const char* kSettingsSection = "SYSTEM";

// The folder of the running executable with a trailing "/".
std::string ExecutableFolder();

// A folder path with exactly one trailing delimiter. Settings values written
// for Windows end in "\", which counts as the delimiter too and becomes "/".
std::string WithTrailingBackslash(std::string path);

// exeFolder (with or without its delimiter) + "kelvane.dll".
std::string SettingsPath(const std::string& exeFolder);
std::string SettingsPath();

// Every byte complemented; the same routine encodes and decodes.
std::string DecodeSettingsLine(std::string_view line);

// The file's lines as stored: the text ends at the first zero byte, lines
// break at CR LF, CR or LF (a final break adds no empty line).
std::vector<std::string> SplitSettingsText(std::string_view text);

// INI text held in memory: sections and keys without regard to letter case,
// lines before the first section ignored, a missing key reads as "".
class TIniText {
 public:
  explicit TIniText(const std::vector<std::string>& lines);
  std::string ReadString(std::string_view section, std::string_view key) const;
  bool HasSection(std::string_view section) const;

 private:
  std::map<std::string, std::map<std::string, std::string>> sections_;  // lower-case names
};

// Reads and decodes the settings file. Throws SettingsError naming the file
// when it cannot be read.
TIniText ReadSettingsFile(const std::string& path);

// The values read when the main window is created ("Name" is the
// application title and is kept apart).
struct TGlobalVars {
  std::string Version;
  std::string Copyright;
  int Skin = 0;
  std::string ResFolder;
  std::string HelpContectLink;
  std::string HelpHowTosTutorialVideosLink;
  std::string HelpHomePageLink;
  std::string HelpMoreFreeToolsLink;
  std::string HelpCheckForUpdatesLink;
  std::string HelpSupportLink;
  // Picture reading of the slideshow: "1" or "0"; empty or anything else
  // keeps the default.
  bool ExifOrientation = true;
  bool SmoothFit = false;
};

// Reads the keys of section "SYSTEM" in their fixed order. A "Skin" value
// that is no decimal integer throws SettingsError.
TGlobalVars ReadGlobalVars(const TIniText& ini);

// The process-wide values: filled once at main-window creation.
const TGlobalVars& Globals();
void SetGlobals(const TGlobalVars& values);

// <exeFolder>/sounds/<resFolder>/main.bmp
std::string SkinPicturePath(const std::string& exeFolder, const std::string& resFolder);

}  // namespace app
