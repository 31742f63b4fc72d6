// The decoders of the input streams that an encoded output needs.
#include "engine/transcoder.h"
#include "media/binding/ff_utils.h"

namespace engine {

void TTranscoder::OpenDecoder(InputStream& ist, int index) {
  const InputFile& file = *inputFiles_[ist.file_index];
  const int streamIndex = index - file.ist_index;
  if (!ist.dec)
    RaiseError(media::FormatText("Decoder (codec %s) not found for input stream #%d:%d",
                                 ff::avcodec_get_name(ist.st->codecpar->codec_id), ist.file_index,
                                 streamIndex));
  ist.dec_ctx.reset(ff::avcodec_alloc_context3(ist.dec));
  if (!ist.dec_ctx || ff::avcodec_parameters_to_context(ist.dec_ctx.get(), ist.st->codecpar) < 0)
    RaiseError(media::FormatText("Error while opening decoder for input stream #%d:%d",
                                 ist.file_index, streamIndex));
  ist.dec_ctx->pkt_timebase = ist.st->time_base;
  if (!ff::av_dict_get(ist.opts.get(), "threads", nullptr, 0))
    ff::av_dict_set(ist.opts.Ref(), "threads", "auto", 0);
  if (ff::avcodec_open2(ist.dec_ctx.get(), ist.dec, ist.opts.Ref()) < 0)
    RaiseError(media::FormatText("Error while opening decoder for input stream #%d:%d",
                                 ist.file_index, streamIndex));
  CheckExperimental(ist.dec, ist.dec_ctx.get(), false);
  CheckLeftover(ist.opts.get());
  ist.frame.reset(ff::av_frame_alloc());
  if (!ist.frame) RaiseError("Could not allocate frame");
  const AVRational rate = ist.st->r_frame_rate;
  ist.next_dts = rate.num ? -std::llround(double(ist.dec_ctx->has_b_frames) * AV_TIME_BASE *
                                          rate.den / rate.num)
                          : 0;
  ist.pts = 0;
  ist.is_start = true;
}

}  // namespace engine
