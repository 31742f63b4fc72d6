// MP4 and MOV videos are recorded as fragments, each playable on its own, so
// a run cut short (a full disk, a kill, a crash) still leaves every fragment
// written so far. Once the run ends, the recording is copied with its index
// at the front, so the file plays while it downloads.
#pragma once

#include <cstdint>
#include <string>

namespace cli {

// Muxer options of the recording: a fragment at each key frame and at least
// every half second, so little is lost when the disk fills up.
inline constexpr const char* kFragmentedRecording =
    "-movflags +frag_keyframe+empty_moov+default_base_moof -frag_duration 500000";

// Cuts a recording back to its last whole fragment, so a run that broke off
// inside one (a full disk) leaves no torn data for players to stumble on.
// Returns the bytes cut: 0 for a whole recording, -1 when it cannot be read.
int64_t CutToWholeFragments(const std::string& recorded);

// Copies `recorded` into `target` (a new file) with the index first, streams
// untouched. Returns an empty text, or what went wrong; the caller removes a
// target that was not finished. Runs on the main thread, as a render does.
std::string WriteIndexFirst(const std::string& recorded, const std::string& target);

}  // namespace cli
