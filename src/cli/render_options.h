// The renderer's command line: what a run is asked to do, read and checked
// before anything starts, so a mistake costs one clear line and no file.
#pragma once

#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace cli {

// A value or argument the program cannot take; exit code 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Work the run may save without changing what players show.
struct SpeedOptions {
  bool HeldOnce = true;  // MP4, MOV, MKV: a held picture is encoded once
};

struct RenderOptions {
  std::vector<std::string> Pictures;
  std::vector<std::string> PictureLists;  // --list files, read into Pictures once parsed
  std::string Output;
  std::string Audio;               // empty: no sound track
  std::string FrameRate = "30/1";  // always "N/D" once parsed
  std::string FrameSize = "320x240";
  std::string PictureDelay = "2.0";
  std::string TransitionDelay = "1.0";
  bool RandomEffects = true;       // as the window
  int Effect = 0;                  // 1..176 for one effect everywhere, 0 for none
  bool BreakWhenNoPictures = true; // as the window
  bool RealTime = false;
  bool ExifOrientation = true;     // turn JPEG photos upright
  bool SmoothFit = false;          // area-averaged fit instead of the blocky stretch
  bool Quiet = false;
  SpeedOptions Speed;
};

enum class Command { Render, Help, Version, ListEffects };

struct CommandLine {
  Command command = Command::Render;
  RenderOptions options;
  // The flags that print and leave; Help wins over ListEffects over Version.
  bool Help = false;
  bool ListEffects = false;
  bool Version = false;
};

// Reads the arguments after the program name. Throws UsageError naming the
// value and what is allowed. Files are not looked at here, except --list
// files, whose pictures are read.
CommandLine ParseCommandLine(std::span<const std::string> args);

// Value checks, each returning the value in the form the run uses; the
// rules are the show's (slideshow/value_rules.h), the messages name the option.
std::string CheckFrameSize(const std::string& text);     // "WxH", even sides
std::string CheckFrameRate(const std::string& text);     // "N/D"
std::string CheckDelay(const std::string& option, const std::string& text);
int CheckEffect(const std::string& text);                // 1..176
// Picture paths of a list file, one a line; blank lines are skipped.
std::vector<std::string> ReadPictureList(const std::string& listFile);

}  // namespace cli
