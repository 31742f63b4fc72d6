// The filters of one encoded video stream: decoded pictures in, pictures of
// the encoder's size and pixel format out, through a libavfilter graph with
// our own "rotate" stages between its pieces, or through the plain colour
// converter when the graph would only convert. Also keeps the picture
// converted last for a frame input whose next packet repeats it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/bgra_to_yuv.h"
#include "engine/library_owners.h"
#include "engine/video/filter_chain.h"

namespace engine {

class TCustomFFmpeg;

// What the filters are made of.
struct VideoFilterSetup {
  std::string chain;       // the stream's "filter" text, "rotate" included
  int width = 0;           // size the pictures are scaled to before the chain
  int height = 0;
  unsigned swsFlags = 0;
  bool deinterlace = false;
  bool plainColour = false;  // the plain converter may stand in for the graph
};

// Used by the thread that runs the conversion only.
class VideoFilters {
 public:
  // Builds the filters from the pictures of stream `in` to `format`; raises
  // through `e` on failure. Returns the last sink, whose size is the output's.
  AVFilterContext* Build(TCustomFFmpeg& e, const AVStream& in, AVPixelFormat format,
                         const VideoFilterSetup& setup);
  bool Built() const { return src_ != nullptr; }
  // The size the pictures are scaled to before the chain.
  int ScaledWidth() const { return scaledWidth_; }
  int ScaledHeight() const { return scaledHeight_; }

  // Hands a decoded picture in (the caller keeps its reference).
  int Push(AVFrame& picture);
  // Takes the next filtered picture into Filtered(): what
  // av_buffersink_get_frame returns (0, EAGAIN, EOF or an error).
  int Pull();
  // Marks the end of the pictures at the head of the filters.
  int EndInput();
  AVFrame* Filtered() { return filtered_.get(); }

  // After the filtered picture went out: kept as the picture a repeat may
  // stand for (reusable), or let go.
  void KeepConverted(bool reusable);
  void DropFiltered() { ff::av_frame_unref(filtered_.get()); }
  // The picture kept, or null.
  AVFrame* LastConverted() { return lastConverted_->buf[0] ? lastConverted_.get() : nullptr; }

 private:
  AVFilterContext* AddDeinterlace(TCustomFFmpeg& e, AVFilterContext* last);
  AVFilterContext* AddScale(TCustomFFmpeg& e, AVFilterContext* last, const AVCodecParameters& dec,
                            unsigned flags);
  void ConfigureRotateLink(TCustomFFmpeg& e, RotateLink& link, AVFilterContext* before,
                           const std::string& chain, std::span<const AVPixelFormat> formats,
                           unsigned swsFlags);

  GraphPtr graph_;
  AVFilterContext* src_ = nullptr;   // in graph_
  AVFilterContext* sink_ = nullptr;  // in graph_
  std::vector<std::unique_ptr<RotateLink>> rotateLinks_;  // graphs after "rotate" stages
  // Stands in for a graph that would only convert BGRA to YUV; null otherwise.
  std::unique_ptr<PlainConverter> plain_;
  int scaledWidth_ = 0;
  int scaledHeight_ = 0;
  FramePtr filtered_;
  // The picture converted last, kept for a frame input whose next packet
  // may repeat it (see picture_reuse.cpp); empty otherwise.
  FramePtr lastConverted_;
};

}  // namespace engine
