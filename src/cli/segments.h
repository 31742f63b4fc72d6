// One show rendered as N parts, each by a run of its own (on other cores or
// machines), and joined afterwards. Parts are cut where a picture's hold
// starts, so each begins on a whole picture with a key frame; every part
// carries a tag naming its place, so the join can refuse what does not fit.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "gfx/canvas.h"
#include "gfx/frame_result.h"
#include "slideshow/show_plan.h"

namespace slideshow {
class TSlideshowTimeline;
}

namespace cli {

// Frames [First, End) of the show's frames.
struct FrameSpan {
  int64_t First = 0;
  int64_t End = 0;
  bool operator==(const FrameSpan&) const = default;
};

// Part `index` (1..count) of the plan's frames. The cuts lie at the hold
// starts nearest to equal shares. Throws UsageError when the show has fewer
// pictures than parts.
FrameSpan PartFrames(const slideshow::ShowPlan& plan, int index, int count);

// The picture whose hold starts at or last before `frame`.
int HoldPicture(const slideshow::ShowPlan& plan, int64_t frame);

// The first picture a part starting at `firstFrame` must make: the one it
// starts on, or 0 where a frame it paints depends on every picture before
// it having been made (an effect that takes the new picture's bitmap
// handle, which counts every bitmap made before it, or a dressed slide).
int FirstPictureToMake(const slideshow::Show& show, const slideshow::ShowPlan& plan, int64_t firstFrame);

// What a part file says about itself, in the container's comment. The
// sound part holds the whole show's sound and no frames of its own.
struct PartTag {
  bool Sound = false;
  int Index = 0, Count = 0;   // K of N; 0 for the sound part
  FrameSpan Frames;
  int64_t ShowFrames = 0;     // of the whole show
  std::string Show;           // the show's fingerprint
  std::string Music;          // the sound part's: its sound files and fades
  bool operator==(const PartTag&) const = default;
};
std::string PartTagText(const PartTag& tag);
// Nothing for a text that is no part tag.
std::optional<PartTag> ParsePartTag(const std::string& text);

// A fingerprint of what decides the show's frames: size, rate, the
// pictures' names (not their folders, which differ between machines), the
// holds, transitions and drawn effects.
std::string ShowFingerprint(const slideshow::TSlideshowTimeline& timeline, const std::string& size,
                            const std::string& rate);
std::string ShowFingerprint(const std::vector<std::string>& pictures, const slideshow::ShowPlan& plan,
                            const std::string& size, const std::string& rate);

// A fingerprint of what decides the show's sound besides its length: the
// sound files' names and their fades.
std::string MusicFingerprint(const std::vector<std::string>& files, const std::string& settings);

// Hands out the frames of one part: the frames before it are passed over
// (only effects that draw from the shared generator as they go still run),
// and the part ends at its last frame.
class PartReader {
 public:
  explicit PartReader(FrameSpan span) : span_(span) {}
  gfx::TFrameResult Read(slideshow::TSlideshowTimeline& timeline, gfx::Canvas& canvas);

 private:
  FrameSpan span_;
  int64_t next_ = 0;  // the show's frame read next
};

}  // namespace cli
