#include "engine/audio/sample_buffers.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <type_traits>

namespace engine {
namespace {

template <typename T>
void ScaleRun(uint8_t* data, size_t count, int volume, double low, double high, double zero) {
  T* v = reinterpret_cast<T*>(data);
  for (size_t i = 0; i < count; ++i) {
    const double scaled = (double(v[i]) - zero) * volume / 256 + zero;
    if constexpr (std::is_floating_point_v<T>) v[i] = T(scaled);
    else v[i] = T(std::clamp(std::round(scaled), low, high));
  }
}

}  // namespace

int PrepareAudioFrame(AVFrame* frame, const AVCodecContext& c, int samples) {
  if (frame->buf[0] && frame->nb_samples >= samples && frame->format == c.sample_fmt) {
    const int ret = ff::av_frame_make_writable(frame);
    if (ret < 0) return ret;
    frame->nb_samples = samples;
    return 0;
  }
  ff::av_frame_unref(frame);
  frame->format = c.sample_fmt;
  frame->sample_rate = c.sample_rate;
  frame->nb_samples = samples;
  int ret = ff::av_channel_layout_copy(&frame->ch_layout, &c.ch_layout);
  if (ret < 0) return ret;
  return ff::av_frame_get_buffer(frame, 0);
}

bool IsPlanar(AVSampleFormat f) {
  return f == AV_SAMPLE_FMT_U8P || f == AV_SAMPLE_FMT_S16P || f == AV_SAMPLE_FMT_S32P ||
         f == AV_SAMPLE_FMT_FLTP || f == AV_SAMPLE_FMT_DBLP || f == AV_SAMPLE_FMT_S64P;
}

void ScaleSamples(uint8_t** data, int count, int channels, AVSampleFormat format, int volume) {
  const bool planar = IsPlanar(format);
  const int planes = planar ? channels : 1;
  const size_t perPlane = size_t(count) * (planar ? 1 : channels);
  for (int p = 0; p < planes; ++p) {
    switch (ff::av_get_packed_sample_fmt(format)) {
      case AV_SAMPLE_FMT_U8: ScaleRun<uint8_t>(data[p], perPlane, volume, 0, 255, 128); break;
      case AV_SAMPLE_FMT_S16:
        ScaleRun<int16_t>(data[p], perPlane, volume, INT16_MIN, INT16_MAX, 0);
        break;
      case AV_SAMPLE_FMT_S32:
        ScaleRun<int32_t>(data[p], perPlane, volume, INT32_MIN, INT32_MAX, 0);
        break;
      case AV_SAMPLE_FMT_S64:
        ScaleRun<int64_t>(data[p], perPlane, volume, -9.2e18, 9.2e18, 0);
        break;
      case AV_SAMPLE_FMT_FLT: ScaleRun<float>(data[p], perPlane, volume, 0, 0, 0); break;
      case AV_SAMPLE_FMT_DBL: ScaleRun<double>(data[p], perPlane, volume, 0, 0, 0); break;
      default: break;
    }
  }
}

}  // namespace engine
