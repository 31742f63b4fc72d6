#include "cli/render_options.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <map>

#include "effects/effect.h"
#include "slideshow/slideshow_timeline.h"

namespace cli {
namespace {

constexpr double kMaxDelay = 86400;       // seconds: a day per picture is plenty
constexpr double kMaxFramesPerSecond = 240;
constexpr long long kMaxRateTerm = 1000000;

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// A whole decimal number without sign or blanks, or -1.
long long WholeNumber(std::string_view text, long long max) {
  long long v = -1;
  if (text.empty() || text.front() == '+' || text.front() == '-') return -1;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || v > max) return -1;
  return v;
}

std::string Lowered(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

}  // namespace

std::string CheckFrameSize(const std::string& text) {
  const size_t x = text.find('x');
  const long long w = x == std::string::npos ? -1 : WholeNumber(text.substr(0, x), 1 << 20);
  const long long h = x == std::string::npos ? -1 : WholeNumber(text.substr(x + 1), 1 << 20);
  // 4:2:0 video needs even sides.
  if (w < 2 || h < 2 || w > slideshow::kMaxFrameSide || h > slideshow::kMaxFrameSide || w % 2 ||
      h % 2)
    throw UsageError("--size " + Quoted(text) +
                     ": give WIDTHxHEIGHT in pixels, even numbers from 2 to " +
                     std::to_string(slideshow::kMaxFrameSide) + " (such as 1280x960)");
  return std::to_string(w) + "x" + std::to_string(h);
}

std::string CheckFrameRate(const std::string& text) {
  const size_t slash = text.find('/');
  const long long num = WholeNumber(text.substr(0, slash), kMaxRateTerm);
  const long long den =
      slash == std::string::npos ? 1 : WholeNumber(text.substr(slash + 1), kMaxRateTerm);
  if (num < 1 || den < 1 || double(num) / double(den) > kMaxFramesPerSecond ||
      double(num) / double(den) < 1)
    throw UsageError("--rate " + Quoted(text) +
                     ": give frames per second as N or N/D, from 1 to 240 (such as 30/1 or "
                     "30000/1001)");
  return std::to_string(num) + "/" + std::to_string(den);
}

std::string CheckDelay(const std::string& option, const std::string& text) {
  double v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() || !std::isfinite(v) ||
      v <= 0 || v > kMaxDelay)
    throw UsageError(option + " " + Quoted(text) +
                     ": give seconds as a number above 0 and at most 86400 (such as 1.5)");
  return text;
}

int CheckEffect(const std::string& text) {
  if (const long long n = WholeNumber(text, effects::kEffectCount); n >= 1) return int(n);
  const std::string wanted = Lowered(text);
  std::vector<int> rows;
  for (int i = 0; i < effects::kEffectCount; ++i)
    if (Lowered(effects::Effects[i].Name) == wanted) rows.push_back(i + 1);
  if (rows.size() == 1) return rows[0];
  if (rows.size() > 1)
    throw UsageError("--effect " + Quoted(text) + ": rows " + std::to_string(rows[0]) + " and " +
                     std::to_string(rows[1]) + " share this name; give the number instead");
  throw UsageError("--effect " + Quoted(text) +
                   ": give a number from 1 to 176 or a name that --list-effects prints");
}

std::vector<std::string> ReadPictureList(const std::string& listFile) {
  std::ifstream in(listFile);
  if (!in) throw UsageError("--list " + Quoted(listFile) + ": cannot read this file");
  std::vector<std::string> pictures;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find_first_not_of(" \t") == std::string::npos) continue;
    pictures.push_back(line);
  }
  if (in.bad()) throw UsageError("--list " + Quoted(listFile) + ": cannot read this file");
  return pictures;
}

namespace {

enum class Kind { Flag, Value };

struct OptionRow {
  const char* name;
  Kind kind;
};

// Every option the program takes; short forms map onto these.
constexpr OptionRow kOptions[] = {
    {"--output", Kind::Value},         {"--list", Kind::Value},
    {"--audio", Kind::Value},          {"--rate", Kind::Value},
    {"--size", Kind::Value},           {"--picture-delay", Kind::Value},
    {"--transition-delay", Kind::Value}, {"--effect", Kind::Value},
    {"--random", Kind::Flag},          {"--sequential", Kind::Flag},
    {"--break-when-no-pictures", Kind::Flag}, {"--no-break-when-no-pictures", Kind::Flag},
    {"--realtime", Kind::Flag},        {"--list-effects", Kind::Flag},
    {"--no-exif-orientation", Kind::Flag}, {"--smooth-fit", Kind::Flag},
    {"--quiet", Kind::Flag},           {"--version", Kind::Flag},
    {"--help", Kind::Flag},
};

const std::map<std::string, std::string> kShortForms = {
    {"-o", "--output"}, {"-q", "--quiet"}, {"-h", "--help"}, {"-V", "--version"}};

const OptionRow* FindOption(const std::string& name) {
  for (const OptionRow& row : kOptions)
    if (name == row.name) return &row;
  return nullptr;
}

void Apply(CommandLine& cl, const std::string& name, const std::string& value) {
  RenderOptions& o = cl.options;
  if (name == "--output") {
    if (value.empty()) throw UsageError("--output: give the video file to write");
    o.Output = value;
  } else if (name == "--list") {
    for (std::string& p : ReadPictureList(value)) o.Pictures.push_back(std::move(p));
  } else if (name == "--audio") {
    if (value.empty()) throw UsageError("--audio: give the sound file to use");
    o.Audio = value;
  } else if (name == "--rate") {
    o.FrameRate = CheckFrameRate(value);
  } else if (name == "--size") {
    o.FrameSize = CheckFrameSize(value);
  } else if (name == "--picture-delay") {
    o.PictureDelay = CheckDelay(name, value);
  } else if (name == "--transition-delay") {
    o.TransitionDelay = CheckDelay(name, value);
  } else if (name == "--effect") {
    o.Effect = CheckEffect(value);
  } else if (name == "--random") {
    o.RandomEffects = true;
  } else if (name == "--sequential") {
    o.RandomEffects = false;
  } else if (name == "--break-when-no-pictures") {
    o.BreakWhenNoPictures = true;
  } else if (name == "--no-break-when-no-pictures") {
    o.BreakWhenNoPictures = false;
  } else if (name == "--realtime") {
    o.RealTime = true;
  } else if (name == "--no-exif-orientation") {
    o.ExifOrientation = false;
  } else if (name == "--smooth-fit") {
    o.SmoothFit = true;
  } else if (name == "--quiet") {
    o.Quiet = true;
  } else if (name == "--list-effects") {
    cl.command = Command::ListEffects;
  } else if (name == "--version") {
    if (cl.command != Command::Help) cl.command = Command::Version;
  } else if (name == "--help") {
    cl.command = Command::Help;
  }
}

}  // namespace

CommandLine ParseCommandLine(std::span<const std::string> args) {
  CommandLine cl;
  bool optionsEnded = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      cl.options.Pictures.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    std::string name = arg, value;
    bool hasValue = false;
    if (const size_t eq = arg.find('='); arg.starts_with("--") && eq != std::string::npos) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
      hasValue = true;
    }
    if (auto s = kShortForms.find(name); s != kShortForms.end()) name = s->second;
    const OptionRow* row = FindOption(name);
    if (!row) throw UsageError("unknown option " + Quoted(arg) + " (see --help)");
    if (row->kind == Kind::Flag && hasValue)
      throw UsageError(name + " takes no value (got " + Quoted(value) + ")");
    if (row->kind == Kind::Value && !hasValue) {
      if (i + 1 >= args.size()) throw UsageError(name + ": a value must follow (see --help)");
      value = args[++i];
    }
    Apply(cl, name, value);
  }
  if (cl.command != Command::Render) return cl;
  if (cl.options.Output.empty())
    throw UsageError("no output file: give one with -o FILE (such as -o show.mp4)");
  if (cl.options.Pictures.empty())
    throw UsageError("no pictures: name them after the options or with --list FILE");
  return cl;
}

}  // namespace cli
