// The renderer's music: the sound files assembled into one track, the show's
// holds fitted to it or moved onto its beats, the track cut where the
// pictures end and brought to the asked loudness.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "cli/render_options.h"
#include "encoder/sound_track.h"
#include "slideshow/slideshow_timeline.h"

namespace cli {

// What a long pass over the music reports: its name and 0..1 done.
using MusicProgress = std::function<void(const std::string& pass, double done)>;

// Builds the track from --audio and --music and adjusts the prepared
// timeline's holds. Returns null when there is no music. Throws
// encoder::SoundFileError for a file without sound (named) and
// slideshow::MusicFitError for music that cannot carry the show; `note`
// gets one line for what was changed (fitted holds, cuts on beats, gain).
std::unique_ptr<encoder::SoundTrack> PrepareMusic(
    const RenderOptions& o, slideshow::TSlideshowTimeline& timeline, const MusicProgress& progress,
    const std::function<void(const std::string&)>& note);

// Frames per second of an "N/D" rate.
double FramesPerSecond(const std::string& rate);

}  // namespace cli
