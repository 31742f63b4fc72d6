#include "encoder/music_onsets.h"

#include <aubio/aubio.h>

#include <memory>
#include <stdexcept>

namespace encoder {

namespace {

// aubio's defaults for music: 1024-sample windows, half of that between them.
constexpr uint_t kWindow = 1024;
constexpr uint_t kHop = 512;

struct FvecFree {
  void operator()(fvec_t* v) const { del_fvec(v); }
};
struct OnsetFree {
  void operator()(aubio_onset_t* o) const { del_aubio_onset(o); }
};
struct TempoFree {
  void operator()(aubio_tempo_t* t) const { del_aubio_tempo(t); }
};

// One detector behind one call, so the feeding loop is the same for both kinds.
class Detector {
 public:
  Detector(OnsetKind kind, uint_t rate) : kind_(kind) {
    if (kind == OnsetKind::Beats)
      tempo_.reset(new_aubio_tempo("default", kWindow, kHop, rate));
    else
      onset_.reset(new_aubio_onset("default", kWindow, kHop, rate));
    if (!tempo_ && !onset_) throw std::runtime_error("music analysis (aubio) cannot start");
  }
  // Whether the hop just fed holds a beat or onset, and when (seconds).
  bool Feed(const fvec_t* hop, fvec_t* out, double& at) {
    if (kind_ == OnsetKind::Beats) {
      aubio_tempo_do(tempo_.get(), hop, out);
      at = aubio_tempo_get_last_s(tempo_.get());
    } else {
      aubio_onset_do(onset_.get(), hop, out);
      at = aubio_onset_get_last_s(onset_.get());
    }
    return out->data[0] != 0;
  }

 private:
  OnsetKind kind_;
  std::unique_ptr<aubio_tempo_t, TempoFree> tempo_;
  std::unique_ptr<aubio_onset_t, OnsetFree> onset_;
};

}  // namespace

std::vector<double> DetectOnsets(SoundTrack& track, OnsetKind kind,
                                 const SoundPassProgress& progress) {
  Detector detector(kind, uint_t(track.Rate()));
  const std::unique_ptr<fvec_t, FvecFree> hop(new_fvec(kHop));
  const std::unique_ptr<fvec_t, FvecFree> out(new_fvec(2));
  if (!hop || !out) throw std::runtime_error("music analysis (aubio): out of memory");
  std::vector<double> times;
  const int channels = track.Channels();
  uint_t filled = 0;
  auto flush = [&] {
    double at = 0;
    if (detector.Feed(hop.get(), out.get(), at) && at >= 0) times.push_back(at);
    filled = 0;
  };
  track.ForEachBlock(
      [&](const float* samples, size_t frames) {
        for (size_t k = 0; k < frames; ++k) {
          float mono = 0;
          for (int c = 0; c < channels; ++c) mono += samples[k * channels + c];
          hop->data[filled++] = mono / float(channels);
          if (filled == kHop) flush();
        }
      },
      progress);
  if (filled > 0) {
    for (uint_t k = filled; k < kHop; ++k) hop->data[k] = 0;
    flush();
  }
  return times;
}

}  // namespace encoder
