// Writing packets: frame budget, bitstream filters, the muxer.
#include "engine/transcoder.h"
#include "media/binding/ff_utils.h"

namespace engine {
namespace {

// Runs the packet through the chain from position `at`; `write` gets what
// comes out of the last filter.
template <class Write>
int FilterChain(std::vector<BsfPtr>& chain, size_t at, AVPacket* pkt, Write&& write) {
  if (at == chain.size()) return write(pkt);
  AVBSFContext* bsf = chain[at].get();
  int ret = ff::av_bsf_send_packet(bsf, pkt);
  if (ret < 0) return ret;
  while ((ret = ff::av_bsf_receive_packet(bsf, pkt)) >= 0) {
    ret = FilterChain(chain, at + 1, pkt, write);
    if (ret < 0) return ret;
  }
  return ret == AVERROR(EAGAIN) || ret == AVERROR_EOF ? 0 : ret;
}

}  // namespace

void TTranscoder::WritePacket(OutputStream& ost, AVPacket* pkt) {
  const bool encodedVideo = ost.encoding_needed && ost.enc_ctx &&
                            ost.enc_ctx->codec_type == AVMEDIA_TYPE_VIDEO;
  if (!encodedVideo) {
    if (ost.frame_number >= ost.max_frames) {
      ff::av_packet_unref(pkt);
      return;
    }
    ++ost.frame_number;
  }
  OutputFile& of = *outputFiles_[ost.file_index];
  int writeError = 0;
  auto write = [&](AVPacket* out) {
    writeStart_ = ff::av_gettime();
    // Some encoders end with an empty packet that only updates the header.
    const bool payload = out->size > 0;
    const int ret = ff::av_interleaved_write_frame(of.ctx.get(), out);
    if (ret < 0) writeError = ret;
    else ost.packets_written += payload;
    return ret;
  };
  const int ret = FilterChain(ost.bsfs, 0, pkt, write);
  ff::av_packet_unref(pkt);
  if (writeError < 0) {
    of.write_failed = true;
    RaiseError(media::FormatMediaError("av_interleaved_write_frame()", writeError));
  }
  if (ret < 0) {
    const std::string text = media::FormatMediaError(
        media::FormatText("Failed to open bitstream filter %s for stream %d with codec %s",
                          ost.bsfs.empty() ? "?" : ost.bsfs[0]->filter->name, ost.index,
                          ff::avcodec_get_name(ost.st->codecpar->codec_id)),
        ret);
    Log(media::llError, text);
    if (Settings().exit_on_error) RaiseError(text);
  }
}

void TTranscoder::CopyPacket(OutputStream& ost, InputStream& ist, const AVPacket* pkt) {
  const OutputFile& of = *outputFiles_[ost.file_index];
  const int64_t dts = ist.pts;
  if (of.recording_time != INT64_MAX && dts >= of.recording_time + of.start_time) {
    ost.past_recording_time = true;
    return;
  }
  if (dts < of.start_time) return;
  AVPacket* out = encPacket_.get();
  if (ff::av_packet_ref(out, pkt) < 0) RaiseError("Could not copy packet");
  const int64_t startShift = ff::av_rescale_q(of.start_time, AV_TIME_BASE_Q, ist.st->time_base);
  if (out->pts != AV_NOPTS_VALUE) out->pts -= startShift;
  if (out->dts != AV_NOPTS_VALUE) out->dts -= startShift;
  ff::av_packet_rescale_ts(out, ist.st->time_base, ost.st->time_base);
  out->stream_index = ost.st->index;
  ost.sync_opts = dts - of.start_time;
  WritePacket(ost, out);
}

}  // namespace engine
