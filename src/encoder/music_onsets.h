// Where the music's beats or onsets fall, found by aubio in the sound track
// as it will play, so cuts can land on them.
#pragma once

#include <vector>

#include "encoder/sound_track.h"

namespace encoder {

enum class OnsetKind {
  Beats,   // the beat tracker: a steady pulse, also through soft passages
  Onsets,  // every note or hit that starts
};

// Times in seconds from the start of the track, ascending. Throws
// SoundFileError for a file that fails to decode.
std::vector<double> DetectOnsets(SoundTrack& track, OnsetKind kind,
                                 const SoundPassProgress& progress = {});

}  // namespace encoder
