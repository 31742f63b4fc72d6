#include "slideshow/show_file_keys.h"

#include <charconv>
#include <cstdio>
#include <tuple>

#include "slideshow/look_values.h"
#include "slideshow/motion.h"
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

// A number's text as the command line would give it.
std::optional<std::string> NumberText(const toml::node& v) {
  if (const auto* i = v.as_integer()) return std::to_string(i->get());
  if (const auto* f = v.as_floating_point()) return DecimalText(f->get());
  return std::nullopt;
}

// Runs one of the options' value rules on text; a refusal's reason becomes
// the message, so both places say the same.
template <class Apply>
bool ByLookRule(const std::optional<std::string>& text, std::string& detail, Apply apply) {
  if (!text) return false;
  try {
    apply(*text);
    return true;
  } catch (const ValueError& e) {
    detail = e.what();
    return false;
  }
}

bool ReadNumber(const toml::node& v, double& out, double least, double most, std::string& detail) {
  return ByLookRule(NumberText(v), detail,
                    [&](const std::string& t) { out = NumberValue(t, least, most); });
}

// Seconds of a fade: 0 for none.
bool ReadFade(const toml::node& v, double& out) {
  const std::optional<std::string> text = NumberText(v);
  std::string unused;
  return ByLookRule(text, unused, [&](const std::string& t) { out = FadeSecondsValue(t); });
}

std::string ColourText(gfx::Color c) {
  char text[16];
  std::snprintf(text, sizeof text, "\"#%06X\"", unsigned(c & 0xFFFFFF));
  return text;
}

std::string PointText(double x, double y) { return QuotedToml(DecimalText(x) + "," + DecimalText(y)); }

std::string RectText(const gfx::RectF& r) {
  return DecimalText(r.x) + "," + DecimalText(r.y) + "," + DecimalText(r.w) + "," + DecimalText(r.h);
}

std::string MotionText(const MotionSpec& m) {
  if (m.kind == MotionKind::Rects) return QuotedToml(RectText(m.start) + ":" + RectText(m.end));
  return QuotedToml(std::string(MotionKindName(m.kind)));
}

// The move of a "motion" value; its easing stays where it is.
bool ReadMotion(const toml::node& v, MotionSpec& out, std::string& detail) {
  return ByLookRule(TextOf(v), detail, [&](const std::string& t) {
    const Easing easing = out.easing;
    out = MotionValue(t);
    out.easing = easing;
  });
}

std::string EasingText(Easing e) { return QuotedToml(e == Easing::Linear ? "linear" : "smooth"); }

std::string PlaceText(CaptionPlace p) {
  return QuotedToml(p == CaptionPlace::Top ? "top" : p == CaptionPlace::Centre ? "centre" : "bottom");
}

std::string FitText(FitMode f) {
  return QuotedToml(f == FitMode::Fill ? "fill" : f == FitMode::Blur ? "blur" : "fit");
}

constexpr size_t kMaxCaptionBytes = 4096;
constexpr size_t kMaxFontNameBytes = 256;

constexpr char kSoundKeys[] = "a path, or a table { file = \"PATH\", fade_in = S, fade_out = S }";
constexpr char kFade[] = "0 (none) or a number of seconds above 0 and at most 86400";

// One sound file: its path, or a table with its path and its own fades.
SoundFile ReadSoundFile(const toml::node& v, const fs::path& folder) {
  SoundFile sound;
  const toml::table* table = v.as_table();
  if (!table) {
    if (!ReadPath(v, sound.File, folder)) throw RefusedAt{&v, "must be " + std::string(kSoundKeys)};
    return sound;
  }
  for (auto&& entry : *table) {
    const std::string_view key = entry.first.str();
    const toml::node& value = entry.second;
    double seconds = 0;
    if (key == "file") {
      if (!ReadPath(value, sound.File, folder))
        throw RefusedAt{&value, "file must be the sound file's path"};
    } else if (key == "fade_in" || key == "fade_out") {
      if (!ReadFade(value, seconds)) throw RefusedAt{&value, std::string(key) + " must be " + kFade};
      (key == "fade_in" ? sound.FadeIn : sound.FadeOut) = seconds;
    } else {
      throw RefusedAt{&value, "has no key " + QuotedToml(key) + "; a sound file is " + kSoundKeys};
    }
  }
  if (sound.File.empty()) throw RefusedAt{&v, "file is missing; a sound file is " + std::string(kSoundKeys)};
  return sound;
}

std::string SoundFileText(const SoundFile& f, const fs::path& folder) {
  const std::string path = QuotedToml(PathForFile(f.File, folder));
  if (!f.FadeIn && !f.FadeOut) return path;
  std::string text = "{ file = " + path;
  if (f.FadeIn) text += ", fade_in = " + SecondsText(*f.FadeIn);
  if (f.FadeOut) text += ", fade_out = " + SecondsText(*f.FadeOut);
  return text + " }";
}

constexpr std::pair<const char*, Scaling> kScalings[] = {{"nearest", Scaling::Nearest},
                                                         {"smooth", Scaling::Smooth}};
constexpr std::pair<const char*, ShowEnd> kEnds[] = {{"pictures", ShowEnd::Pictures},
                                                     {"sound", ShowEnd::Sound}};
constexpr std::pair<const char*, MusicSync> kSyncs[] = {
    {"none", MusicSync::None}, {"beats", MusicSync::Beats}, {"onsets", MusicSync::Onsets}};

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
    {"fit", "\"fit\", \"fill\" or \"blur\"",
     [](const toml::node& v, Settings& s, const fs::path&, std::string& detail) {
       return ByLookRule(TextOf(v), detail, [&](const std::string& t) { s.Fit = FitModeValue(t); });
     },
     [](const Settings& s, const fs::path&) -> std::optional<std::string> { return FitText(s.Fit); }},
    {"sound", "a sound file, or a list of them; each a path or { file = \"PATH\", fade_in = S, fade_out = S }",
     [](const toml::node& v, Settings& s, const fs::path& folder, std::string&) {
       std::vector<SoundFile> files;
       if (const auto* list = v.as_array()) {
         if (list->empty()) throw RefusedAt{&v, "must name a sound file at least; leave the key out for none"};
         for (const toml::node& item : *list) files.push_back(ReadSoundFile(item, folder));
       } else {
         files.push_back(ReadSoundFile(v, folder));
       }
       s.Sound = std::move(files);
       return true;
     },
     [](const Settings& s, const fs::path& folder) -> std::optional<std::string> {
       if (s.Sound.empty()) return std::nullopt;
       std::string text = "[";
       for (const SoundFile& f : s.Sound)
         text += (text.size() > 1 ? ", " : "") + SoundFileText(f, folder);
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
    {"every_frame", "true or false",
     [](const toml::node& v, Settings& s, const fs::path&, std::string&) {
       const auto* b = v.as_boolean();
       if (!b) return false;
       s.EveryFrame = b->get();
       return true;
     },
     // Written only when set, so shows written before read back the same.
     [](const Settings& s, const fs::path&) -> std::optional<std::string> {
       if (!s.EveryFrame) return std::nullopt;
       return "true";
     }},
    {"background", "a colour as \"#RRGGBB\"",
     [](const toml::node& v, Settings& s, const fs::path&, std::string& detail) {
       return ByLookRule(TextOf(v), detail, [&](const std::string& t) { s.Background = ColourValue(t); });
     },
     [](const Settings& s, const fs::path&) -> std::optional<std::string> { return ColourText(s.Background); }},
    {"fill_at", "\"X,Y\" as fractions from 0 to 1",
     [](const toml::node& v, Settings& s, const fs::path&, std::string& detail) {
       return ByLookRule(TextOf(v), detail,
                         [&](const std::string& t) { std::tie(s.FillX, s.FillY) = PointValue(t); });
     },
     [](const Settings& s, const fs::path&) -> std::optional<std::string> { return PointText(s.FillX, s.FillY); }},
    {"motion", "a move's name or \"X,Y,W,H:X,Y,W,H\"",
     [](const toml::node& v, Settings& s, const fs::path&, std::string& detail) {
       return ReadMotion(v, s.Motion, detail);
     },
     [](const Settings& s, const fs::path&) -> std::optional<std::string> { return MotionText(s.Motion); }},
    {"easing", "\"linear\" or \"smooth\"",
     [](const toml::node& v, Settings& s, const fs::path&, std::string& detail) {
       return ByLookRule(TextOf(v), detail, [&](const std::string& t) { s.Motion.easing = EasingValue(t); });
     },
     [](const Settings& s, const fs::path&) -> std::optional<std::string> { return EasingText(s.Motion.easing); }},
    {"caption_font", "a font family's name, such as \"DejaVu Sans\"",
     [](const toml::node& v, Settings& s, const fs::path&, std::string&) {
       const std::optional<std::string> text = TextOf(v);
       if (!text || text->empty() || text->size() > kMaxFontNameBytes) return false;
       s.Captions.font = *text;
       return true;
     },
     [](const Settings& s, const fs::path&) -> std::optional<std::string> { return QuotedToml(s.Captions.font); }},
    {"caption_size", "a number",
     [](const toml::node& v, Settings& s, const fs::path&, std::string& detail) {
       return ReadNumber(v, s.Captions.size, 0.01, 0.5, detail);
     },
     [](const Settings& s, const fs::path&) -> std::optional<std::string> { return DecimalText(s.Captions.size); }},
    {"caption_colour", "a colour as \"#RRGGBB\"",
     [](const toml::node& v, Settings& s, const fs::path&, std::string& detail) {
       return ByLookRule(TextOf(v), detail, [&](const std::string& t) { s.Captions.colour = ColourValue(t); });
     },
     [](const Settings& s, const fs::path&) -> std::optional<std::string> { return ColourText(s.Captions.colour); }},
    {"caption_outline", "a number",
     [](const toml::node& v, Settings& s, const fs::path&, std::string& detail) {
       return ReadNumber(v, s.Captions.outline, 0, 0.5, detail);
     },
     [](const Settings& s, const fs::path&) -> std::optional<std::string> { return DecimalText(s.Captions.outline); }},
    {"caption_outline_colour", "a colour as \"#RRGGBB\"",
     [](const toml::node& v, Settings& s, const fs::path&, std::string& detail) {
       return ByLookRule(TextOf(v), detail,
                         [&](const std::string& t) { s.Captions.outlineColour = ColourValue(t); });
     },
     [](const Settings& s, const fs::path&) -> std::optional<std::string> {
       return ColourText(s.Captions.outlineColour);
     }},
    {"caption_shadow", "true or false",
     [](const toml::node& v, Settings& s, const fs::path&, std::string&) {
       const auto* b = v.as_boolean();
       if (!b) return false;
       s.Captions.shadow = b->get();
       return true;
     },
     [](const Settings& s, const fs::path&) -> std::optional<std::string> {
       return s.Captions.shadow ? "true" : "false";
     }},
    {"caption_place", "\"bottom\", \"top\" or \"centre\"",
     [](const toml::node& v, Settings& s, const fs::path&, std::string& detail) {
       return ByLookRule(TextOf(v), detail, [&](const std::string& t) { s.Captions.place = CaptionPlaceValue(t); });
     },
     [](const Settings& s, const fs::path&) -> std::optional<std::string> { return PlaceText(s.Captions.place); }},
    {"caption_margin", "a number",
     [](const toml::node& v, Settings& s, const fs::path&, std::string& detail) {
       return ReadNumber(v, s.Captions.margin, 0, 0.4, detail);
     },
     [](const Settings& s, const fs::path&) -> std::optional<std::string> { return DecimalText(s.Captions.margin); }},
    {"caption_fade", "a number",
     [](const toml::node& v, Settings& s, const fs::path&, std::string& detail) {
       return ReadNumber(v, s.Captions.fade, 0, 60, detail);
     },
     [](const Settings& s, const fs::path&) -> std::optional<std::string> { return DecimalText(s.Captions.fade); }},
    {"fade_in", kFade,
     [](const toml::node& v, Settings& s, const fs::path&, std::string&) { return ReadFade(v, s.Music.FadeIn); },
     [](const Settings& s, const fs::path&) -> std::optional<std::string> { return SecondsText(s.Music.FadeIn); }},
    {"fade_out", kFade,
     [](const toml::node& v, Settings& s, const fs::path&, std::string&) { return ReadFade(v, s.Music.FadeOut); },
     [](const Settings& s, const fs::path&) -> std::optional<std::string> { return SecondsText(s.Music.FadeOut); }},
    {"crossfade", kFade,
     [](const toml::node& v, Settings& s, const fs::path&, std::string&) { return ReadFade(v, s.Music.Crossfade); },
     [](const Settings& s, const fs::path&) -> std::optional<std::string> { return SecondsText(s.Music.Crossfade); }},
    {"end_fade", kFade,
     [](const toml::node& v, Settings& s, const fs::path&, std::string&) { return ReadFade(v, s.Music.EndFade); },
     [](const Settings& s, const fs::path&) -> std::optional<std::string> { return SecondsText(s.Music.EndFade); }},
    {"fit_to_music", "true or false",
     [](const toml::node& v, Settings& s, const fs::path&, std::string&) {
       const auto* b = v.as_boolean();
       if (!b) return false;
       s.Music.FitToMusic = b->get();
       return true;
     },
     [](const Settings& s, const fs::path&) -> std::optional<std::string> {
       return s.Music.FitToMusic ? "true" : "false";
     }},
    {"min_hold", kFade,
     [](const toml::node& v, Settings& s, const fs::path&, std::string&) { return ReadFade(v, s.Music.MinHold); },
     [](const Settings& s, const fs::path&) -> std::optional<std::string> { return SecondsText(s.Music.MinHold); }},
    {"sync", "\"none\", \"beats\" or \"onsets\"",
     [](const toml::node& v, Settings& s, const fs::path&, std::string&) { return ReadName(v, s.Music.Sync, kSyncs); },
     [](const Settings& s, const fs::path&) -> std::optional<std::string> { return NameOf(s.Music.Sync, kSyncs); }},
    {"loudness", "the integrated loudness in LUFS from -70 to -5, such as -16",
     [](const toml::node& v, Settings& s, const fs::path&, std::string&) {
       std::string unused;
       return ByLookRule(NumberText(v), unused, [&](const std::string& t) { s.Music.Loudness = LoudnessValue(t); });
     },
     [](const Settings& s, const fs::path&) -> std::optional<std::string> {
       if (!s.Music.Loudness) return std::nullopt;
       return DecimalText(*s.Music.Loudness);
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
    {"fit", "\"fit\", \"fill\" or \"blur\"",
     [](const toml::node& v, Slide& s, const fs::path&, std::string& detail) {
       return ByLookRule(TextOf(v), detail, [&](const std::string& t) { s.Fit = FitModeValue(t); });
     },
     [](const Slide& s, const fs::path&) -> std::optional<std::string> {
       if (!s.Fit) return std::nullopt;
       return FitText(*s.Fit);
     }},
    {"background", "a colour as \"#RRGGBB\"",
     [](const toml::node& v, Slide& s, const fs::path&, std::string& detail) {
       return ByLookRule(TextOf(v), detail, [&](const std::string& t) { s.Background = ColourValue(t); });
     },
     [](const Slide& s, const fs::path&) -> std::optional<std::string> {
       if (!s.Background) return std::nullopt;
       return ColourText(*s.Background);
     }},
    {"fill_at", "\"X,Y\" as fractions from 0 to 1",
     [](const toml::node& v, Slide& s, const fs::path&, std::string& detail) {
       return ByLookRule(TextOf(v), detail, [&](const std::string& t) { s.FillAt = PointValue(t); });
     },
     [](const Slide& s, const fs::path&) -> std::optional<std::string> {
       if (!s.FillAt) return std::nullopt;
       return PointText(s.FillAt->first, s.FillAt->second);
     }},
    {"motion", "a move's name or \"X,Y,W,H:X,Y,W,H\"",
     [](const toml::node& v, Slide& s, const fs::path&, std::string& detail) {
       MotionSpec m;
       if (!ReadMotion(v, m, detail)) return false;
       s.Motion = m;
       return true;
     },
     [](const Slide& s, const fs::path&) -> std::optional<std::string> {
       if (!s.Motion) return std::nullopt;
       return MotionText(*s.Motion);
     }},
    {"easing", "\"linear\" or \"smooth\"",
     [](const toml::node& v, Slide& s, const fs::path&, std::string& detail) {
       return ByLookRule(TextOf(v), detail, [&](const std::string& t) { s.Easing = EasingValue(t); });
     },
     [](const Slide& s, const fs::path&) -> std::optional<std::string> {
       if (!s.Easing) return std::nullopt;
       return EasingText(*s.Easing);
     }},
    {"caption", "text of at most 4096 bytes",
     [](const toml::node& v, Slide& s, const fs::path&, std::string&) {
       const std::optional<std::string> text = TextOf(v);
       if (!text || text->size() > kMaxCaptionBytes) return false;
       s.Caption = *text;
       return true;
     },
     [](const Slide& s, const fs::path&) -> std::optional<std::string> {
       if (s.Caption.empty()) return std::nullopt;
       return QuotedToml(s.Caption);
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
    } else if (c == '\n') {
      out += "\\n";  // a caption's line break, as a person writes it
    } else if (c == '\t') {
      out += "\\t";
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
