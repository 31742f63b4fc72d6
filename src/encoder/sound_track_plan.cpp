#include "encoder/sound_track_plan.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace encoder {

namespace {

// Where `at` lies in a ramp of `length` frames starting at `from`, 0..1.
double RampPosition(int64_t at, int64_t from, int64_t length) {
  return (double(at - from) + 0.5) / double(length);
}

}  // namespace

SoundTrackPlan::SoundTrackPlan(const std::vector<PlaylistEntry>& entries, int64_t crossfade) {
  int64_t at = 0;
  for (size_t i = 0; i < entries.size(); ++i) {
    PlannedFile f;
    f.length = std::max<int64_t>(entries[i].length, 0);
    f.fadeIn = std::clamp<int64_t>(entries[i].fadeIn, 0, f.length);
    f.fadeOut = std::clamp<int64_t>(entries[i].fadeOut, 0, f.length);
    if (i > 0) {
      PlannedFile& before = files_.back();
      const int64_t overlap =
          std::clamp<int64_t>(crossfade, 0, std::min(before.length, f.length) / 2);
      before.crossOut = overlap;
      f.crossIn = overlap;
      at -= overlap;
    }
    f.start = at;
    at += f.length;
    files_.push_back(f);
  }
  natural_ = length_ = at;
}

void SoundTrackPlan::CutAt(int64_t frames, int64_t fadeFrames) {
  length_ = std::clamp<int64_t>(frames, 0, natural_);
  endFade_ = length_ < natural_ ? std::clamp<int64_t>(fadeFrames, 0, length_) : 0;
}

float SoundTrackPlan::FileGain(size_t i, int64_t local) const {
  const PlannedFile& f = files_[i];
  if (local < 0 || local >= f.length) return 0.0f;
  double gain = 1.0;
  if (local < f.fadeIn) gain *= RampPosition(local, 0, f.fadeIn);
  if (local >= f.length - f.fadeOut)
    gain *= 1.0 - RampPosition(local, f.length - f.fadeOut, f.fadeOut);
  // Equal power across an overlap: the sum of the two gains' squares is 1,
  // so the join neither dips nor swells for unrelated music.
  constexpr double kQuarter = std::numbers::pi / 2;
  if (local < f.crossIn) gain *= std::sin(kQuarter * RampPosition(local, 0, f.crossIn));
  if (local >= f.length - f.crossOut)
    gain *= std::cos(kQuarter * RampPosition(local, f.length - f.crossOut, f.crossOut));
  return float(gain);
}

float SoundTrackPlan::EndGain(int64_t at) const {
  if (endFade_ == 0 || at < length_ - endFade_) return at < length_ ? 1.0f : 0.0f;
  if (at >= length_) return 0.0f;
  return float(1.0 - RampPosition(at, length_ - endFade_, endFade_));
}

}  // namespace encoder
