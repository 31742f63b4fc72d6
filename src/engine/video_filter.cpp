// The filter graph of an encoded video stream: decoded pictures in, pictures
// of the encoder's size and pixel format out.
#include <cmath>
#include <thread>

#include "engine/transcoder.h"
#include "media/ff_utils.h"

namespace engine {
namespace {

struct InOutFree {
  AVFilterInOut* p = nullptr;
  ~InOutFree() { ff::avfilter_inout_free(&p); }
};

}  // namespace

void TTranscoder::ConfigureVideoFilters(OutputStream& ost, InputStream& ist) {
  AVCodecContext* c = ost.enc_ctx.get();
  const AVCodecParameters* dec = ist.st->codecpar;
  ost.graph.reset(ff::avfilter_graph_alloc());
  if (!ost.graph) RaiseError(media::FormatMediaError("Error opening filters", AVERROR(ENOMEM)));
  AVFilterGraph* graph = ost.graph.get();
  // Colour conversion is a large share of the work beside the encoder.
  graph->nb_threads = int(std::thread::hardware_concurrency());

  AVRational sar = ist.st->sample_aspect_ratio.num ? ist.st->sample_aspect_ratio
                                                   : dec->sample_aspect_ratio;
  if (!sar.num) sar = AVRational{0, 1};
  const std::string srcArgs =
      media::FormatText("video_size=%dx%d:pix_fmt=%d:time_base=%d/%d:pixel_aspect=%d/%d",
                        dec->width, dec->height, dec->format, 1, AV_TIME_BASE, sar.num, sar.den);
  auto fail = [&](int ret) {
    RaiseError(media::FormatMediaError("Error opening filters", ret));
  };
  int ret = ff::avfilter_graph_create_filter(&ost.src, ff::avfilter_get_by_name("buffer"), "src",
                                             srcArgs.c_str(), nullptr, graph);
  if (ret < 0) fail(ret);
  ret = ff::avfilter_graph_create_filter(&ost.sink, ff::avfilter_get_by_name("buffersink"), "out",
                                         nullptr, nullptr, graph);
  if (ret < 0) fail(ret);
  const AVPixelFormat formats[] = {c->pix_fmt, AV_PIX_FMT_NONE};
  ret = ff::av_opt_set_bin(
      ost.sink, "pix_fmts", reinterpret_cast<const uint8_t*>(formats),
      int(ff::av_int_list_length_for_size(sizeof(formats[0]), formats, uint64_t(AV_PIX_FMT_NONE)) *
          sizeof(formats[0])),
      AV_OPT_SEARCH_CHILDREN);
  if (ret < 0) fail(ret);

  const unsigned flags = unsigned(ost.sws_flags);
  AVFilterContext* last = ost.src;
  if (Settings().do_deinterlace) {
    // The library's picture deinterlacer is gone; yadif in the graph does
    // the job. Without it the pictures go on as they are.
    AVFilterContext* yadif = nullptr;
    const AVFilter* filter = ff::avfilter_get_by_name("yadif");
    if (filter && ff::avfilter_graph_create_filter(&yadif, filter, "deinterlace", nullptr, nullptr,
                                                   graph) >= 0) {
      ret = ff::avfilter_link(last, 0, yadif, 0);
      if (ret < 0) fail(ret);
      last = yadif;
    } else {
      Log(media::llWarning, "Deinterlacing failed.");
    }
  }
  if (c->width != dec->width || c->height != dec->height) {
    const std::string args = media::FormatText("%d:%d:flags=0x%X", c->width, c->height, flags);
    AVFilterContext* scale = nullptr;
    ret = ff::avfilter_graph_create_filter(&scale, ff::avfilter_get_by_name("scale"), "scale",
                                           args.c_str(), nullptr, graph);
    if (ret < 0) fail(ret);
    ret = ff::avfilter_link(last, 0, scale, 0);
    if (ret < 0) fail(ret);
    last = scale;
  }
  graph->scale_sws_opts = ff::av_strdup(media::FormatText("flags=0x%X", flags).c_str());

  if (!ost.filter_text.empty()) {
    InOutFree outputs{ff::avfilter_inout_alloc()};
    InOutFree inputs{ff::avfilter_inout_alloc()};
    if (!outputs.p || !inputs.p) fail(AVERROR(ENOMEM));
    outputs.p->name = ff::av_strdup("in");
    outputs.p->filter_ctx = last;
    inputs.p->name = ff::av_strdup("out");
    inputs.p->filter_ctx = ost.sink;
    ret = ff::avfilter_graph_parse_ptr(graph, ost.filter_text.c_str(), &inputs.p, &outputs.p,
                                       nullptr);
    if (ret < 0) fail(ret);
  } else {
    ret = ff::avfilter_link(last, 0, ost.sink, 0);
    if (ret < 0) fail(ret);
  }
  ret = ff::avfilter_graph_config(graph, nullptr);
  if (ret < 0) fail(ret);

  c->width = ff::av_buffersink_get_w(ost.sink);
  c->height = ff::av_buffersink_get_h(ost.sink);
  if (ost.frame_aspect_ratio > 0) {
    const double value = double(ost.frame_aspect_ratio) * c->height / c->width;
    int num = 0, den = 0;
    ff::av_reduce(&num, &den, std::llround(value * 1000000), 1000000, 255);
    c->sample_aspect_ratio = AVRational{num, den};
  } else {
    c->sample_aspect_ratio = ff::av_buffersink_get_sample_aspect_ratio(ost.sink);
  }
  ost.st->sample_aspect_ratio = c->sample_aspect_ratio;
}

}  // namespace engine
