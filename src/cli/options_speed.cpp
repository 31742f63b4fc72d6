// How much work a run does for the same pictures: held pictures encoded
// once where the container keeps frame durations, and one show split into
// parts rendered apart and joined.
#include <CLI/CLI.hpp>

#include <cstdio>

#include "cli/option_groups.h"
#include "cli/option_values.h"

namespace cli {

void AddSpeedOptions(CLI::App& app, CommandLine& cl) {
  SpeedOptions& s = cl.options.Speed;
  app.add_flag_callback("--every-frame", [&s] { s.HeldOnce = false; })->disable_flag_override();
  AddValue(app, "--segment", [&s](const std::string& v) {
    if (v == "sound") {
      s.SoundPart = true;
      return;
    }
    int k = 0, n = 0, used = 0;
    if (std::sscanf(v.c_str(), "%d/%d%n", &k, &n, &used) != 2 || used != int(v.size()) || n < 1 ||
        n > 10000 || k < 1 || k > n)
      throw UsageError("--segment \"" + v + "\": give K/N, part K of N parts, 1 <= K <= N (such as 2/4), or sound");
    s.Segment = k;
    s.Segments = n;
  });
  app.add_option("--join", s.JoinParts)->expected(1, -1);
}

// Every part must make the same show: its frames may not depend on the
// run's luck, its sound or its speed.
void SettleSpeedOptions(CommandLine& cl) {
  const RenderOptions& o = cl.options;
  const SpeedOptions& s = o.Speed;
  const bool join = !s.JoinParts.empty();
  if (!join && s.Segments == 0 && !s.SoundPart) return;
  const std::string name = join ? "--join" : "--segment";
  if (join && (s.Segments || s.SoundPart)) throw UsageError("--join puts parts together; give it without --segment");
  if (o.Show.SeedDrawn)
    throw UsageError(name + ": the show draws its effects at random; give every part the same --seed N");
  if (o.RealTime) throw UsageError(name + " cannot be used with --realtime");
  if (!o.BreakWhenNoPictures)
    throw UsageError(name + " cannot be used with --no-break-when-no-pictures: the video's length would follow the sound");
  if (o.Look.Subtitles) throw UsageError(name + " cannot be used with --subtitles yet");
}

}  // namespace cli
