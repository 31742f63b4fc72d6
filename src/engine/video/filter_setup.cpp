// The video filters of an encoded stream, set up from its options and
// handing the encoder the size of their pictures.
#include "engine/transcoder.h"
#include "media/binding/ff_utils.h"

namespace engine {

void TTranscoder::ConfigureVideoFilters(OutputStream& ost, InputStream& ist) {
  AVCodecContext* c = ost.enc_ctx.get();
  AVFilterContext* end =
      ost.filters.Build(*this, *ist.st, c->pix_fmt, FilterSetup(ost, c->width, c->height));
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

VideoFilterSetup TTranscoder::FilterSetup(const OutputStream& ost, int width, int height) const {
  return VideoFilterSetup{ost.filter_text,         width, height, unsigned(ost.sws_flags),
                          Settings().do_deinterlace != 0, Settings().plain_colour};
}

}  // namespace engine
