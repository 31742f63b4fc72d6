// The renderer's options come in groups, each in a file of its own
// (options_<group>.cpp): Add registers the group's options on the parser,
// Settle checks what was given once every argument is read (values that
// depend on each other, defaults that depend on other groups). Both throw
// UsageError for a value the run cannot take.
#pragma once

#include "cli/render_options.h"

namespace CLI {
class App;
}

namespace cli {

struct OptionGroup {
  void (*Add)(CLI::App& app, CommandLine& cl);
  void (*Settle)(CommandLine& cl);
};

// Pictures, output, timing, effects and the run itself.
void AddBasicOptions(CLI::App& app, CommandLine& cl);
void SettleBasicOptions(CommandLine& cl);
// Work saved for the same pictures (held pictures encoded once).
void AddSpeedOptions(CLI::App& app, CommandLine& cl);
void SettleSpeedOptions(CommandLine& cl);

}  // namespace cli
