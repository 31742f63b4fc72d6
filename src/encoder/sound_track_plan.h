// Where each file of a playlist sits in the joined sound track and how loud
// it is at each sample: fades, crossfades and the fade at the show's end.
// Pure sample arithmetic; the sound track applies it while it streams.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace encoder {

struct PlannedFile {
  int64_t start = 0;                  // first sample frame in the track
  int64_t length = 0;                 // sample frames of the file
  int64_t fadeIn = 0, fadeOut = 0;    // the file's own fades
  int64_t crossIn = 0, crossOut = 0;  // overlap with the file before / after
};

struct PlaylistEntry {
  int64_t length = 0;
  int64_t fadeIn = 0, fadeOut = 0;
};

class SoundTrackPlan {
 public:
  SoundTrackPlan() = default;
  // Files one after another, each overlapping the next by crossfade frames
  // (at most half of either file, so a file's two overlaps never meet).
  SoundTrackPlan(const std::vector<PlaylistEntry>& entries, int64_t crossfade);

  // Ends the track at frames (when that is sooner than its natural end),
  // fading out over the last fadeFrames before it; 0 cuts.
  void CutAt(int64_t frames, int64_t fadeFrames);

  const std::vector<PlannedFile>& Files() const { return files_; }
  int64_t NaturalFrames() const { return natural_; }
  int64_t Frames() const { return length_; }

  // The envelope of file i at its own sample frame `local`.
  float FileGain(size_t i, int64_t local) const;
  // The show's end fade at track frame `at` (1 outside it).
  float EndGain(int64_t at) const;

 private:
  std::vector<PlannedFile> files_;
  int64_t natural_ = 0;
  int64_t length_ = 0;
  int64_t endFade_ = 0;
};

}  // namespace encoder
