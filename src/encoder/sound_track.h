// The show's sound track: a playlist of sound files joined one after
// another (optionally crossfaded), with per-file fades, an optional fade at
// the show's end and a loudness gain, streamed as interleaved float samples.
// The files are decoded as the track is read, never held whole.
// Used from one thread at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "encoder/sound_file_reader.h"
#include "encoder/sound_track_plan.h"

namespace encoder {

struct SoundTrackFile {
  std::string path;
  double fadeIn = 0;   // seconds
  double fadeOut = 0;  // seconds
};

struct SoundTrackSettings {
  std::vector<SoundTrackFile> files;
  double crossfade = 0;  // seconds each file overlaps the next
  int rate = 48000;
  int channels = 2;
};

// Called with 0..1 while a whole pass over the music runs.
using SoundPassProgress = std::function<void(double)>;

class SoundTrack {
 public:
  // Decodes every file once to learn its exact length. Throws
  // SoundFileError naming the first file that cannot be read or has no
  // sound, before anything else happens.
  explicit SoundTrack(SoundTrackSettings settings, const SoundPassProgress& progress = {});
  ~SoundTrack();
  SoundTrack(const SoundTrack&) = delete;
  SoundTrack& operator=(const SoundTrack&) = delete;

  int Rate() const { return settings_.rate; }
  int Channels() const { return settings_.channels; }
  double Seconds(int64_t frames) const { return double(frames) / settings_.rate; }
  // Sample frames of the joined files, and of the track as it plays.
  int64_t NaturalFrames() const { return plan_.NaturalFrames(); }
  int64_t Frames() const { return plan_.Frames(); }
  const SoundTrackPlan& Plan() const { return plan_; }

  // Ends the track at `frames` when that is before its natural end, fading
  // out over the last fadeFrames (0 cuts).
  void CutAt(int64_t frames, int64_t fadeFrames) { plan_.CutAt(frames, fadeFrames); }
  // Every sample is multiplied by gain (the loudness correction). Samples
  // are held within full scale, so a gain above 1 clips the rare peaks it
  // would push past it rather than leave the encoder to wrap them.
  void SetGain(double gain) { gain_ = float(gain); }

  // Starts reading from the beginning again.
  void Rewind();
  // Up to `frames` sample frames into out (frames x channels floats); fewer
  // only at the end. Throws SoundFileError for a file that fails to decode.
  size_t Read(float* out, size_t frames);

  // Reads the whole track from the start, handing each block to `sink`,
  // then rewinds.
  void ForEachBlock(const std::function<void(const float*, size_t)>& sink,
                    const SoundPassProgress& progress = {});

  // The name under which the "soundtrack" input format finds this track.
  std::string InputFileName() const;

 private:
  void MixFile(size_t i, float* out, int64_t from, size_t frames);

  SoundTrackSettings settings_;
  SoundTrackPlan plan_;
  float gain_ = 1.0f;
  int64_t position_ = 0;                                   // next frame Read gives
  std::vector<std::unique_ptr<SoundFileReader>> readers_;  // open while a file plays
  std::vector<int64_t> readAt_;                            // each reader's next frame
  std::vector<float> scratch_;
  uint64_t number_ = 0;  // in InputFileName
};

}  // namespace encoder
