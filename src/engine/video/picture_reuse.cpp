// A frame input marks a packet whose picture repeats the one before (a
// slideshow's held picture). When nothing would see the picture on its way
// to the encoder but the conversion, the converted picture of the one
// before goes to the encoder again with the new time stamp: no decoding,
// no filtering, no colour conversion.
#include "engine/transcoder.h"
#include "media/binding/ff_utils.h"

namespace engine {

bool TTranscoder::CanReuseConvertedPicture(const OutputStream& ost) const {
  // Deinterlacing, user filters, plug-ins and picture hooks may treat every picture
  // differently (by its time, its number or a state of their own).
  return !Settings().do_deinterlace && !FrameHooksEnabled() && !PerFrameHooksActive() &&
         ost.filter_text.empty();
}

bool TTranscoder::PerFrameHooksActive() const {
  return OnVideoInputHook || OnVideoOutputHook || OnFrameInputHook || OnFrameOutputHook ||
         (FrameHooksEnabled() && FrameHookCount() > 0);
}

void TTranscoder::KeepConvertedPicture(OutputStream& ost) {
  ++totals_.convertedPictures;
  const InputStream& ist = *inputStreams_[ost.source_index];
  ost.filters.KeepConverted(inputFiles_[ist.file_index]->own && CanReuseConvertedPicture(ost));
}

bool TTranscoder::ReuseConvertedPicture(InputStream& ist, int istIndex, const AVPacket* pkt) {
  const auto feeds = [&](const OutputStream& ost) {
    return ost.source_index == istIndex && ost.encoding_needed && ost.filters.Built();
  };
  bool any = false;
  for (const auto& ost : outputStreams_) {
    if (!feeds(*ost)) continue;
    if (!CanReuseConvertedPicture(*ost) || !ost->filters.LastConverted()) return false;
    any = true;
  }
  if (!any) return false;

  // What a decoded picture goes through before its filters.
  if (pkt->pts != AV_NOPTS_VALUE)
    ist.pts = ff::av_rescale_q(pkt->pts, ist.st->time_base, AV_TIME_BASE_Q);
  RateEmulate(ist);
  if (ist.st->r_frame_rate.num)
    ist.next_dts = ist.pts + ff::av_rescale_q(1, av_inv_q(ist.st->r_frame_rate), AV_TIME_BASE_Q);
  for (const auto& ost : outputStreams_) {
    if (!feeds(*ost)) continue;
    AVFrame* picture = ost->filters.LastConverted();
    // The filters keep the time stamps of a picture and its time base.
    picture->pts = ist.pts;
    ++totals_.reusedPictures;
    DoVideoOut(*ost, picture, true);
  }
  return true;
}

}  // namespace engine
