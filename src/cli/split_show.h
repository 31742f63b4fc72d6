// The renderer's side of a split show: the run of one part (its frames
// only, tagged with its place, no sound) and the sound of the join.
#pragma once

#include <string>

#include "cli/render_options.h"
#include "cli/slideshow_render.h"
#include "encoder/sound_track.h"

namespace cli {

// Sets the prepared render to part --segment K/N of the show and returns
// the output options that tag the file. Throws UsageError when the show
// has fewer pictures than parts.
std::string StartPart(const RenderOptions& o, SlideshowRender& render);

// The sound part's fingerprint of the options' sound.
std::string PartMusic(const RenderOptions& o);

// The output options that tag the sound part of the show.
std::string SoundPartTag(const RenderOptions& o, const SlideshowRender& render);

// The show's fingerprint as StartPart tags it.
std::string PartShow(const RenderOptions& o, const SlideshowRender& render);
// The same from the options alone, without preparing a run: for shows whose
// music does not move the cuts.
std::string PlannedShow(const RenderOptions& o, int64_t& showFrames);

// Encodes the whole track alone into file with the run's output options.
// Returns an empty text or what went wrong. On the main thread.
std::string EncodeSound(encoder::SoundTrack& track, const std::string& outputOptions,
                        const std::string& file);

}  // namespace cli
