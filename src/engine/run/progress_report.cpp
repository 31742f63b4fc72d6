// The progress line during a run and the report at its end.
#include <cinttypes>
#include <cmath>
#include <span>
#include <string>

#include "engine/transcoder.h"
#include "media/binding/ff_utils.h"

namespace engine {
namespace {

// Frame count and rate come from the first video output that has written
// a frame; before any has, from the first video output.
const OutputStream* CountedStream(std::span<const std::unique_ptr<OutputStream>> streams) {
  const OutputStream* counted = nullptr;
  for (auto& owned : streams) {
    const OutputStream& ost = *owned;
    if (!ost.enc_ctx || ost.enc_ctx->codec_type != AVMEDIA_TYPE_VIDEO) continue;
    if (!counted || (counted->frame_number == 0 && ost.frame_number > 0)) counted = &ost;
  }
  return counted;
}

int64_t WrittenSize(const OutputFile* first) {
  if (!first || !first->ctx || !first->ctx->pb) return 0;
  int64_t size = ff::avio_size(first->ctx->pb);
  if (size < 0) size = ff::avio_seek(first->ctx->pb, 0, SEEK_CUR);
  return size < 0 ? 0 : size;
}

}  // namespace

void TTranscoder::ReportProgress(int inputIndex, bool final) {
  if (!Settings().print_stats && !final && !OnProgress) return;
  ProgressValues v;
  v.InputIndex = inputIndex;
  v.TotalDuration = totalDuration_;
  v.CurrentSize = WrittenSize(outputFiles_.empty() ? nullptr : outputFiles_[0].get());
  // Quantizer of the last coded frame of the last output stream.
  const auto streams = ReportedStreams();
  if (!streams.empty()) {
    const OutputStream& last = *streams.back();
    if (!last.stream_copy && last.last_quality >= 0)
      v.Quality = float(double(last.last_quality) / FF_QP2LAMBDA);
  }
  std::string line;
  double minTime = StreamProgress(streams, final, v, line);
  if (minTime > 1e99) minTime = 0;
  if (minTime > 0) v.BitRate = float(double(v.CurrentSize) * 8 / (minTime * 1000));
  const int64_t hundredths = int64_t(minTime * 100);
  line += media::FormatText(
      "size=%8.0fkB time=%02d:%02d:%02d.%02d bitrate=%6.1fkbits/s", v.CurrentSize / 1024.0,
      int(hundredths / 360000), int(hundredths / 6000 % 60), int(hundredths / 100 % 60),
      int(hundredths % 100), double(v.BitRate));
  if (totals_.dups || totals_.drops)
    line += media::FormatText(" dup=%" PRId64 " drop=%" PRId64, totals_.dups, totals_.drops);
  if (OnProgress) {
    OnProgress(v);
    if (totals_.dupDropChanged) Log(media::llInfo, line);
  } else if (Settings().print_stats) {
    Log(media::llInfo, line);
  }
  totals_.dupDropChanged = false;
  if (final) FinalReport(v.CurrentSize);
}

// The streams' part of the progress line and their values; the least time
// any of them has reached, in seconds.
double TTranscoder::StreamProgress(std::span<const std::unique_ptr<OutputStream>> streams,
                                   bool final, ProgressValues& v, std::string& line) const {
  const OutputStream* counted = CountedStream(streams);
  double minTime = 1e100;
  for (auto& owned : streams) {
    const OutputStream& ost = *owned;
    if (!ost.enc_ctx) continue;
    double t;
    if (ost.enc_ctx->codec_type == AVMEDIA_TYPE_AUDIO && ost.encoding_needed)
      t = double(ost.audio->SamplesOut()) / ost.enc_ctx->sample_rate;
    else if (ost.encoding_needed)
      t = double(ost.sync_opts) * av_q2d(ost.enc_ctx->time_base);
    else
      t = double(ost.sync_opts) / AV_TIME_BASE;
    minTime = std::min(minTime, t);
    v.CurrentDuration = int64_t(t * AV_TIME_BASE);
    if (ost.enc_ctx->codec_type == AVMEDIA_TYPE_VIDEO) {
      if (&ost == counted && (ost.frame_number > 0 || final)) {
        const double seconds = double(ff::av_gettime() - runStart_) / AV_TIME_BASE;
        const int32_t fps = seconds > 1 ? int32_t(double(ost.frame_number) / seconds + 0.5) : 0;
        // The values stay -1 until a frame was written, also in the final report.
        if (ost.frame_number > 0) {
          v.FrameNumber = int32_t(ost.frame_number);
          v.FPS = fps;
        }
        const double q = ost.last_quality >= 0 ? double(ost.last_quality) / FF_QP2LAMBDA : -1.0;
        line += media::FormatText("frame=%5d fps=%3d q=%3.1f ", int(ost.frame_number), fps, q);
        if (final) line += "L";
      } else if (&ost != counted) {
        line += media::FormatText(
            "q=%2.1f ", ost.last_quality >= 0 ? double(ost.last_quality) / FF_QP2LAMBDA : -1.0);
      }
    }
  }
  return minTime;
}

void TTranscoder::FinalReport(int64_t fileSize) {
  int64_t headers = 0;  // the streams' global headers (codec extradata)
  for (auto& ost : ReportedStreams())
    if (ost->st) headers += ost->st->codecpar->extradata_size;
  const int64_t payload = totals_.videoBytes + totals_.audioBytes + headers;
  if (payload == 0) {  // nothing to relate the overhead to
    Log(media::llWarning, "Output file is empty, nothing was encoded (check -ss / -t / -frames "
                          "parameters if used)");
    return;
  }
  Log(media::llInfo, media::FormatText("video:%1.0fkB audio:%1.0fkB global headers:%1.0fkB "
                                       "muxing overhead %f%%",
                                       totals_.videoBytes / 1024.0, totals_.audioBytes / 1024.0, headers / 1024.0,
                                       double(fileSize - payload) * 100.0 / double(payload)));
}

}  // namespace engine
