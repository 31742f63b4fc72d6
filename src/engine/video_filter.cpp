// The filter graph of an encoded video stream: decoded pictures in, pictures
// of the encoder's size and pixel format out.
#include <cmath>
#include <span>
#include <string>
#include <thread>

#include "engine/transcoder.h"
#include "media/binding/ff_utils.h"

namespace engine {
namespace {

struct InOutFree {
  AVFilterInOut* p = nullptr;
  ~InOutFree() { ff::avfilter_inout_free(&p); }
};

int SetSinkFormats(AVFilterContext* sink, std::span<const AVPixelFormat> formats) {
  // The list ends with AV_PIX_FMT_NONE, which is not handed over.
  return ff::av_opt_set_bin(sink, "pix_fmts", reinterpret_cast<const uint8_t*>(formats.data()),
                            int((formats.size() - 1) * sizeof(formats[0])),
                            AV_OPT_SEARCH_CHILDREN);
}

// Puts the user's filters (or nothing) between `last` and the sink.
int LinkChain(AVFilterGraph* graph, AVFilterContext* last, const std::string& chain,
              AVFilterContext* sink) {
  if (chain.empty()) return ff::avfilter_link(last, 0, sink, 0);
  InOutFree outputs{ff::avfilter_inout_alloc()};
  InOutFree inputs{ff::avfilter_inout_alloc()};
  if (!outputs.p || !inputs.p) return AVERROR(ENOMEM);
  outputs.p->name = ff::av_strdup("in");
  outputs.p->filter_ctx = last;
  inputs.p->name = ff::av_strdup("out");
  inputs.p->filter_ctx = sink;
  return ff::avfilter_graph_parse_ptr(graph, chain.c_str(), &inputs.p, &outputs.p, nullptr);
}

}  // namespace

// The graph after a rotate stage: the turned pictures of `before` go in.
void TTranscoder::ConfigureRotateLink(RotateLink& link, AVFilterContext* before,
                                      const std::string& chain,
                                      std::span<const AVPixelFormat> formats, unsigned swsFlags) {
  auto fail = [&](int ret) {
    RaiseError(media::FormatMediaError("Error opening filters", ret));
  };
  const auto format = AVPixelFormat(ff::av_buffersink_get_format(before));
  const int width = ff::av_buffersink_get_w(before), height = ff::av_buffersink_get_h(before);
  try {
    link.rotate.Configure(format, width, height);
  } catch (const std::exception& e) {
    RaiseError(e.what());
  }
  link.input = ff::av_frame_alloc();
  link.turned = ff::av_frame_alloc();
  link.graph = ff::avfilter_graph_alloc();
  if (!link.input || !link.turned || !link.graph) fail(AVERROR(ENOMEM));
  link.graph->nb_threads = int(std::thread::hardware_concurrency());
  link.graph->scale_sws_opts = ff::av_strdup(media::FormatText("flags=0x%X", swsFlags).c_str());

  const AVRational sar = ff::av_buffersink_get_sample_aspect_ratio(before);
  const AVRational turnedSar = sar.num ? AVRational{sar.den, sar.num} : sar;
  const AVRational tb = ff::av_buffersink_get_time_base(before);
  const media::TRotateGeometry& g = link.rotate.Geometry();
  const std::string srcArgs =
      media::FormatText("video_size=%dx%d:pix_fmt=%d:time_base=%d/%d:pixel_aspect=%d/%d", g.width,
                        g.height, int(format), tb.num, tb.den, turnedSar.num,
                        turnedSar.den ? turnedSar.den : 1);
  int ret = ff::avfilter_graph_create_filter(&link.src, ff::avfilter_get_by_name("buffer"), "src",
                                             srcArgs.c_str(), nullptr, link.graph);
  if (ret < 0) fail(ret);
  ret = ff::avfilter_graph_create_filter(&link.sink, ff::avfilter_get_by_name("buffersink"), "out",
                                         nullptr, nullptr, link.graph);
  if (ret < 0) fail(ret);
  if ((ret = SetSinkFormats(link.sink, formats)) < 0) fail(ret);
  if ((ret = LinkChain(link.graph, link.src, chain, link.sink)) < 0) fail(ret);
  if ((ret = ff::avfilter_graph_config(link.graph, nullptr)) < 0) fail(ret);
}

void TTranscoder::ConfigureVideoFilters(OutputStream& ost, InputStream& ist) {
  AVCodecContext* c = ost.enc_ctx.get();
  ost.filter_in_w = c->width;
  ost.filter_in_h = c->height;
  AVFilterContext* end = BuildVideoFilters(ost, ist, c->pix_fmt);
  c->width = ff::av_buffersink_get_w(end);
  c->height = ff::av_buffersink_get_h(end);
  if (ost.frame_aspect_ratio > 0) {
    const double value = double(ost.frame_aspect_ratio) * c->height / c->width;
    int num = 0, den = 0;
    ff::av_reduce(&num, &den, std::llround(value * 1000000), 1000000, 255);
    c->sample_aspect_ratio = AVRational{num, den};
  } else {
    c->sample_aspect_ratio = ff::av_buffersink_get_sample_aspect_ratio(end);
  }
  ost.st->sample_aspect_ratio = c->sample_aspect_ratio;
}

AVFilterContext* TTranscoder::BuildVideoFilters(OutputStream& ost, const InputStream& ist,
                                                AVPixelFormat format) {
  FilterChainPlan plan;
  try {
    plan = SplitFilterChain(ost.filter_text);
  } catch (const std::exception& e) {
    RaiseError(e.what());
  }
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
  // Pictures go to a rotate stage in a format it takes, else to the encoder.
  const AVPixelFormat encoderFormats[] = {format, AV_PIX_FMT_NONE};
  const auto formatsAfter = [&](size_t piece) {
    return piece + 1 < plan.pieces.size() ? media::RotateFormats()
                                          : std::span<const AVPixelFormat>(encoderFormats);
  };
  if ((ret = SetSinkFormats(ost.sink, formatsAfter(0))) < 0) fail(ret);

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
  if (ost.filter_in_w != dec->width || ost.filter_in_h != dec->height) {
    const std::string args =
        media::FormatText("%d:%d:flags=0x%X", ost.filter_in_w, ost.filter_in_h, flags);
    AVFilterContext* scale = nullptr;
    ret = ff::avfilter_graph_create_filter(&scale, ff::avfilter_get_by_name("scale"), "scale",
                                           args.c_str(), nullptr, graph);
    if (ret < 0) fail(ret);
    ret = ff::avfilter_link(last, 0, scale, 0);
    if (ret < 0) fail(ret);
    last = scale;
  }
  graph->scale_sws_opts = ff::av_strdup(media::FormatText("flags=0x%X", flags).c_str());

  if ((ret = LinkChain(graph, last, plan.pieces[0], ost.sink)) < 0) fail(ret);
  ret = ff::avfilter_graph_config(graph, nullptr);
  if (ret < 0) fail(ret);
  AVFilterContext* end = ost.sink;
  for (size_t k = 0; k < plan.angles.size(); ++k) {
    RotateLink& link = *ost.rotate_links.emplace_back(std::make_unique<RotateLink>(plan.angles[k]));
    ConfigureRotateLink(link, end, plan.pieces[k + 1], formatsAfter(k + 1), flags);
    end = link.sink;
  }
  const bool onlyConverts = !Settings().do_deinterlace && plan.angles.empty() &&
                            plan.pieces[0].empty() && ost.filter_in_w == dec->width &&
                            ost.filter_in_h == dec->height;
  if (Settings().plain_colour && onlyConverts &&
      PlainConversionApplies(AVPixelFormat(dec->format), format, dec->width, dec->height, flags))
    ost.plain = std::make_unique<PlainConverter>(AVPixelFormat(dec->format), format, dec->width,
                                                 dec->height);
  return end;
}

}  // namespace engine
