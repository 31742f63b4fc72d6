// The renderer's command line: what a run is asked to do, read and checked
// before anything starts, so a mistake costs one clear line and no file.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "slideshow/show.h"
#include "cli/output_choice.h"
#include "slideshow/output_defaults.h"
#include "slideshow/look.h"

namespace cli {

// A value or argument the program cannot take; exit code 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Show files in and out (options_show.cpp).
struct ShowOptions {
  std::string File;               // the show to render; empty: the command line's
  std::string WriteTo;            // --write-show: write the show there and exit
  std::optional<uint32_t> Seed;   // --seed
  bool SeedDrawn = false;         // no seed was given and the show draws effects
  std::set<std::string> Given;    // the options named on the command line
  slideshow::Show Composed;       // what the run renders, once parsed
};

// The music group (options_music.cpp): a playlist after --audio, its fades,
// and how the show follows it.
struct MusicOptions {
  std::vector<std::string> Files;  // --music, played after --audio
  double FadeIn = 0;               // seconds, every file
  double FadeOut = 0;              // seconds, every file
  double Crossfade = 0;            // seconds each file overlaps the next
  double EndFade = 2;              // seconds of fade where the pictures end first; 0 cuts
  bool FitToMusic = false;         // holds stretched or shrunk so the show ends with the music
  double MinHold = 0.5;            // seconds a fitted hold may not fall under
  std::string Sync = "none";       // "none", "beats" or "onsets": transitions start on them
  std::optional<double> Loudness;  // LUFS the sound is normalised to
  // Fades of single files by place in the playlist (--audio first), from a
  // show file; unset: FadeIn and FadeOut.
  std::vector<std::pair<std::optional<double>, std::optional<double>>> FileFades;
};

// How every slide looks: placement, motion and captions.
struct LookOptions {
  slideshow::FitMode Fit = slideshow::FitMode::Fit;
  gfx::Color Background = gfx::clBlack;
  double FillX = 0.5, FillY = 0.5;
  slideshow::MotionSpec Motion;
  slideshow::CaptionStyle Captions;
  std::string CaptionsFile;           // --captions: one caption a line, picture by picture
  std::vector<std::string> CaptionTexts;  // read from it once parsed
  bool Subtitles = false;             // the captions also as a subtitle stream
};

// Work the run may save without changing what players show.
struct SpeedOptions {
  bool HeldOnce = true;  // MP4, MOV, MKV: a held picture is encoded once
  int Segment = 0, Segments = 0;      // --segment K/N: only part K of N; 0: the whole show
  bool SoundPart = false;             // --segment sound: only the show's whole sound track
  std::vector<std::string> JoinParts; // --join: the parts to put together into Output
};

struct RenderOptions {
  std::vector<std::string> Pictures;
  std::vector<std::string> PictureLists;  // --list files, read into Pictures once parsed
  std::string Output;
  std::string Audio;               // empty: no sound track
  std::string FrameRate = slideshow::kDefaultFrameRate;  // always "N/D" once parsed
  std::string FrameSize = slideshow::kDefaultFrameSize;
  std::string PictureDelay = "2.0";
  std::string TransitionDelay = "1.0";
  bool RandomEffects = true;       // as the window
  int Effect = 0;                  // 1..176 for one effect everywhere, 0 for none
  bool BreakWhenNoPictures = true; // as the window
  bool RealTime = false;
  bool ExifOrientation = true;     // turn JPEG photos upright
  bool SmoothFit = slideshow::kDefaultSmoothFit;  // area-averaged fit, not the blocky stretch
  bool Quiet = false;
  ShowOptions Show;
  EncodingOptions Encoding;        // codec, quality, hardware, sound codec
  MusicOptions Music;
  LookOptions Look;
  std::string PictureSort;         // --sort: name, date, none; empty: not given
  SpeedOptions Speed;
};

// The show the command line's values describe, one slide per picture.
slideshow::Show ShowFromOptions(const RenderOptions& o);
// The show a run renders: the one put together by hand (not parsed), if
// any, else the command line's.
slideshow::Show ShowToRender(const RenderOptions& o);

enum class Command { Render, Help, Version, ListEffects, WriteShow };

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
