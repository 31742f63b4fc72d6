// Video output: decoded pictures through the hooks into the filters, and
// the filtered ones through the sync decision (duplicate, drop, pass), the
// output hooks and the preview to the encoder.
#include <cmath>

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

void TTranscoder::HandleVideoFrame(InputStream& ist, int istIndex) {
  AVFrame* frame = ist.frame.get();
  if (frame->best_effort_timestamp != AV_NOPTS_VALUE)
    ist.pts = ff::av_rescale_q(frame->best_effort_timestamp, ist.st->time_base, AV_TIME_BASE_Q);
  frame->pts = ist.pts;
  ++ist.frames_decoded;
  frame = videoHooks_.RunInput(*this, {OnVideoInputHook, OnFrameInputHook}, frame,
                               int(ist.frames_decoded));
  for (auto& ost : outputStreams_) {
    if (ost->source_index != istIndex || !ost->encoding_needed || !ost->filters.Built()) continue;
    if (!frame->sample_aspect_ratio.num) frame->sample_aspect_ratio = ist.st->sample_aspect_ratio;
    if (ost->filters.Push(*frame) < 0) RaiseError("Failed to inject frame into filter network");
  }
  RateEmulate(ist);
  // The next picture is due one frame later unless its packet says otherwise.
  if (ist.st->r_frame_rate.num)
    ist.next_dts = ist.pts + ff::av_rescale_q(1, av_inv_q(ist.st->r_frame_rate), AV_TIME_BASE_Q);
  for (auto& ost : outputStreams_) {
    if (ost->source_index != istIndex || !ost->encoding_needed || !ost->filters.Built()) continue;
    while (ost->filters.Pull() >= 0) {
      DoVideoOut(*ost, ost->filters.Filtered());
      KeepConvertedPicture(*ost);
    }
  }
}

}  // namespace engine
