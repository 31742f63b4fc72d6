// A show: the ordered slides with their own times and transitions, and the
// values that hold for the whole show. Plain data, no toolkit, no media
// library; the show file reads and writes it, the timeline composes it.
//
// To add a value: a field in ShowSettings (show-wide) and, when slides may
// override it, an optional field in Slide plus a line in Resolve(); then a
// row in the show file's key table (show_file_keys.cpp).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "slideshow/look.h"
#include "slideshow/output_defaults.h"

namespace slideshow {

// How the transition into the next picture is chosen.
enum class EffectMode {
  Random,      // drawn from the show's seed
  Sequential,  // the row after the previous transition's
  None,        // a cut: no transition frames
  Fixed,       // Number
};

struct EffectChoice {
  EffectMode Mode = EffectMode::Random;
  int Number = 0;  // 1..176 when Mode is Fixed
  bool operator==(const EffectChoice&) const = default;
};

// "random", "sequential", "none", a row 1..176 or an effect's name (any
// case). Returns the choice or std::nullopt; *error (when given) says why.
std::optional<EffectChoice> ParseEffectChoice(std::string_view text, std::string* error = nullptr);
// The text ParseEffectChoice reads back: a name where it is unique, else the row.
std::string EffectChoiceText(const EffectChoice& choice);

enum class Scaling { Nearest, Smooth };
// What ends the video: the last picture, or the end of the sound (black after
// the pictures), as the window's "Break when no pictures" box.
enum class ShowEnd { Pictures, Sound };

struct FrameRate {
  int Numerator = 30;
  int Denominator = 1;
  bool operator==(const FrameRate&) const = default;
};

// A sound file of the show's music, with fades of its own; none: the show's.
struct SoundFile {
  std::string File;
  std::optional<double> FadeIn;   // seconds
  std::optional<double> FadeOut;  // seconds
  bool operator==(const SoundFile&) const = default;
};

// Where the music has transitions start: nowhere special, on its beats or on
// its onsets.
enum class MusicSync { None, Beats, Onsets };

// How the sound files play and how the show follows them. Seconds; 0: none.
struct MusicSettings {
  double FadeIn = 0;      // every file without its own
  double FadeOut = 0;
  double Crossfade = 0;   // each file overlaps the next
  double EndFade = 2;     // where the pictures end first; 0 cuts
  bool FitToMusic = false;
  double MinHold = 0.5;   // a fitted or moved hold stays at least this long
  MusicSync Sync = MusicSync::None;
  std::optional<double> Loudness;  // LUFS; none: left as it is
  bool operator==(const MusicSettings&) const = default;
};

// Times are seconds, kept as the window reads them (long double) so a
// show's frame counts round exactly as the window's do.
struct ShowSettings {
  int Width = kDefaultFrameWidth;
  int Height = kDefaultFrameHeight;
  FrameRate Rate;
  long double Hold = 2.0L;        // default for every slide
  long double Transition = 1.0L;  // default for every slide
  EffectChoice Effect;            // default for every slide; also the intro's
  std::optional<uint32_t> Seed;   // none: a run draws one when it needs one
  Scaling Scale = kDefaultSmoothFit ? Scaling::Smooth : Scaling::Nearest;
  FitMode Fit = FitMode::Fit;
  std::vector<SoundFile> Sound;  // played one after another
  MusicSettings Music;
  ShowEnd End = ShowEnd::Pictures;
  bool ExifOrientation = true;    // turn JPEG photos upright
  bool EveryFrame = false;        // renderer: encode held pictures every frame
  // Defaults for every slide's look (Fit above is their placement); the
  // caption style holds for the whole show.
  gfx::Color Background = gfx::clBlack;  // the bars of Fit
  double FillX = 0.5, FillY = 0.5;        // the part Fill keeps
  MotionSpec Motion;
  CaptionStyle Captions;
  bool operator==(const ShowSettings&) const = default;
};

// One picture; an empty value falls back to the show-wide one.
struct Slide {
  std::string Picture;
  std::optional<long double> Hold;
  // Into the next slide; the last slide's leads to black.
  std::optional<long double> Transition;
  std::optional<EffectChoice> Effect;
  std::optional<FitMode> Fit;
  std::optional<MotionSpec> Motion;  // its easing is Easing's or the show's
  std::string Caption;  // UTF-8; empty: none
  std::optional<gfx::Color> Background;
  std::optional<std::pair<double, double>> FillAt;
  std::optional<slideshow::Easing> Easing;
  bool operator==(const Slide&) const = default;
};

struct Show {
  ShowSettings Settings;
  std::vector<Slide> Slides;
  bool operator==(const Show&) const = default;
};

// A slide with every value filled in.
struct ResolvedSlide {
  std::string Picture;
  long double Hold = 0;
  long double Transition = 0;
  EffectChoice Effect;
  SlideLook Look;
};

ResolvedSlide Resolve(const ShowSettings& settings, const Slide& slide);

// True when some transition of the show (the intro included) is drawn at random.
bool UsesRandomEffects(const Show& show);

}  // namespace slideshow
