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
#include <vector>

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
// How a picture is placed in the frame.
enum class FitMode { Fit };
// What ends the video: the last picture, or the end of the sound (black after
// the pictures), as the window's "Break when no pictures" box.
enum class ShowEnd { Pictures, Sound };

struct FrameRate {
  int Numerator = 30;
  int Denominator = 1;
  bool operator==(const FrameRate&) const = default;
};

// Times are seconds, kept as the window reads them (long double) so a
// show's frame counts round exactly as the window's do.
struct ShowSettings {
  int Width = 320;
  int Height = 240;
  FrameRate Rate;
  long double Hold = 2.0L;        // default for every slide
  long double Transition = 1.0L;  // default for every slide
  EffectChoice Effect;            // default for every slide; also the intro's
  std::optional<uint32_t> Seed;   // none: a run draws one when it needs one
  Scaling Scale = Scaling::Nearest;
  FitMode Fit = FitMode::Fit;
  std::vector<std::string> Sound;  // sound files, played one after another
  ShowEnd End = ShowEnd::Pictures;
  bool ExifOrientation = true;    // turn JPEG photos upright
  bool operator==(const ShowSettings&) const = default;
};

// One picture; an empty value falls back to the show-wide one.
struct Slide {
  std::string Picture;
  std::optional<long double> Hold;
  // Into the next slide; the last slide's leads to black.
  std::optional<long double> Transition;
  std::optional<EffectChoice> Effect;
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
};

ResolvedSlide Resolve(const ShowSettings& settings, const Slide& slide);

// True when some transition of the show (the intro included) is drawn at random.
bool UsesRandomEffects(const Show& show);

}  // namespace slideshow
