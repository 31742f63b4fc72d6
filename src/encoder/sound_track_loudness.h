// Loudness normalisation of a sound track (EBU R128): one measuring pass
// through the media libraries' ebur128 filter, then one gain for the track.
#pragma once

#include <optional>

#include "encoder/sound_track.h"

namespace encoder {

// Integrated loudness in LUFS of the track as it plays (fades and cut
// included), or nothing for a track too quiet to measure (near silence).
// Throws SoundFileError for a file that fails to decode and
// std::runtime_error when the filter cannot be set up.
std::optional<double> MeasureLoudness(SoundTrack& track, const SoundPassProgress& progress = {});

// Measures the track and sets its gain so it plays at targetLufs; returns
// the gain in dB, or nothing (and no gain) for a track too quiet to
// measure. The gain is held to kMaxLoudnessGainDb so near-silent music is
// not blown up to noise.
constexpr double kMaxLoudnessGainDb = 24.0;
std::optional<double> NormaliseLoudness(SoundTrack& track, double targetLufs,
                                        const SoundPassProgress& progress = {});

}  // namespace encoder
