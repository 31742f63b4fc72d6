#include "slideshow/show_file_keys.h"

#include <charconv>
#include <cstdio>

#include "slideshow/text_values.h"
#include "slideshow/value_rules.h"

namespace slideshow::showfile {

namespace fs = std::filesystem;

namespace {

constexpr size_t kMaxPathLength = 4096;

constexpr char kSeconds[] = "a number of seconds above 0 and at most 86400";
constexpr char kEffect[] =
    "\"random\", \"sequential\", \"none\" (a cut), a row from 1 to 176 or an effect's name";

// A number as the shortest decimal that reads back to it.
std::string DecimalText(double value) {
  char buf[64];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, ec == std::errc() ? end : buf);
}

std::string SecondsText(long double seconds) {
  std::string text = DecimalText(static_cast<double>(seconds));
  if (text.find_first_of(".e") == std::string::npos) text += ".0";
  return text;
}

// Seconds are taken as the decimal the file shows, read as the window reads
// typed text, so both count the same frames (5 x 0.3 is 1.5 frames as typed,
// just under it as a double).
bool ReadSeconds(const toml::node& v, long double& out) {
  std::string text;
  if (const auto* i = v.as_integer()) text = std::to_string(i->get());
  else if (const auto* f = v.as_floating_point()) text = DecimalText(f->get());
  else return false;
  try {
    SecondsValue(text);
  } catch (const ValueError&) {
    return false;
  }
  out = ReadDecimal(text, '.').value_or(0);
  return true;
}

// Runs a value rule on a text value; false when the node is no text or the
// rule refuses it.
template <class Rule>
std::optional<std::string> ByRule(const std::optional<std::string>& text, Rule rule) {
  if (!text) return std::nullopt;
  try {
    return rule(*text);
  } catch (const ValueError&) {
    return std::nullopt;
  }
}

std::string FrameRateText(const FrameRate& rate) {
  return std::to_string(rate.Numerator) + "/" + std::to_string(rate.Denominator);
}

bool ReadOptionalSeconds(const toml::node& v, std::optional<long double>& out) {
  long double s = 0;
  if (!ReadSeconds(v, s)) return false;
  out = s;
  return true;
}

std::optional<std::string> TextOf(const toml::node& v) {
  if (const auto* s = v.as_string()) return s->get();
  return std::nullopt;
}

// A file path, taken from folder when relative.
bool ReadPath(const toml::node& v, std::string& out, const fs::path& folder) {
  const std::optional<std::string> text = TextOf(v);
  if (!text || text->empty() || text->size() > kMaxPathLength ||
      text->find('\0') != std::string::npos)
    return false;
  const fs::path path(*text);
  out = (path.is_absolute() || folder.empty() ? path : folder / path).lexically_normal().string();
  return true;
}

bool ReadEffect(const toml::node& v, std::optional<EffectChoice>& out, std::string& detail) {
  std::optional<EffectChoice> choice;
  if (const auto* i = v.as_integer())
    choice = ParseEffectChoice(std::to_string(i->get()), &detail);
  else if (const std::optional<std::string> text = TextOf(v))
    choice = ParseEffectChoice(*text, &detail);
  if (!choice) return false;
  out = choice;
  return true;
}

std::string EffectText(const EffectChoice& e) {
  return e.Mode == EffectMode::Fixed && EffectChoiceText(e) == std::to_string(e.Number)
             ? EffectChoiceText(e)
             : QuotedToml(EffectChoiceText(e));
}

// A value from a list of names.
template <class Enum, size_t N>
bool ReadName(const toml::node& v, Enum& out, const std::pair<const char*, Enum> (&names)[N]) {
  const std::optional<std::string> text = TextOf(v);
  for (const auto& [name, value] : names)
    if (text && *text == name) {
      out = value;
      return true;
    }
  return false;
}

template <class Enum, size_t N>
std::string NameOf(Enum value, const std::pair<const char*, Enum> (&names)[N]) {
  for (const auto& [name, v] : names)
    if (v == value) return QuotedToml(name);
  return QuotedToml("");
}

constexpr std::pair<const char*, Scaling> kScalings[] = {{"nearest", Scaling::Nearest},
                                                         {"smooth", Scaling::Smooth}};
constexpr std::pair<const char*, FitMode> kFits[] = {{"fit", FitMode::Fit}};
constexpr std::pair<const char*, ShowEnd> kEnds[] = {{"pictures", ShowEnd::Pictures},
                                                     {"sound", ShowEnd::Sound}};

using Settings = ShowSettings;

const KeyRow<Settings> kShowKeys[] = {
    {"size", "\"WIDTHxHEIGHT\" in pixels, even numbers from 2 to 16384 (such as \"1280x720\")",
     [](const toml::node& v, Settings& s, const fs::path&, std::string&) {
       const std::optional<std::string> size = ByRule(TextOf(v), FrameSizeValue);
       if (!size) return false;
       const size_t x = size->find('x');
       s.Width = std::stoi(size->substr(0, x));
       s.Height = std::stoi(size->substr(x + 1));
       return true;
     },
     [](const Settings& s, const fs::path&) -> std::optional<std::string> {
       return QuotedToml(std::to_string(s.Width) + "x" + std::to_string(s.Height));
     }},
    {"rate", "frames per second as \"N\" or \"N/D\", from 1 to 240 (such as \"30000/1001\")",
     [](const toml::node& v, Settings& s, const fs::path&, std::string&) {
       std::optional<std::string> text = TextOf(v);
       if (const auto* i = v.as_integer()) text = std::to_string(i->get());
       const std::optional<std::string> rate = ByRule(text, FrameRateValue);
       if (!rate) return false;
       const size_t slash = rate->find('/');
       s.Rate = {std::stoi(rate->substr(0, slash)), std::stoi(rate->substr(slash + 1))};
       return true;
     },
     [](const Settings& s, const fs::path&) -> std::optional<std::string> {
       return QuotedToml(FrameRateText(s.Rate));
     }},
    {"hold", kSeconds,
     [](const toml::node& v, Settings& s, const fs::path&, std::string&) {
       return ReadSeconds(v, s.Hold);
     },
     [](const Settings& s, const fs::path&) -> std::optional<std::string> {
       return SecondsText(s.Hold);
     }},
    {"transition", kSeconds,
     [](const toml::node& v, Settings& s, const fs::path&, std::string&) {
       return ReadSeconds(v, s.Transition);
     },
     [](const Settings& s, const fs::path&) -> std::optional<std::string> {
       return SecondsText(s.Transition);
     }},
    {"effect", kEffect,
     [](const toml::node& v, Settings& s, const fs::path&, std::string& detail) {
       std::optional<EffectChoice> e;
       if (!ReadEffect(v, e, detail)) return false;
       s.Effect = *e;
       return true;
     },
     [](const Settings& s, const fs::path&) -> std::optional<std::string> {
       return EffectText(s.Effect);
     }},
    {"seed", "a whole number from 0 to 4294967295",
     [](const toml::node& v, Settings& s, const fs::path&, std::string&) {
       const auto* i = v.as_integer();
       if (!i || i->get() < 0 || i->get() > 0xFFFFFFFFll) return false;
       s.Seed = static_cast<uint32_t>(i->get());
       return true;
     },
     [](const Settings& s, const fs::path&) -> std::optional<std::string> {
       if (!s.Seed) return std::nullopt;
       return std::to_string(*s.Seed);
     }},
    {"scaling", "\"smooth\" or \"nearest\"",
     [](const toml::node& v, Settings& s, const fs::path&, std::string&) {
       return ReadName(v, s.Scale, kScalings);
     },
     [](const Settings& s, const fs::path&) -> std::optional<std::string> {
       return NameOf(s.Scale, kScalings);
     }},
    {"fit", "\"fit\"",
     [](const toml::node& v, Settings& s, const fs::path&, std::string&) {
       return ReadName(v, s.Fit, kFits);
     },
     [](const Settings& s, const fs::path&) -> std::optional<std::string> {
       return NameOf(s.Fit, kFits);
     }},
    {"sound", "a sound file's path, or a list of them",
     [](const toml::node& v, Settings& s, const fs::path& folder, std::string&) {
       std::vector<std::string> files;
       if (const auto* list = v.as_array()) {
         for (const toml::node& item : *list)
           if (!ReadPath(item, files.emplace_back(), folder)) return false;
       } else if (!ReadPath(v, files.emplace_back(), folder)) {
         return false;
       }
       s.Sound = std::move(files);
       return true;
     },
     [](const Settings& s, const fs::path& folder) -> std::optional<std::string> {
       if (s.Sound.empty()) return std::nullopt;
       std::string text = "[";
       for (const std::string& f : s.Sound)
         text += (text.size() > 1 ? ", " : "") + QuotedToml(PathForFile(f, folder));
       return text + "]";
     }},
    {"end", "\"pictures\" (the video ends with them) or \"sound\" (black until the sound ends)",
     [](const toml::node& v, Settings& s, const fs::path&, std::string&) {
       return ReadName(v, s.End, kEnds);
     },
     [](const Settings& s, const fs::path&) -> std::optional<std::string> {
       return NameOf(s.End, kEnds);
     }},
    {"exif_orientation", "true or false",
     [](const toml::node& v, Settings& s, const fs::path&, std::string&) {
       const auto* b = v.as_boolean();
       if (!b) return false;
       s.ExifOrientation = b->get();
       return true;
     },
     [](const Settings& s, const fs::path&) -> std::optional<std::string> {
       return s.ExifOrientation ? "true" : "false";
     }},
};

const KeyRow<Slide> kSlideKeys[] = {
    {"picture", "the picture file's path",
     [](const toml::node& v, Slide& s, const fs::path& folder, std::string&) {
       return ReadPath(v, s.Picture, folder);
     },
     [](const Slide& s, const fs::path& folder) -> std::optional<std::string> {
       return QuotedToml(PathForFile(s.Picture, folder));
     }},
    {"hold", kSeconds,
     [](const toml::node& v, Slide& s, const fs::path&, std::string&) {
       return ReadOptionalSeconds(v, s.Hold);
     },
     [](const Slide& s, const fs::path&) -> std::optional<std::string> {
       if (!s.Hold) return std::nullopt;
       return SecondsText(*s.Hold);
     }},
    {"transition", kSeconds,
     [](const toml::node& v, Slide& s, const fs::path&, std::string&) {
       return ReadOptionalSeconds(v, s.Transition);
     },
     [](const Slide& s, const fs::path&) -> std::optional<std::string> {
       if (!s.Transition) return std::nullopt;
       return SecondsText(*s.Transition);
     }},
    {"effect", kEffect,
     [](const toml::node& v, Slide& s, const fs::path&, std::string& detail) {
       return ReadEffect(v, s.Effect, detail);
     },
     [](const Slide& s, const fs::path&) -> std::optional<std::string> {
       if (!s.Effect) return std::nullopt;
       return EffectText(*s.Effect);
     }},
};

}  // namespace

std::span<const KeyRow<ShowSettings>> ShowKeys() { return kShowKeys; }
std::span<const KeyRow<Slide>> SlideKeys() { return kSlideKeys; }

std::string QuotedToml(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20 || u == 0x7F) {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\u%04X", u);
      out += esc;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string PathForFile(const std::string& path, const fs::path& folder) {
  std::error_code ec;
  const fs::path absolute = fs::absolute(path, ec);
  const fs::path base = fs::absolute(folder.empty() ? fs::path(".") : folder, ec);
  if (ec) return path;
  const fs::path relative = absolute.lexically_normal().lexically_relative(base.lexically_normal());
  return relative.empty() ? path : relative.string();
}

}  // namespace slideshow::showfile
