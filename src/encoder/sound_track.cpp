#include "encoder/sound_track.h"

#include <algorithm>
#include <cmath>

#include "encoder/sound_track_input.h"

namespace encoder {

namespace {

int64_t FramesOf(double seconds, int rate) {
  return std::isfinite(seconds) && seconds > 0 ? std::llround(seconds * rate) : 0;
}

constexpr size_t kBlockFrames = 4096;

}  // namespace

SoundTrack::SoundTrack(SoundTrackSettings settings, const SoundPassProgress& progress)
    : settings_(std::move(settings)) {
  if (settings_.files.empty()) throw SoundFileError("no sound files were given");
  std::vector<PlaylistEntry> entries;
  for (size_t i = 0; i < settings_.files.size(); ++i) {
    const SoundTrackFile& f = settings_.files[i];
    PlaylistEntry e;
    const double files = double(settings_.files.size());
    e.length = CountSoundFrames(f.path, settings_.rate, [&](double done) {
      if (progress) progress((double(i) + done) / files);
    });
    if (e.length == 0) throw SoundFileError("sound file \"" + f.path + "\": has no sound");
    e.fadeIn = FramesOf(f.fadeIn, settings_.rate);
    e.fadeOut = FramesOf(f.fadeOut, settings_.rate);
    entries.push_back(e);
    if (progress) progress(double(i + 1) / files);
  }
  plan_ = SoundTrackPlan(entries, FramesOf(settings_.crossfade, settings_.rate));
  readers_.resize(settings_.files.size());
  readAt_.assign(settings_.files.size(), 0);
  number_ = RegisterSoundTrack(this);
}

SoundTrack::~SoundTrack() { UnregisterSoundTrack(number_); }

std::string SoundTrack::InputFileName() const { return std::to_string(number_); }

void SoundTrack::Rewind() {
  position_ = 0;
  for (auto& r : readers_) r.reset();
  std::fill(readAt_.begin(), readAt_.end(), 0);
}

size_t SoundTrack::Read(float* out, size_t frames) {
  const int channels = settings_.channels;
  frames = size_t(std::min<int64_t>(int64_t(frames), plan_.Frames() - position_));
  std::fill(out, out + frames * channels, 0.0f);
  const std::vector<PlannedFile>& files = plan_.Files();
  for (size_t i = 0; i < files.size(); ++i) {
    const int64_t from = std::max(position_, files[i].start);
    const int64_t to = std::min(position_ + int64_t(frames), files[i].start + files[i].length);
    if (from < to) MixFile(i, out + (from - position_) * channels, from, size_t(to - from));
    // A file that has played out gives its decoder back at once.
    if (files[i].start + files[i].length <= position_ + int64_t(frames)) readers_[i].reset();
  }
  for (size_t k = 0; k < frames; ++k) {
    const float g = plan_.EndGain(position_ + int64_t(k)) * gain_;
    for (int c = 0; c < channels; ++c) {
      float& v = out[k * channels + c];
      v = std::clamp(v * g, -1.0f, 1.0f);
    }
  }
  position_ += int64_t(frames);
  return frames;
}

void SoundTrack::MixFile(size_t i, float* out, int64_t from, size_t frames) {
  const int channels = settings_.channels;
  const PlannedFile& f = plan_.Files()[i];
  const int64_t local = from - f.start;
  if (!readers_[i] || readAt_[i] > local) {
    readers_[i] =
        std::make_unique<SoundFileReader>(settings_.files[i].path, settings_.rate, channels);
    readAt_[i] = 0;
  }
  scratch_.resize(std::max(frames, kBlockFrames) * channels);
  // Skip up to `local` (only after a rewind into the middle, which Read never does).
  while (readAt_[i] < local) {
    const size_t skip = size_t(std::min<int64_t>(local - readAt_[i], int64_t(kBlockFrames)));
    const size_t got = readers_[i]->Read(scratch_.data(), skip);
    if (got == 0) return;
    readAt_[i] += int64_t(got);
  }
  // A file that decodes shorter than it counted leaves silence, not a shift.
  const size_t got = readers_[i]->Read(scratch_.data(), frames);
  for (size_t k = 0; k < got; ++k) {
    const float g = plan_.FileGain(i, local + int64_t(k));
    for (int c = 0; c < channels; ++c) out[k * channels + c] += scratch_[k * channels + c] * g;
  }
  readAt_[i] += int64_t(got);
}

void SoundTrack::ForEachBlock(const std::function<void(const float*, size_t)>& sink,
                              const SoundPassProgress& progress) {
  Rewind();
  std::vector<float> block(kBlockFrames * settings_.channels);
  const int64_t total = std::max<int64_t>(plan_.Frames(), 1);
  int64_t done = 0, reported = 0;
  while (const size_t got = Read(block.data(), kBlockFrames)) {
    sink(block.data(), got);
    done += int64_t(got);
    // About a hundred reports over the pass.
    if (progress && (done - reported) * 100 >= total) {
      progress(double(done) / double(total));
      reported = done;
    }
  }
  Rewind();
}

}  // namespace encoder
