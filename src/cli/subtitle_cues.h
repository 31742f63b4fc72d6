// Captions as a subtitle stream: each caption shown from the middle of the
// transition into its slide to the middle of the one out of it (so cues
// never overlap), written as SubRip text for the muxer to take as it is.
#pragma once

#include <string>
#include <vector>

#include "slideshow/show.h"
#include "slideshow/show_plan.h"

namespace cli {

struct Cue {
  long long startMs = 0;
  long long endMs = 0;
  std::string text;
};

// One cue per slide with a caption, in the order of the slides.
std::vector<Cue> CaptionCues(const slideshow::Show& show, const slideshow::ShowPlan& plan);
// SubRip text; blank lines inside a caption (which would end its cue) are dropped.
std::string SubRipText(const std::vector<Cue>& cues);

}  // namespace cli
