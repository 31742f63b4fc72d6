// Captions as a subtitle stream: each caption shown from the middle of the
// transition into its slide to the middle of the one out of it (so cues
// never overlap). Matroska takes them as SubRip text as it is; MP4 and MOV
// as mov_text, made by the caption track input (encoder/caption_track_input.h).
#pragma once

#include <string>
#include <vector>

#include "encoder/caption_track_input.h"
#include "slideshow/show.h"
#include "slideshow/show_plan.h"

namespace cli {

using Cue = encoder::CaptionCue;

// The subtitle stream an output's container can take, by its extension.
enum class SubtitleForm { None, SubRip, MovText };
SubtitleForm SubtitleFormFor(const std::string& output);
// For messages: the extensions that take a subtitle stream.
inline constexpr const char* kSubtitleContainers = ".mkv, .mp4 and .mov";

// One cue per slide with a caption, in the order of the slides.
std::vector<Cue> CaptionCues(const slideshow::Show& show, const slideshow::ShowPlan& plan);
// SubRip text; blank lines inside a caption (which would end its cue) are dropped.
std::string SubRipText(const std::vector<Cue>& cues);

}  // namespace cli
