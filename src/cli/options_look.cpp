// How every slide looks: fit, fill or blur, background, pan and zoom, and
// the captions with their style.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <fstream>

#include "cli/option_groups.h"
#include "cli/option_values.h"
#include "cli/subtitle_cues.h"
#include "slideshow/look_values.h"

namespace cli {
namespace {

// An option taking one value through a value rule; the message names the
// option and the value. Given twice, the last one counts.
template <typename Rule>
void AddRule(CLI::App& app, const std::string& name, Rule rule) {
  app.add_option_function<std::string>(name,
                                       [name, rule](const std::string& v) { Checked(name, v, rule); })
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast)
      ->allow_extra_args(false);
}

// Captions can be long and come from anywhere: a bound keeps a stray
// binary file from being set as text.
constexpr std::streamsize kMaxCaptionsFileBytes = 1 << 20;

std::vector<std::string> ReadCaptions(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw UsageError("--captions \"" + file + "\": cannot read this file");
  std::vector<std::string> lines;
  std::streamsize total = 0;
  for (std::string line; std::getline(in, line);) {
    total += std::streamsize(line.size()) + 1;
    if (total > kMaxCaptionsFileBytes)
      throw UsageError("--captions \"" + file + "\": larger than 1 MiB; one short caption a line is expected");
    if (!line.empty() && line.back() == '\r') line.pop_back();
    // "\n" in a caption starts a new line of it.
    for (size_t at = 0; (at = line.find("\\n", at)) != std::string::npos;) line.replace(at, 2, "\n");
    lines.push_back(line);
  }
  if (in.bad()) throw UsageError("--captions \"" + file + "\": cannot read this file");
  return lines;
}

}  // namespace

void AddLookOptions(CLI::App& app, CommandLine& cl) {
  LookOptions& o = cl.options.Look;
  slideshow::CaptionStyle& c = o.Captions;
  using namespace slideshow;
  AddRule(app, "--fit", [&o](const std::string& v) { o.Fit = FitModeValue(v); });
  AddRule(app, "--background", [&o](const std::string& v) { o.Background = ColourValue(v); });
  AddRule(app, "--fill-at", [&o](const std::string& v) { std::tie(o.FillX, o.FillY) = PointValue(v); });
  AddRule(app, "--motion", [&o](const std::string& v) {
    const Easing easing = o.Motion.easing;
    o.Motion = MotionValue(v);
    o.Motion.easing = easing;
  });
  AddRule(app, "--easing", [&o](const std::string& v) { o.Motion.easing = EasingValue(v); });
  AddRule(app, "--captions", [&o](const std::string& v) {
    if (v.empty()) throw ValueError("give the file of captions, one a line");
    o.CaptionsFile = v;
  });
  AddRule(app, "--caption-font", [&c](const std::string& v) {
    if (v.empty()) throw ValueError("give a font family, such as \"DejaVu Sans\"");
    c.font = v;
  });
  AddRule(app, "--caption-size", [&c](const std::string& v) { c.size = NumberValue(v, 0.01, 0.5); });
  AddRule(app, "--caption-colour", [&c](const std::string& v) { c.colour = ColourValue(v); });
  AddRule(app, "--caption-outline", [&c](const std::string& v) { c.outline = NumberValue(v, 0, 0.5); });
  AddRule(app, "--caption-outline-colour", [&c](const std::string& v) { c.outlineColour = ColourValue(v); });
  AddRule(app, "--caption-place", [&c](const std::string& v) { c.place = CaptionPlaceValue(v); });
  AddRule(app, "--caption-margin", [&c](const std::string& v) { c.margin = NumberValue(v, 0, 0.4); });
  AddRule(app, "--caption-fade", [&c](const std::string& v) { c.fade = NumberValue(v, 0, 60); });
  app.add_flag("!--no-caption-shadow", c.shadow)->disable_flag_override();
  app.add_flag("--subtitles", o.Subtitles)->disable_flag_override();
}

void SettleLookOptions(CommandLine& cl) {
  LookOptions& o = cl.options.Look;
  if (!o.CaptionsFile.empty()) o.CaptionTexts = ReadCaptions(o.CaptionsFile);
  if (o.Subtitles) {
    // Whether there are captions is known once the show is (options_show.cpp).
    if (SubtitleFormFor(cl.options.Output) == SubtitleForm::None)
      throw UsageError(std::string("--subtitles: a subtitle stream can go into ") + kSubtitleContainers +
                       " outputs only (not \"" + cl.options.Output +
                       "\"); the captions are drawn on the pictures either way");
  }
}

}  // namespace cli
