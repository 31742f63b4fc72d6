// The built-in rotate stage on a 1280x720 YUV 4:2:0 picture, against the
// floor of libavfilter's own "rotate" filter doing the same job: nearest
// sample (bilinear=0), output sized to the turned bounding box, black
// corners, one thread like our stage. Both hand out pooled pictures.
#include <benchmark/benchmark.h>

#include <memory>
#include <numbers>
#include <string>

#include "media/binding/ff_entry_points.h"
#include "media/binding/ff_loader.h"
#include "media/picture/rotate_filter.h"

namespace {

constexpr int kW = 1280, kH = 720;

bool Libraries() {
  static const bool ok = media::FFLoader().LoadLibrarySet(media::kAllLibraries);
  return ok;
}

struct FrameOwner {
  void operator()(AVFrame* f) const { ff::av_frame_free(&f); }
};
using Frame = std::unique_ptr<AVFrame, FrameOwner>;

// A picture with detail everywhere, so no plane is a flat copy.
Frame SourcePicture() {
  Frame f(ff::av_frame_alloc());
  f->format = AV_PIX_FMT_YUV420P;
  f->width = kW;
  f->height = kH;
  if (ff::av_frame_get_buffer(f.get(), 0) < 0) return nullptr;
  for (int p = 0; p < 3; ++p) {
    const int rows = p ? kH / 2 : kH, cols = p ? kW / 2 : kW;
    for (int y = 0; y < rows; ++y)
      for (int x = 0; x < cols; ++x) f->data[p][y * f->linesize[p] + x] = uint8_t(x * 3 + y * 7 + p * 50);
  }
  f->sample_aspect_ratio = {1, 1};
  return f;
}

void BM_OurRotate(benchmark::State& state) {
  if (!Libraries()) return state.SkipWithError("libraries not loaded");
  Frame in = SourcePicture();
  Frame out(ff::av_frame_alloc());
  media::TRotateFilter rotate(int(state.range(0)));
  rotate.Configure(AV_PIX_FMT_YUV420P, kW, kH);
  for (auto _ : state) {
    if (rotate.Filter(*in, out.get()) < 0) return state.SkipWithError("rotate failed");
    benchmark::DoNotOptimize(out->data[0][0]);
    ff::av_frame_unref(out.get());
  }
  state.counters["out_w"] = rotate.Geometry().width;
  state.counters["out_h"] = rotate.Geometry().height;
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_OurRotate)->Arg(45)->Arg(90)->Unit(benchmark::kMillisecond);

struct GraphOwner {
  void operator()(AVFilterGraph* g) const { ff::avfilter_graph_free(&g); }
};

void BM_LibavfilterRotate(benchmark::State& state) {
  if (!Libraries()) return state.SkipWithError("libraries not loaded");
  std::unique_ptr<AVFilterGraph, GraphOwner> graph(ff::avfilter_graph_alloc());
  graph->nb_threads = 1;
  AVFilterContext *src = nullptr, *turn = nullptr, *sink = nullptr;
  const std::string bufferArgs = "video_size=1280x720:pix_fmt=yuv420p:time_base=1/30:pixel_aspect=1/1";
  const std::string radians = std::to_string(double(state.range(0)) * std::numbers::pi / 180);
  const std::string rotateArgs =
      "a=" + radians + ":ow=rotw(" + radians + "):oh=roth(" + radians + "):bilinear=0:c=black";
  if (ff::avfilter_graph_create_filter(&src, ff::avfilter_get_by_name("buffer"), "in",
                                       bufferArgs.c_str(), nullptr, graph.get()) < 0 ||
      ff::avfilter_graph_create_filter(&turn, ff::avfilter_get_by_name("rotate"), "turn",
                                       rotateArgs.c_str(), nullptr, graph.get()) < 0 ||
      ff::avfilter_graph_create_filter(&sink, ff::avfilter_get_by_name("buffersink"), "out",
                                       nullptr, nullptr, graph.get()) < 0 ||
      ff::avfilter_link(src, 0, turn, 0) < 0 || ff::avfilter_link(turn, 0, sink, 0) < 0 ||
      ff::avfilter_graph_config(graph.get(), nullptr) < 0)
    return state.SkipWithError("graph set-up failed");
  Frame in = SourcePicture();
  Frame out(ff::av_frame_alloc());
  int64_t pts = 0;
  for (auto _ : state) {
    in->pts = pts++;
    if (ff::av_buffersrc_add_frame_flags(src, in.get(), AV_BUFFERSRC_FLAG_KEEP_REF) < 0 ||
        ff::av_buffersink_get_frame(sink, out.get()) < 0)
      return state.SkipWithError("filtering failed");
    benchmark::DoNotOptimize(out->data[0][0]);
    ff::av_frame_unref(out.get());
  }
  state.counters["out_w"] = ff::av_buffersink_get_w(sink);
  state.counters["out_h"] = ff::av_buffersink_get_h(sink);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LibavfilterRotate)->Arg(45)->Arg(90)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
