// How much work a run does for the same pictures: held pictures encoded
// once where the container keeps frame durations.
#include <CLI/CLI.hpp>

#include "cli/option_groups.h"

namespace cli {

void AddSpeedOptions(CLI::App& app, CommandLine& cl) {
  SpeedOptions& s = cl.options.Speed;
  app.add_flag_callback("--every-frame", [&s] { s.HeldOnce = false; })->disable_flag_override();
}

void SettleSpeedOptions(CommandLine&) {}

}  // namespace cli
