// Video output: the sync decision (duplicate, drop, pass) and encoding of
// the filtered pictures.
#include <cmath>
#include <cstdio>

extern "C" {
#include <libavutil/intreadwrite.h>
}

#include "engine/transcoder.h"
#include "media/binding/ff_utils.h"

namespace engine {
namespace {

int SyncMethodFor(int setting, const AVOutputFormat* format) {
  if (setting >= 0) return setting;
  if (format->flags & AVFMT_VARIABLE_FPS) return (format->flags & AVFMT_NOTIMESTAMPS) ? 0 : 2;
  return 1;
}

const OutputStream* FirstVideoStream(const std::vector<std::unique_ptr<OutputStream>>& streams) {
  for (const auto& ost : streams)
    if (ost->enc_ctx && ost->enc_ctx->codec_type == AVMEDIA_TYPE_VIDEO) return ost.get();
  return nullptr;
}

}  // namespace

int TTranscoder::VideoFrameCount(OutputStream& ost, double vdelta, double pictureTime,
                                 int syncMethod) {
  int frames = 1;
  // Picture times round halves to even, as the duplicate count does.
  if (syncMethod == 0) {
    ost.sync_opts = std::llrint(pictureTime);
  } else if (vdelta < -1.1) {
    frames = 0;
  } else if (syncMethod == 2) {
    if (vdelta <= -0.6) frames = 0;
    else if (vdelta > 0.6) ost.sync_opts = std::llrint(pictureTime);
  } else if (vdelta > 1.1) {
    frames = int(std::lrint(vdelta));
  }
  if (frames == 0) {
    ++totals_.drops;
    totals_.dupDropChanged = true;
    Log(media::llVerbose, "*** drop!");
  } else if (frames > 1) {
    totals_.dups += frames - 1;
    totals_.dupDropChanged = true;
    Log(media::llVerbose, media::FormatText("*** %d dup!", frames - 1));
  }
  return frames;
}

void TTranscoder::DoVideoOut(OutputStream& ost, AVFrame* picture, bool repeat) {
  AVCodecContext* c = ost.enc_ctx.get();
  const AVFormatContext* oc = outputFiles_[ost.file_index]->ctx.get();
  const int method = SyncMethodFor(Settings().video_sync_method, oc->oformat);
  // Picture time in output frames; the buffer source runs in microseconds.
  const double pictureTime = double(picture->pts) / AV_TIME_BASE / av_q2d(c->time_base);
  const InputStream& ist = *inputStreams_[ost.source_index];
  const AVRational inRate = ist.st->r_frame_rate;
  const double duration =
      inRate.num ? av_q2d(av_inv_q(inRate)) / av_q2d(c->time_base) : 1.0;
  const double vdelta = pictureTime - double(ost.sync_opts) + duration;
  int64_t frames = VideoFrameCount(ost, vdelta, pictureTime, method);
  frames = std::min<int64_t>(frames, ost.max_frames - ost.frame_number);
  // The first video output stream's pictures are previewed, timed as they
  // come from the graph.
  const bool previewed = &ost == FirstVideoStream(outputStreams_);
  const int64_t graphTime = picture->pts;
  // The picture in flight was drawn and handed out: a stop cuts only its
  // repeats, so that the file holds every frame the source gave.
  for (int64_t i = 0; i < frames && (i == 0 || !gate_.StopRequested()); ++i) {
    picture->pts = ost.sync_opts;
    picture->pict_type = AV_PICTURE_TYPE_NONE;
    if (!ost.forced_kf_pts.empty() && ost.sync_opts >= ost.forced_kf_pts.front()) {
      picture->pict_type = AV_PICTURE_TYPE_I;
      ost.forced_kf_pts.erase(ost.forced_kf_pts.begin());
    }
    // The time of this output frame, so that repeated pictures differ.
    const int64_t outputTime = ff::av_rescale_q(ost.sync_opts, c->time_base, AV_TIME_BASE_Q);
    AVFrame* encoded = videoHooks_.RunOutput(*this, {OnVideoOutputHook, OnFrameOutputHook},
                                             picture, int(ost.frame_number + 1), outputTime);
    if (previewed) PreviewStep(*encoded, int(ost.frame_number + 1), graphTime);
    PauseGate();
    // A duplicate repeats its picture as a held one does, unless hooks see it.
    const bool same = repeat || (i > 0 && CanReuseConvertedPicture(ost));
    if (!ost.held || ost.held->Encode(encoded, same)) EncodeVideo(ost, encoded);
    ++ost.sync_opts;
    ++ost.frame_number;
  }
}

void TTranscoder::EncodeVideo(OutputStream& ost, AVFrame* picture) {
  DrainEncoder(ost, picture, &totals_.videoBytes, "Video encoding failed");
}

void TTranscoder::DrainEncoder(OutputStream& ost, AVFrame* frame, int64_t* byteTotal,
                               const char* failure) {
  AVCodecContext* c = ost.enc_ctx.get();
  int ret = ff::avcodec_send_frame(c, frame);
  if (ret < 0 && !(ret == AVERROR_EOF && !frame)) {
    ost.encoder_failed = true;
    RaiseError(media::FormatMediaError(failure, ret));
  }
  AVPacket* pkt = encPacket_.get();
  while ((ret = ff::avcodec_receive_packet(c, pkt)) >= 0) {
    *byteTotal += pkt->size;
    size_t statsSize = 0;
    if (const uint8_t* stats =
            ff::av_packet_get_side_data(pkt, AV_PKT_DATA_QUALITY_STATS, &statsSize);
        stats && statsSize >= 4)
      ost.last_quality = int64_t(AV_RL32(stats));
    if (ost.pass_log && c->stats_out &&
        std::fputs(c->stats_out, ost.pass_log.get()) < 0)
      RaiseError("Cannot write the first-pass statistics");
    pkt->stream_index = ost.st->index;
    // The muxer may have changed the stream's time base in its header.
    ff::av_packet_rescale_ts(pkt, c->time_base, ost.st->time_base);
    WritePacket(ost, pkt);
  }
  if (ret != AVERROR(EAGAIN) && ret != AVERROR_EOF) {
    ost.encoder_failed = true;
    RaiseError(media::FormatMediaError(failure, ret));
  }
}

}  // namespace engine
