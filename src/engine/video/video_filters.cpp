#include "engine/video/video_filters.h"

#include <span>
#include <string>
#include <thread>

#include "engine/custom_ffmpeg.h"
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

[[noreturn]] void Fail(TCustomFFmpeg& e, int ret) {
  e.RaiseError(media::FormatMediaError("Error opening filters", ret));
}

}  // namespace

AVFilterContext* VideoFilters::Build(TCustomFFmpeg& e, const AVStream& in, AVPixelFormat format,
                                     const VideoFilterSetup& setup) {
  FilterChainPlan plan;
  try {
    plan = SplitFilterChain(setup.chain);
  } catch (const std::exception& err) {
    e.RaiseError(err.what());
  }
  scaledWidth_ = setup.width;
  scaledHeight_ = setup.height;
  const AVCodecParameters& dec = *in.codecpar;
  graph_.reset(ff::avfilter_graph_alloc());
  if (!graph_) Fail(e, AVERROR(ENOMEM));
  AVFilterGraph* graph = graph_.get();
  // Colour conversion is a large share of the work beside the encoder.
  graph->nb_threads = int(std::thread::hardware_concurrency());

  AVRational sar = in.sample_aspect_ratio.num ? in.sample_aspect_ratio : dec.sample_aspect_ratio;
  if (!sar.num) sar = AVRational{0, 1};
  const std::string srcArgs =
      media::FormatText("video_size=%dx%d:pix_fmt=%d:time_base=%d/%d:pixel_aspect=%d/%d",
                        dec.width, dec.height, dec.format, 1, AV_TIME_BASE, sar.num, sar.den);
  int ret = ff::avfilter_graph_create_filter(&src_, ff::avfilter_get_by_name("buffer"), "src",
                                             srcArgs.c_str(), nullptr, graph);
  if (ret < 0) Fail(e, ret);
  ret = ff::avfilter_graph_create_filter(&sink_, ff::avfilter_get_by_name("buffersink"), "out",
                                         nullptr, nullptr, graph);
  if (ret < 0) Fail(e, ret);
  // Pictures go to a rotate stage in a format it takes, else to the encoder.
  const AVPixelFormat encoderFormats[] = {format, AV_PIX_FMT_NONE};
  const auto formatsAfter = [&](size_t piece) {
    return piece + 1 < plan.pieces.size() ? media::RotateFormats()
                                          : std::span<const AVPixelFormat>(encoderFormats);
  };
  if ((ret = SetSinkFormats(sink_, formatsAfter(0))) < 0) Fail(e, ret);

  const unsigned flags = setup.swsFlags;
  AVFilterContext* last = src_;
  if (setup.deinterlace) last = AddDeinterlace(e, last);
  last = AddScale(e, last, dec, flags);
  graph->scale_sws_opts = ff::av_strdup(media::FormatText("flags=0x%X", flags).c_str());

  if ((ret = LinkChain(graph, last, plan.pieces[0], sink_)) < 0) Fail(e, ret);
  if ((ret = ff::avfilter_graph_config(graph, nullptr)) < 0) Fail(e, ret);
  AVFilterContext* end = sink_;
  for (size_t k = 0; k < plan.angles.size(); ++k) {
    RotateLink& link = *rotateLinks_.emplace_back(std::make_unique<RotateLink>(plan.angles[k]));
    ConfigureRotateLink(e, link, end, plan.pieces[k + 1], formatsAfter(k + 1), flags);
    end = link.sink;
  }
  const bool onlyConverts = !setup.deinterlace && plan.angles.empty() && plan.pieces[0].empty() &&
                            scaledWidth_ == dec.width && scaledHeight_ == dec.height;
  if (setup.plainColour && onlyConverts &&
      PlainConversionApplies(AVPixelFormat(dec.format), format, dec.width, dec.height, flags))
    plain_ = std::make_unique<PlainConverter>(AVPixelFormat(dec.format), format, dec.width,
                                              dec.height);
  filtered_.reset(ff::av_frame_alloc());
  lastConverted_.reset(ff::av_frame_alloc());
  if (!filtered_ || !lastConverted_) e.RaiseError("Could not allocate frame");
  return end;
}

// The library's picture deinterlacer is gone; yadif in the graph does the
// job. Without it the pictures go on as they are.
AVFilterContext* VideoFilters::AddDeinterlace(TCustomFFmpeg& e, AVFilterContext* last) {
  AVFilterContext* yadif = nullptr;
  const AVFilter* filter = ff::avfilter_get_by_name("yadif");
  if (!filter || ff::avfilter_graph_create_filter(&yadif, filter, "deinterlace", nullptr, nullptr,
                                                  graph_.get()) < 0) {
    e.Log(media::llWarning, "Deinterlacing failed.");
    return last;
  }
  if (const int ret = ff::avfilter_link(last, 0, yadif, 0); ret < 0) Fail(e, ret);
  return yadif;
}

AVFilterContext* VideoFilters::AddScale(TCustomFFmpeg& e, AVFilterContext* last,
                                        const AVCodecParameters& dec, unsigned flags) {
  if (scaledWidth_ == dec.width && scaledHeight_ == dec.height) return last;
  const std::string args =
      media::FormatText("%d:%d:flags=0x%X", scaledWidth_, scaledHeight_, flags);
  AVFilterContext* scale = nullptr;
  int ret = ff::avfilter_graph_create_filter(&scale, ff::avfilter_get_by_name("scale"), "scale",
                                             args.c_str(), nullptr, graph_.get());
  if (ret < 0) Fail(e, ret);
  if ((ret = ff::avfilter_link(last, 0, scale, 0)) < 0) Fail(e, ret);
  return scale;
}

// The graph after a rotate stage: the turned pictures of `before` go in.
void VideoFilters::ConfigureRotateLink(TCustomFFmpeg& e, RotateLink& link,
                                       AVFilterContext* before, const std::string& chain,
                                       std::span<const AVPixelFormat> formats,
                                       unsigned swsFlags) {
  const auto format = AVPixelFormat(ff::av_buffersink_get_format(before));
  const int width = ff::av_buffersink_get_w(before), height = ff::av_buffersink_get_h(before);
  try {
    link.rotate.Configure(format, width, height);
  } catch (const std::exception& err) {
    e.RaiseError(err.what());
  }
  link.input = ff::av_frame_alloc();
  link.turned = ff::av_frame_alloc();
  link.graph = ff::avfilter_graph_alloc();
  if (!link.input || !link.turned || !link.graph) Fail(e, AVERROR(ENOMEM));
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
  if (ret < 0) Fail(e, ret);
  ret = ff::avfilter_graph_create_filter(&link.sink, ff::avfilter_get_by_name("buffersink"), "out",
                                         nullptr, nullptr, link.graph);
  if (ret < 0) Fail(e, ret);
  if ((ret = SetSinkFormats(link.sink, formats)) < 0) Fail(e, ret);
  if ((ret = LinkChain(link.graph, link.src, chain, link.sink)) < 0) Fail(e, ret);
  if ((ret = ff::avfilter_graph_config(link.graph, nullptr)) < 0) Fail(e, ret);
}

int VideoFilters::Push(AVFrame& picture) {
  return plain_ && plain_->Accepts(picture)
             ? plain_->Convert(picture)
             : ff::av_buffersrc_add_frame_flags(src_, &picture, AV_BUFFERSRC_FLAG_KEEP_REF);
}

int VideoFilters::Pull() {
  AVFrame* frame = filtered_.get();
  if (plain_ && plain_->Take(frame) >= 0) return 0;
  AVFilterContext* from = sink_;
  for (auto& link : rotateLinks_) {
    const int ret = PassThroughRotate(from, *link);
    if (ret < 0) return ret;
    from = link->sink;
  }
  return ff::av_buffersink_get_frame(from, frame);
}

int VideoFilters::EndInput() { return ff::av_buffersrc_add_frame_flags(src_, nullptr, 0); }

void VideoFilters::KeepConverted(bool reusable) {
  if (reusable) {
    ff::av_frame_unref(lastConverted_.get());
    ff::av_frame_move_ref(lastConverted_.get(), filtered_.get());
  } else {
    DropFiltered();
  }
}

}  // namespace engine
