// The music options: several sound files, their fades, the fade where the
// pictures end, fitting the show to the music, cuts on the beat, loudness.
#include <CLI/CLI.hpp>

#include "cli/option_groups.h"
#include "cli/option_values.h"
#include "slideshow/value_rules.h"

namespace cli {
namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

double FadeSeconds(const std::string& option, const std::string& text) {
  return Checked(option, text, slideshow::FadeSecondsValue);
}

double LoudnessTarget(const std::string& text) {
  try {
    return slideshow::LoudnessValue(text);
  } catch (const slideshow::ValueError& e) {
    throw UsageError("--loudness " + Quoted(text) + ": give " + e.what());
  }
}

}  // namespace

void AddMusicOptions(CLI::App& app, CommandLine& cl) {
  MusicOptions& m = cl.options.Music;
  app.add_option_function<std::vector<std::string>>(
         "--music",
         [&m](const std::vector<std::string>& files) {
           for (const std::string& f : files) {
             if (f.empty()) throw UsageError("--music: give the sound file to use");
             m.Files.push_back(f);
           }
         })
      ->allow_extra_args(false);
  AddValue(app, "--fade-in",
           [&m](const std::string& v) { m.FadeIn = FadeSeconds("--fade-in", v); });
  AddValue(app, "--fade-out",
           [&m](const std::string& v) { m.FadeOut = FadeSeconds("--fade-out", v); });
  AddValue(app, "--crossfade",
           [&m](const std::string& v) { m.Crossfade = FadeSeconds("--crossfade", v); });
  AddValue(app, "--end-fade",
           [&m](const std::string& v) { m.EndFade = FadeSeconds("--end-fade", v); });
  AddValue(app, "--min-hold",
           [&m](const std::string& v) { m.MinHold = FadeSeconds("--min-hold", v); });
  app.add_flag("--fit-to-music", m.FitToMusic)->disable_flag_override();
  AddValue(app, "--sync", [&m](const std::string& v) {
    if (v != "none" && v != "beats" && v != "onsets")
      throw UsageError("--sync " + Quoted(v) + ": use beats, onsets or none");
    m.Sync = v;
  });
  AddValue(app, "--loudness", [&m](const std::string& v) { m.Loudness = LoudnessTarget(v); });
}

void SettleMusicOptions(CommandLine& cl) {
  const RenderOptions& o = cl.options;
  const MusicOptions& m = o.Music;
  const bool music = !o.Audio.empty() || !m.Files.empty();
  if (music || !(m.FitToMusic || m.Sync != "none" || m.Loudness)) return;
  const char* option = m.FitToMusic ? "--fit-to-music" : m.Loudness ? "--loudness" : "--sync";
  if (!o.Show.File.empty() && o.Show.Given.count(option) == 0)
    throw UsageError(o.Show.File + ": " +
                     (m.FitToMusic ? "fit_to_music" : m.Loudness ? "loudness" : "sync") +
                     " needs music; name it with sound = \"FILE\" under [show] or --audio FILE");
  throw UsageError(std::string(option) + ": give the music with --audio FILE or --music FILE");
}

}  // namespace cli
