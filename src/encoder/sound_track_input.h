// "soundtrack": an input format of our own whose one stream is a live
// SoundTrack, read as float PCM packets on the engine's thread. The input's
// file name is the track's InputFileName; the track must outlive the run.
#pragma once

#include <cstdint>

namespace encoder {

class SoundTrack;

constexpr const char* kSoundTrackFormat = "soundtrack";

// Registers the format with the engine's own input formats; once is enough,
// more is harmless. The media libraries must be loaded.
void RegisterSoundTrackFormat();

// For SoundTrack: the number its input file name carries, and its release.
uint64_t RegisterSoundTrack(SoundTrack* track);
void UnregisterSoundTrack(uint64_t number);

}  // namespace encoder
