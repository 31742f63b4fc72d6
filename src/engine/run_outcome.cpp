// What a run leaves behind: trailers, the part kept after a failure, and
// no file for an output that received no frame.
#include "engine/run_outcome.h"

#include <cinttypes>

#include "engine/transcoder.h"
#include "media/ff_utils.h"

namespace engine {
namespace {

// Seconds of sound the stream has written.
double SoundSeconds(const OutputStream& ost) {
  if (!ost.encoding_needed) return double(ost.sync_opts) / AV_TIME_BASE;
  const int rate = ost.st->codecpar->sample_rate;
  return rate > 0 ? double(ost.next_sample) / rate : 0.0;
}

}  // namespace

std::string KeptPartText(const KeptOutput& kept) {
  if (kept.video)
    return media::FormatText("\"%s\" holds the video up to the error (%" PRId64 " frame%s).",
                             kept.file.c_str(), kept.frames, kept.frames == 1 ? "" : "s");
  return media::FormatText("\"%s\" holds the sound up to the error (%.1f s).", kept.file.c_str(),
                           kept.seconds);
}

void TTranscoder::WriteTrailers(bool raise) {
  for (auto& owned : outputFiles_) {
    OutputFile& of = *owned;
    if (!of.header_written || of.trailer_attempted) continue;
    of.trailer_attempted = true;
    writeStart_ = ff::av_gettime();
    const int ret = ff::av_write_trailer(of.ctx.get());
    if (ret >= 0) {
      of.trailer_written = true;
      continue;
    }
    const std::string text = media::FormatMediaError("av_write_trailer()", ret);
    if (raise) RaiseError(text);
    Log(media::llError, text);
  }
}

void TTranscoder::KeepWrittenPart() {
  // The first error stays the one reported; later ones are only logged.
  const std::string firstError = LastErrorText();
  // A stop that comes now must not break the writes that finish the files.
  draining_ = true;
  // The encoders still hold frames (libx264 keeps dozens in its look-ahead).
  // One that has just failed, or whose file refused a packet, is left alone.
  for (auto& owned : outputStreams_) {
    OutputStream& ost = *owned;
    const OutputFile& of = *outputFiles_[ost.file_index];
    if (!encPacket_ || !ost.encoder_opened || ost.encoder_failed || !of.header_written ||
        of.trailer_attempted || of.write_failed)
      continue;
    try {
      FlushEncoder(ost);
    } catch (const std::exception& e) {
      Log(media::llError, e.what());
    }
  }
  try {
    WriteTrailers(false);
  } catch (const std::exception& e) {
    Log(media::llError, e.what());
  }
  SetLastErrorText(firstError);
}

bool TTranscoder::ReceivedNothing(size_t fileIndex) const {
  int64_t video = -1, audio = -1;  // packets; -1 while the file has no such stream
  for (const auto& ost : outputStreams_) {
    if (size_t(ost->file_index) != fileIndex || !ost->st) continue;
    const AVMediaType type = ost->st->codecpar->codec_type;
    if (type == AVMEDIA_TYPE_VIDEO) video = std::max<int64_t>(video, 0) + ost->packets_written;
    if (type == AVMEDIA_TYPE_AUDIO) audio = std::max<int64_t>(audio, 0) + ost->packets_written;
  }
  // Sound alone does not make a video: a file with a video stream needs a frame.
  return video >= 0 ? video == 0 : audio == 0;
}

void TTranscoder::RequireWrittenOutputs() {
  // A stop before the first frame is the user's choice, not an error.
  if (stopRequested_) return;
  for (size_t i = 0; i < outputFiles_.size(); ++i) {
    if (!ReceivedNothing(i)) continue;
    bool video = false;
    for (const auto& ost : outputStreams_)
      video |= size_t(ost->file_index) == i && ost->st &&
               ost->st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO;
    RaiseError(media::FormatText(
        "No %s was written to \"%s\" (check -ss / -t / -fs / -frames parameters if used)",
        video ? "video frame" : "sound", outputFiles_[i]->name.c_str()));
  }
}

void TTranscoder::SettleOutputs(bool failedMidway) {
  for (size_t i = 0; i < outputFiles_.size(); ++i) {
    OutputFile& of = *outputFiles_[i];
    // Without its header, or without a single frame, the file plays nothing.
    if (!of.header_written || ReceivedNothing(i)) {
      of.remove_file = true;
      continue;
    }
    if (!failedMidway || !of.trailer_written || of.write_failed) continue;
    KeptOutput kept{of.name, false, 0, 0.0};
    for (const auto& ost : outputStreams_) {
      if (size_t(ost->file_index) != i || !ost->st) continue;
      const AVMediaType type = ost->st->codecpar->codec_type;
      if (type == AVMEDIA_TYPE_VIDEO && !kept.video) {
        kept.video = true;
        kept.frames = ost->packets_written;
      } else if (type == AVMEDIA_TYPE_AUDIO) {
        kept.seconds = std::max(kept.seconds, SoundSeconds(*ost));
      }
    }
    keptOutputs_.push_back(std::move(kept));
  }
}

}  // namespace engine
