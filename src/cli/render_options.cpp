#include "cli/render_options.h"

#include <CLI/CLI.hpp>

#include <fstream>

#include "cli/option_groups.h"
#include "cli/option_values.h"
#include "slideshow/value_rules.h"

namespace cli {
namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// Every group of options, in the order they are settled.
constexpr OptionGroup kOptionGroups[] = {
    {AddBasicOptions, SettleBasicOptions},
    {AddPictureOptions, SettlePictureOptions},
    {AddOutputOptions, SettleOutputOptions},
    {AddLookOptions, SettleLookOptions},
    {AddShowOptions, SettleShowOptions},
    {AddMusicOptions, SettleMusicOptions},
    {AddSpeedOptions, SettleSpeedOptions},
};

// The parser's own complaints in the words the program has always used.
[[noreturn]] void Rephrase(const CLI::ParseError& e, std::span<const std::string> args) {
  const std::string text = e.what();
  if (const size_t missing = text.find(": 1 required"); missing != std::string::npos)
    throw UsageError(text.substr(0, missing) + ": a value must follow (see --help)");
  if (const size_t flag = text.find(" was given a disallowed flag override");
      flag != std::string::npos) {
    const std::string name = "--" + text.substr(0, flag);
    for (const std::string& arg : args)
      if (arg.starts_with(name + "="))
        throw UsageError(name + " takes no value (got " + Quoted(arg.substr(name.size() + 1)) +
                         ")");
    throw UsageError(name + " takes no value");
  }
  throw UsageError(text + " (see --help)");
}

}  // namespace

std::string CheckFrameSize(const std::string& text) {
  return Checked("--size", text, [](const std::string& t) { return slideshow::FrameSizeValue(t); });
}

std::string CheckFrameRate(const std::string& text) {
  return Checked("--rate", text, [](const std::string& t) { return slideshow::FrameRateValue(t); });
}

std::string CheckDelay(const std::string& option, const std::string& text) {
  Checked(option, text, [](const std::string& t) { return slideshow::SecondsValue(t); });
  return text;
}

int CheckEffect(const std::string& text) {
  return Checked("--effect", text, [](const std::string& t) { return slideshow::EffectValue(t); });
}

std::vector<std::string> ReadPictureList(const std::string& listFile) {
  std::ifstream in(listFile);
  if (!in) throw UsageError("--list " + Quoted(listFile) + ": cannot read this file");
  std::vector<std::string> pictures;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find_first_not_of(" \t") == std::string::npos) continue;
    pictures.push_back(line);
  }
  if (in.bad()) throw UsageError("--list " + Quoted(listFile) + ": cannot read this file");
  return pictures;
}

CommandLine ParseCommandLine(std::span<const std::string> args) {
  CommandLine cl;
  CLI::App app;
  app.set_help_flag();  // our own help text
  app.allow_extras();   // unknown options are refused below, by name
  for (const OptionGroup& group : kOptionGroups) group.Add(app, cl);
  // CLI11 takes the arguments last first.
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::ParseError& e) {
    Rephrase(e, args);
  }
  for (const std::string& extra : app.remaining())
    if (extra != "--") throw UsageError("unknown option " + Quoted(extra) + " (see --help)");

  if (cl.Help) cl.command = Command::Help;
  else if (cl.ListEffects) cl.command = Command::ListEffects;
  else if (cl.Version) cl.command = Command::Version;
  if (cl.command != Command::Render) return cl;

  for (const OptionGroup& group : kOptionGroups) group.Settle(cl);
  if (cl.command == Command::WriteShow) return cl;
  if (cl.options.Output.empty())
    throw UsageError("no output file: give one with -o FILE (such as -o show.mp4)");
  if (cl.options.Pictures.empty())
    throw UsageError("no pictures: name them after the options or with --list FILE");
  return cl;
}

}  // namespace cli
