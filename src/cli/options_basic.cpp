// The options the renderer shares with the window: pictures, output, sound,
// frame size and rate, times, effects, and how the run goes.
#include <CLI/CLI.hpp>

#include "cli/option_groups.h"
#include "cli/option_values.h"

namespace cli {
void AddBasicOptions(CLI::App& app, CommandLine& cl) {
  RenderOptions& o = cl.options;
  app.add_option("pictures", o.Pictures);
  AddValue(app, "-o,--output", [&o](const std::string& v) {
    if (v.empty()) throw UsageError("--output: give the video file to write");
    o.Output = v;
  });
  // Lists are read once every argument is known: their pictures come after
  // the ones named on the command line.
  app.add_option("--list", o.PictureLists)->allow_extra_args(false);
  AddValue(app, "--audio", [&o](const std::string& v) {
    if (v.empty()) throw UsageError("--audio: give the sound file to use");
    o.Audio = v;
  });
  AddValue(app, "--rate", [&o](const std::string& v) { o.FrameRate = CheckFrameRate(v); });
  AddValue(app, "--size", [&o](const std::string& v) { o.FrameSize = CheckFrameSize(v); });
  AddValue(app, "--picture-delay",
           [&o](const std::string& v) { o.PictureDelay = CheckDelay("--picture-delay", v); });
  AddValue(app, "--transition-delay", [&o](const std::string& v) {
    o.TransitionDelay = CheckDelay("--transition-delay", v);
  });
  AddValue(app, "--effect", [&o](const std::string& v) { o.Effect = CheckEffect(v); });
  AddFlag(app, "--random,!--sequential", o.RandomEffects);
  AddFlag(app, "--break-when-no-pictures,!--no-break-when-no-pictures", o.BreakWhenNoPictures);
  AddFlag(app, "--realtime", o.RealTime);
  AddFlag(app, "!--no-exif-orientation", o.ExifOrientation);
  AddFlag(app, "--smooth-fit", o.SmoothFit);
  AddFlag(app, "-q,--quiet", o.Quiet);
  AddFlag(app, "--list-effects", cl.ListEffects);
  AddFlag(app, "-V,--version", cl.Version);
  AddFlag(app, "-h,--help", cl.Help);
}

void SettleBasicOptions(CommandLine& cl) {
  RenderOptions& o = cl.options;
  for (const std::string& list : o.PictureLists)
    for (std::string& p : ReadPictureList(list)) o.Pictures.push_back(std::move(p));
  o.PictureLists.clear();
}

}  // namespace cli
