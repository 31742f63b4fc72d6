// Preset texts and preset files: "key=value" lines, "#" comments, blank
// lines ignored. Codec keys act as the options of that name; every other key
// is a codec, format or scaler option for the catch-all.
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "engine/custom_ffmpeg.h"
#include "engine/option_handlers.h"
#include "media/binding/ff_utils.h"

namespace engine {
namespace {

namespace fs = std::filesystem;

// Larger files are not presets; refusing them keeps a wrong name harmless.
constexpr std::uintmax_t kMaxPresetFileSize = 1 << 20;

std::string Trim(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return std::string(s.substr(b, e - b));
}

std::string ToLower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// CR LF and lone CR become LF; so does the literal text "<CRLF>", which lets
// a preset travel on one line.
std::string NormaliseLineBreaks(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (text.substr(i, 6) == "<CRLF>") {
      out += '\n';
      i += 5;
    } else {
      out += text[i];
    }
  }
  return out;
}

struct PresetResult {
  int code = 0;
  std::string messages;  // one per failed line, separated by line breaks
};

// `source` names the preset file in messages; empty for a preset text.
// With `stopAtFirst` the first failure ends the work.
PresetResult ApplyPresetLines(TCustomFFmpeg& engine, const std::string& text,
                              const std::string& source, bool stopAtFirst) {
  const std::string prefix = source.empty() ? std::string() : source + ": ";
  PresetResult result;
  auto fail = [&](int code, const std::string& message) {
    engine.Log(media::llError, message);
    if (!result.messages.empty()) result.messages += '\n';
    result.messages += message;
    result.code = code;
  };
  std::istringstream lines(text);
  std::string raw;
  while (std::getline(lines, raw)) {
    const std::string line = Trim(raw);
    if (line.empty() || line[0] == '#') continue;
    const std::size_t eq = line.find('=');
    const std::string key = eq == std::string::npos ? line : Trim(line.substr(0, eq));
    const std::string value = eq == std::string::npos ? std::string() : Trim(line.substr(eq + 1));
    if (key.empty() || value.empty()) {
      fail(AVERROR(EINVAL), prefix + media::FormatText("Invalid syntax: \"%s\"", line.c_str()));
      if (stopAtFirst) break;
      continue;
    }
    const std::string lower = ToLower(key);
    int ret;
    if (lower == "acodec" || lower == "vcodec" || lower == "scodec" || lower == "dcodec")
      ret = engine.ParseOption(lower.c_str(), value.c_str());
    else
      ret = OptDefault(engine, key.c_str(), value.c_str(), &engine.FileOpts());
    if (ret < 0) {
      fail(ret, prefix + media::FormatText("Invalid option or argument: \"%s\", parsed as \"%s\" = \"%s\"",
                                           line.c_str(), key.c_str(), value.c_str()));
      if (stopAtFirst) break;
    }
  }
  return result;
}

fs::path ExecutableFolder() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::path() : exe.parent_path();
}

bool IsFile(const fs::path& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

// A preset file named on the command line: the name itself, or for a preset
// name "<name>.ffpreset" in the usual preset folders.
fs::path FindPresetFile(const std::string& name, bool nameIsFile) {
  if (IsFile(name) || nameIsFile) return IsFile(name) ? fs::path(name) : fs::path();
  std::vector<fs::path> folders;
  if (const char* datadir = std::getenv("FFMPEG_DATADIR")) folders.emplace_back(datadir);
  if (const char* home = std::getenv("HOME")) folders.push_back(fs::path(home) / ".ffmpeg");
  if (const fs::path exe = ExecutableFolder(); !exe.empty()) folders.push_back(exe / "presets");
  for (const fs::path& folder : folders) {
    const fs::path candidate = folder / (name + ".ffpreset");
    if (IsFile(candidate)) return candidate;
  }
  return {};
}

}  // namespace

int TCustomFFmpeg::ParsePresets(const std::string& text) {
  const std::string trimmed = Trim(text);
  if (trimmed.empty()) return 0;
  Log(media::llInfo, "ParsePresets: " + text);
  const PresetResult result =
      ApplyPresetLines(*this, NormaliseLineBreaks(trimmed), std::string(), optionErrorsFatal_);
  if (result.code < 0) {
    if (optionErrorsFatal_) RaiseError(result.messages);
    lastError_ = result.messages;
  }
  return result.code;
}

// "apre", "vpre", "spre" name a preset; "fpre" names a preset file.
int OptPresetFile(TCustomFFmpeg& engine, const char* opt, const char* arg, FileOptions*) {
  const fs::path path = FindPresetFile(arg, std::string_view(opt).starts_with("fpre"));
  std::error_code ec;
  if (path.empty()) {
    engine.SetOptionMessage(media::FormatText("Preset file \"%s\" not found", arg));
    return AVERROR(ENOENT);
  }
  if (fs::file_size(path, ec) > kMaxPresetFileSize || ec) {
    engine.SetOptionMessage(media::FormatText("Preset file \"%s\" is not a preset (too large)", arg));
    return AVERROR(EINVAL);
  }
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  if (!in) {
    engine.SetOptionMessage(media::FormatMediaError(path.string(), AVERROR(EIO)));
    return AVERROR(EIO);
  }
  const PresetResult result = ApplyPresetLines(engine, NormaliseLineBreaks(content.str()),
                                               path.string(), engine.OptionErrorsFatal());
  if (result.code < 0) engine.SetOptionMessage(result.messages);
  return result.code;
}

}  // namespace engine
