// The inputs at run time: which input to read next, time stamps made
// continuous, packets decoded into pictures and sound, real-time pacing.
#include <cinttypes>
#include <cmath>

#include "engine/transcoder.h"
#include "media/binding/ff_utils.h"

namespace engine {

int TTranscoder::ChooseInput() {
  if (joining_) return ChooseJoinInput();
  double optsMin = 1e100;
  int64_t iptsMin = INT64_MAX;
  int chosen = -1;
  for (auto& owned : outputStreams_) {
    OutputStream& ost = *owned;
    if (ost.source_index < 0) continue;
    const InputStream& ist = *inputStreams_[ost.source_index];
    const InputFile& file = *inputFiles_[ist.file_index];
    const OutputFile& of = *outputFiles_[ost.file_index];
    if (ost.past_recording_time || file.no_packet) continue;
    if (of.ctx->pb && of.limit_filesize != INT64_MAX &&
        ff::avio_size(of.ctx->pb) >= of.limit_filesize)
      continue;
    const double opts = ost.QueuedSeconds();
    const int64_t ipts = ist.pts;
    if (of.recording_time != INT64_MAX && opts * AV_TIME_BASE >= double(of.recording_time)) {
      ost.past_recording_time = true;
      continue;
    }
    if (!file.eof_reached) {
      if (ipts < iptsMin) {
        iptsMin = ipts;
        if (Settings().input_sync) chosen = ist.file_index;
      }
      if (opts < optsMin) {
        optsMin = opts;
        if (!Settings().input_sync) chosen = ist.file_index;
      }
    }
    if (ost.frame_number >= ost.max_frames)
      for (auto& other : outputStreams_)
        if (other->file_index == ost.file_index) other->past_recording_time = true;
  }
  return chosen;
}

void TTranscoder::FixTimestamps(InputFile& file, InputStream& ist, AVPacket* pkt) {
  const AVRational tb = ist.st->time_base;
  const int64_t offset = ff::av_rescale_q(file.ts_offset, AV_TIME_BASE_Q, tb);
  if (pkt->dts != AV_NOPTS_VALUE) pkt->dts += offset;
  if (pkt->pts != AV_NOPTS_VALUE) pkt->pts += offset;
  if (ist.ts_scale != 1.0) {
    if (pkt->dts != AV_NOPTS_VALUE) pkt->dts = std::llround(pkt->dts * ist.ts_scale);
    if (pkt->pts != AV_NOPTS_VALUE) pkt->pts = std::llround(pkt->pts * ist.ts_scale);
  }
  if (pkt->dts == AV_NOPTS_VALUE || ist.next_dts == AV_NOPTS_VALUE ||
      !(file.ctx->iformat->flags & AVFMT_TS_DISCONT) || Settings().copy_ts)
    return;
  const int64_t pktDts = ff::av_rescale_q(pkt->dts, tb, AV_TIME_BASE_Q);
  const int64_t delta = pktDts - ist.next_dts;
  const int64_t threshold = int64_t(Settings().dts_delta_threshold * AV_TIME_BASE);
  if (delta < -threshold ||
      (delta > threshold && ist.st->codecpar->codec_type != AVMEDIA_TYPE_SUBTITLE) ||
      pktDts + 1 < ist.pts) {
    file.ts_offset -= delta;
    const int64_t shift = ff::av_rescale_q(delta, AV_TIME_BASE_Q, tb);
    pkt->dts -= shift;
    if (pkt->pts != AV_NOPTS_VALUE) pkt->pts -= shift;
    Log(media::llDebug, media::FormatText("timestamp discontinuity %" PRId64 ", new offset= %" PRId64,
                                          delta, file.ts_offset));
  }
}

int TTranscoder::ProcessPacket(InputStream& ist, int istIndex, AVPacket* pkt) {
  const AVMediaType type = ist.st->codecpar->codec_type;
  if (ist.next_dts == AV_NOPTS_VALUE) ist.next_dts = ist.dts;
  if (pkt && pkt->dts != AV_NOPTS_VALUE) {
    const int64_t t = ff::av_rescale_q(pkt->dts, ist.st->time_base, AV_TIME_BASE_Q);
    if (!ist.decoding_needed || type == AVMEDIA_TYPE_VIDEO) ist.next_dts = t;
    ist.dts = t;
    ist.pts = t;
  }
  const bool repeat = pkt && media::TakeFrameResult(pkt) == gfx::frUnchanged;
  if (ist.decoding_needed)
    return repeat && ReuseConvertedPicture(ist, istIndex, pkt) ? 0 : Decode(ist, istIndex, pkt);
  if (!pkt) return 0;

  RateEmulate(ist);
  if (pkt->duration > 0) {
    ist.next_dts += ff::av_rescale_q(pkt->duration, ist.st->time_base, AV_TIME_BASE_Q);
  } else if (type == AVMEDIA_TYPE_VIDEO && ist.st->r_frame_rate.num) {
    ist.next_dts += ff::av_rescale_q(1, av_inv_q(ist.st->r_frame_rate), AV_TIME_BASE_Q);
  }
  for (auto& ost : outputStreams_)
    if (ost->source_index == istIndex && ost->stream_copy) CopyPacket(*ost, ist, pkt);
  return 0;
}

int TTranscoder::Decode(InputStream& ist, int istIndex, const AVPacket* pkt) {
  AVCodecContext* dec = ist.dec_ctx.get();
  const AVMediaType type = dec->codec_type;
  // Subtitles are passed over (they are only ever copied); anything else
  // cannot be decoded at all.
  if (type == AVMEDIA_TYPE_SUBTITLE) return 0;
  if (type != AVMEDIA_TYPE_VIDEO && type != AVMEDIA_TYPE_AUDIO) return -1;
  int ret = ff::avcodec_send_packet(dec, pkt);
  if (ret < 0 && ret != AVERROR_EOF) return ret;
  int frames = 0;
  while ((ret = ff::avcodec_receive_frame(dec, ist.frame.get())) >= 0) {
    if (++frames == 2 && pkt) {
      Log(ist.multiple_frames_warned ? media::llVerbose : media::llWarning,
          media::FormatText("Multiple frames in a packet from stream %d", pkt->stream_index));
      ist.multiple_frames_warned = true;
    }
    if (type == AVMEDIA_TYPE_VIDEO) HandleVideoFrame(ist, istIndex);
    else HandleAudioFrame(ist, istIndex);
    ff::av_frame_unref(ist.frame.get());
    if (gate_.StopRequested() && pkt) break;
  }
  if (!pkt && type == AVMEDIA_TYPE_VIDEO) {
    // End of the pictures: let the filter graphs give out what they hold.
    for (auto& ost : outputStreams_)
      if (ost->source_index == istIndex && ost->encoding_needed && ost->filters.Built()) {
        // A graph that refuses the end mark has nothing held back.
        if (ost->filters.EndInput() < 0) continue;
        while (ost->filters.Pull() >= 0) {
          DoVideoOut(*ost, ost->filters.Filtered());
          ost->filters.DropFiltered();
        }
      }
  }
  return (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) ? 0 : ret;
}

void TTranscoder::RateEmulate(InputStream& ist) {
  if (!inputFiles_[ist.file_index]->rate_emu) return;
  const int64_t target = ist.next_dts == AV_NOPTS_VALUE ? ist.pts : ist.next_dts;
  const int64_t now = ff::av_gettime() - ist.start;
  if (now + 1000 >= target) return;
  ff::av_usleep(unsigned((target - now) / 1000) * 1000);
  PauseGate();
}

}  // namespace engine
