#include "app/settings_file.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace app {
namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  return out;
}

// Blanks and control characters, as the INI reader trims them.
std::string_view Trim(std::string_view text) {
  auto blank = [](unsigned char c) { return c <= ' '; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

int ParseSkin(const std::string& text) {
  const std::string_view t = Trim(text);
  int value = 0;
  const char* first = t.data();
  const char* last = t.data() + t.size();
  // One sign only: from_chars would take the "-5" of "+-5".
  if (!t.empty() && *first == '+' && t.size() > 1 && first[1] != '-') ++first;
  const auto [end, ec] = std::from_chars(first, last, value);
  if (t.empty() || ec != std::errc() || end != last) {
    // A stored 255 reads as a zero byte, which would cut the message short.
    const std::string shown = text.substr(0, text.find('\0'));
    throw SettingsError("'" + shown + "' is not a valid integer value (settings key \"Skin\")");
  }
  return value;
}

bool ParseSwitch(const std::string& text, bool fallback) {
  const std::string_view t = Trim(text);
  return t == "1" ? true : t == "0" ? false : fallback;
}

TGlobalVars& GlobalStore() {
  static TGlobalVars values;
  return values;
}

}  // namespace

std::string ExecutableFolder() {
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return "./";
  return WithTrailingBackslash(exe.parent_path().string());
}

std::string WithTrailingBackslash(std::string path) {
  if (!path.empty() && path.back() == '\\') path.back() = '/';
  if (path.empty() || path.back() != '/') path += '/';
  return path;
}

std::string SettingsPath(const std::string& exeFolder) {
  return WithTrailingBackslash(exeFolder) + kSettingsFileName;
}

std::string SettingsPath() { return SettingsPath(ExecutableFolder()); }

std::string DecodeSettingsLine(std::string_view line) {
  std::string out(line);
  for (char& c : out) c = char(~static_cast<unsigned char>(c));
  return out;
}

std::vector<std::string> SplitSettingsText(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t br = text.find_first_of("\r\n", start);
    if (br == std::string_view::npos) {
      lines.emplace_back(text.substr(start));
      break;
    }
    lines.emplace_back(text.substr(start, br - start));
    start = br + 1;
    if (text[br] == '\r' && start < text.size() && text[start] == '\n') ++start;
  }
  return lines;
}

TIniText::TIniText(const std::vector<std::string>& lines) {
  std::map<std::string, std::string>* current = nullptr;
  for (const std::string& raw : lines) {
    const std::string_view line = Trim(raw);
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[' && line.back() == ']' && line.size() >= 2) {
      current = &sections_[Lower(Trim(line.substr(1, line.size() - 2)))];
      continue;
    }
    if (!current) continue;
    const size_t eq = line.find('=');
    const std::string key = Lower(Trim(line.substr(0, eq)));
    const std::string_view value = eq == std::string_view::npos ? "" : Trim(line.substr(eq + 1));
    current->emplace(key, std::string(value));  // the first of a repeated key wins
  }
}

std::string TIniText::ReadString(std::string_view section, std::string_view key) const {
  const auto s = sections_.find(Lower(section));
  if (s == sections_.end()) return {};
  const auto k = s->second.find(Lower(key));
  return k == s->second.end() ? std::string() : k->second;
}

bool TIniText::HasSection(std::string_view section) const {
  return sections_.count(Lower(section)) != 0;
}

TIniText ReadSettingsFile(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec))
    throw SettingsError("Cannot read the settings file \"" + path + "\": it does not exist");
  std::ifstream in(path, std::ios::binary);
  if (!in) throw SettingsError("Cannot read the settings file \"" + path + "\": it cannot be opened");
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw SettingsError("Cannot read the settings file \"" + path + "\": read error");
  std::vector<std::string> lines = SplitSettingsText(text);
  for (std::string& line : lines) line = DecodeSettingsLine(line);
  return TIniText(lines);
}

TGlobalVars ReadGlobalVars(const TIniText& ini) {
  auto read = [&](const char* key) { return ini.ReadString(kSettingsSection, key); };
  TGlobalVars g;
  g.Version = read("Version");
  g.Copyright = read("Copyright");
  g.Skin = ParseSkin(read("Skin"));
  g.ResFolder = read("ResFolder");
  g.HelpContectLink = read("HelpContectLink");
  g.HelpHowTosTutorialVideosLink = read("HelpHowTosTutorialVideosLink");
  g.HelpHomePageLink = read("HelpHomePageLink");
  g.HelpMoreFreeToolsLink = read("HelpMoreFreeToolsLink");
  g.HelpCheckForUpdatesLink = read("HelpCheckForUpdatesLink");
  g.HelpSupportLink = read("HelpSupportLink");
  g.ExifOrientation = ParseSwitch(read("ExifOrientation"), g.ExifOrientation);
  g.SmoothFit = ParseSwitch(read("SmoothFit"), g.SmoothFit);
  return g;
}

const TGlobalVars& Globals() { return GlobalStore(); }
void SetGlobals(const TGlobalVars& values) { GlobalStore() = values; }

std::string SkinPicturePath(const std::string& exeFolder, const std::string& resFolder) {
  return WithTrailingBackslash(WithTrailingBackslash(exeFolder) + "sounds/" + resFolder) + "main.bmp";
}

}  // namespace app
