// What the video is made as: size presets and scaling, codec, quality or bit
// rate, encoder speed, hardware encoding, sound codec, fast start.
#include <CLI/CLI.hpp>

#include "cli/option_groups.h"
#include "cli/option_values.h"
#include "cli/output_choice.h"

namespace cli {

void AddOutputOptions(CLI::App& app, CommandLine& cl) {
  RenderOptions& o = cl.options;
  EncodingOptions& e = o.Encoding;
  // --size wins over a preset wherever each stands.
  if (CLI::Option* size = app.get_option_no_throw("--size"))
    size->each([&e](const std::string&) { e.SizeGiven = true; });
  AddValue(app, "--preset", [&e](const std::string& v) { e.PresetSize = PresetSize(v); });
  AddValue(app, "--scaling", [&o](const std::string& v) {
    if (v == "smooth" || v == "nearest") o.SmoothFit = v == "smooth";
    else throw UsageError("--scaling \"" + v + "\": use smooth (averaged) or nearest (the window's blocky stretch)");
  });
  AddValue(app, "--codec", [&e](const std::string& v) { e.Codec = CheckCodec(v); });
  AddValue(app, "--quality", [&e](const std::string& v) {
    e.Quality = CheckQuality(v);
    e.QualityGiven = true;
  });
  AddValue(app, "--bitrate", [&e](const std::string& v) { e.Bitrate = CheckBitrate("--bitrate", v); });
  AddValue(app, "--speed", [&e](const std::string& v) { e.Speed = CheckSpeed(v); });
  AddValue(app, "--hw", [&e](const std::string& v) { e.Hw = CheckHw(v); });
  AddValue(app, "--audio-codec", [&e](const std::string& v) { e.AudioCodec = CheckAudioCodec(v); });
  AddValue(app, "--audio-bitrate",
           [&e](const std::string& v) { e.AudioBitrate = CheckBitrate("--audio-bitrate", v); });
  app.add_flag("!--no-fast-start", e.FastStart)->disable_flag_override();
}

void SettleOutputOptions(CommandLine& cl) {
  RenderOptions& o = cl.options;
  EncodingOptions& e = o.Encoding;
  if (!e.PresetSize.empty() && !e.SizeGiven) {
    o.FrameSize = e.PresetSize;
    o.Show.Given.insert("--size");  // a preset overrides a show file's size too
  }
  if (e.QualityGiven && !e.Bitrate.empty())
    throw UsageError("--quality and --bitrate: give one of them (a quality, or bits per second)");
  if (!o.Output.empty()) CheckContainerFits(e, o.Output);
}

}  // namespace cli
