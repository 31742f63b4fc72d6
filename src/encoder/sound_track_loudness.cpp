#include "encoder/sound_track_loudness.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>

#include "media/binding/ff_entry_points.h"

namespace encoder {

namespace {

struct GraphFree {
  void operator()(AVFilterGraph* g) const { ff::avfilter_graph_free(&g); }
};
struct FrameFree {
  void operator()(AVFrame* f) const { ff::av_frame_free(&f); }
};
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;

// Below this the filter's absolute gate leaves nothing to measure.
constexpr double kQuietestLufs = -69.0;

// abuffer -> ebur128 (loudness in each frame's metadata) -> abuffersink.
struct Meter {
  std::unique_ptr<AVFilterGraph, GraphFree> graph{ff::avfilter_graph_alloc()};
  AVFilterContext* source = nullptr;
  AVFilterContext* sink = nullptr;
  std::optional<double> integrated;

  Meter(int rate, int channels) {
    if (!graph) throw std::runtime_error("loudness: out of memory");
    const std::string args =
        "time_base=1/" + std::to_string(rate) + ":sample_rate=" + std::to_string(rate) +
        ":sample_fmt=flt:channel_layout=" + (channels == 1 ? "mono" : "stereo");
    AVFilterContext* meter = nullptr;
    if (ff::avfilter_graph_create_filter(&source, ff::avfilter_get_by_name("abuffer"), "in",
                                         args.c_str(), nullptr, graph.get()) < 0 ||
        ff::avfilter_graph_create_filter(&meter, ff::avfilter_get_by_name("ebur128"), "meter",
                                         "metadata=1", nullptr, graph.get()) < 0 ||
        ff::avfilter_graph_create_filter(&sink, ff::avfilter_get_by_name("abuffersink"), "out",
                                         nullptr, nullptr, graph.get()) < 0 ||
        ff::avfilter_link(source, 0, meter, 0) < 0 || ff::avfilter_link(meter, 0, sink, 0) < 0 ||
        ff::avfilter_graph_config(graph.get(), nullptr) < 0)
      throw std::runtime_error("loudness: the media libraries' ebur128 filter cannot be set up");
  }

  void Feed(const AVFrame* frame) {
    if (ff::av_buffersrc_add_frame_flags(source, const_cast<AVFrame*>(frame), 0) < 0)
      throw std::runtime_error("loudness: the meter refused the sound");
    FramePtr out(ff::av_frame_alloc());
    while (out && ff::av_buffersink_get_frame(sink, out.get()) >= 0) {
      // The integrated value of the last frame covers the whole track.
      if (const AVDictionaryEntry* e = ff::av_dict_get(out->metadata, "lavfi.r128.I", nullptr, 0))
        integrated = std::strtod(e->value, nullptr);
      ff::av_frame_unref(out.get());
    }
  }
};

}  // namespace

std::optional<double> MeasureLoudness(SoundTrack& track, const SoundPassProgress& progress) {
  const int channels = track.Channels();
  if (channels < 1 || channels > 2)
    throw std::runtime_error("loudness: only mono and stereo tracks are measured");
  Meter meter(track.Rate(), channels);
  FramePtr frame(ff::av_frame_alloc());
  if (!frame) throw std::runtime_error("loudness: out of memory");
  int64_t pts = 0;
  track.ForEachBlock(
      [&](const float* samples, size_t frames) {
        ff::av_frame_unref(frame.get());
        frame->format = AV_SAMPLE_FMT_FLT;
        frame->sample_rate = track.Rate();
        frame->nb_samples = int(frames);
        ff::av_channel_layout_default(&frame->ch_layout, channels);
        if (ff::av_frame_get_buffer(frame.get(), 0) < 0)
          throw std::runtime_error("loudness: out of memory");
        std::memcpy(frame->data[0], samples, frames * channels * sizeof(float));
        frame->pts = pts;
        pts += int64_t(frames);
        meter.Feed(frame.get());
      },
      progress);
  meter.Feed(nullptr);
  if (!meter.integrated || !std::isfinite(*meter.integrated) || *meter.integrated < kQuietestLufs)
    return std::nullopt;
  return meter.integrated;
}

std::optional<double> NormaliseLoudness(SoundTrack& track, double targetLufs,
                                        const SoundPassProgress& progress) {
  track.SetGain(1.0);
  const std::optional<double> measured = MeasureLoudness(track, progress);
  if (!measured) return std::nullopt;
  const double db = std::min(targetLufs - *measured, kMaxLoudnessGainDb);
  track.SetGain(std::pow(10.0, db / 20.0));
  return db;
}

}  // namespace encoder
