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
// Size presets, scaling, codecs, quality, speed, hardware, sound codec.
void AddOutputOptions(CLI::App& app, CommandLine& cl);
void SettleOutputOptions(CommandLine& cl);
// Folders and patterns of pictures, and their order.
void AddPictureOptions(CLI::App& app, CommandLine& cl);
void SettlePictureOptions(CommandLine& cl);

// Show files: a show to render, --write-show, --seed. Settled after the
// basic group, whose values override the file's show-wide ones.
void AddShowOptions(CLI::App& app, CommandLine& cl);
void SettleShowOptions(CommandLine& cl);

// The playlist, fades, fitting to the music, cuts on the beat, loudness.
void AddMusicOptions(CLI::App& app, CommandLine& cl);
void SettleMusicOptions(CommandLine& cl);

// Framing, motion and captions of every slide.
void AddLookOptions(CLI::App& app, CommandLine& cl);
void SettleLookOptions(CommandLine& cl);

}  // namespace cli
