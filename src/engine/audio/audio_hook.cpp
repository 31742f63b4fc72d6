#include "engine/audio/audio_hook.h"

#include <climits>
#include <cstring>

#include "engine/custom_ffmpeg.h"
#include "media/binding/ff_utils.h"

namespace engine {
namespace {

// Planar channels into one interleaved block and back.
void Interleave(const AVFrame& frame, int channels, int bytes, uint8_t* out) {
  for (int s = 0; s < frame.nb_samples; ++s)
    for (int c = 0; c < channels; ++c, out += bytes)
      std::memcpy(out, frame.extended_data[c] + ptrdiff_t(s) * bytes, size_t(bytes));
}

void Deinterleave(const uint8_t* in, int channels, int bytes, AVFrame& frame) {
  for (int s = 0; s < frame.nb_samples; ++s)
    for (int c = 0; c < channels; ++c, in += bytes)
      std::memcpy(frame.extended_data[c] + ptrdiff_t(s) * bytes, in, size_t(bytes));
}

}  // namespace

void AudioHookStage::Run(const AudioHook& hook, const TCustomFFmpeg& log, int64_t pts,
                         AVFrame& decoded) {
  if (!hook) return;
  const auto format = AVSampleFormat(decoded.format);
  const int channels = decoded.ch_layout.nb_channels;
  const int bytes = format == AV_SAMPLE_FMT_NONE ? 0 : ff::av_get_bytes_per_sample(format);
  const int64_t size = int64_t(decoded.nb_samples) * channels * bytes;
  if (size <= 0 || size > INT_MAX) return;
  // The handler may write: the decoder must not still read these samples.
  if (const int ret = ff::av_frame_make_writable(&decoded); ret < 0) {
    log.Log(media::llError, media::FormatMediaError("Audio hook", ret));
    return;
  }
  const bool planar = ff::av_sample_fmt_is_planar(format) && channels > 1;
  uint8_t* samples = decoded.extended_data[0];
  if (planar) {
    if (interleaved_.size() < size_t(size)) interleaved_.resize(size_t(size));
    samples = interleaved_.data();
    Interleave(decoded, channels, bytes, samples);
  }
  hook(AudioHookCall{pts, samples, int(size), decoded.sample_rate, channels,
                     ff::av_get_packed_sample_fmt(format)});
  if (planar) Deinterleave(samples, channels, bytes, decoded);
}

}  // namespace engine
