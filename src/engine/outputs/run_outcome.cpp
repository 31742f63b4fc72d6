// What a run leaves behind: trailers, the part kept after a failure, and
// no file for an output that received no frame.
#include "engine/run_outcome.h"

#include <cinttypes>

#include "engine/transcoder.h"
#include "media/binding/ff_utils.h"

namespace engine {
namespace {

// Seconds of sound the stream has written.
double SoundSeconds(const OutputStream& ost) {
  if (!ost.encoding_needed) return double(ost.sync_opts) / AV_TIME_BASE;
  const int rate = ost.st->codecpar->sample_rate;
  return rate > 0 && ost.audio ? double(ost.audio->SamplesOut()) / rate : 0.0;
}

}  // namespace

TTranscoder::OutputTally TTranscoder::TallyOutput(size_t file) const {
  OutputTally t;
  for (const auto& ost : outputStreams_) {
    if (WrittenFileIndex(*ost) != file || !ost->st) continue;
    const AVMediaType type = ost->st->codecpar->codec_type;
    if (type == AVMEDIA_TYPE_VIDEO) t.video = std::max<int64_t>(t.video, 0) + ost->packets_written;
    if (type == AVMEDIA_TYPE_AUDIO) t.audio = std::max<int64_t>(t.audio, 0) + ost->packets_written;
    t.all += ost->packets_written;
  }
  return t;
}

std::string KeptPartText(const KeptOutput& kept) {
  if (kept.video)
    return media::FormatText("\"%s\" holds the video up to the error (%" PRId64 " frame%s).",
                             kept.file.c_str(), kept.frames, kept.frames == 1 ? "" : "s");
  return media::FormatText("\"%s\" holds the sound up to the error (%.1f s).", kept.file.c_str(),
                           kept.seconds);
}

void TTranscoder::WriteTrailers(bool raise) {
  for (const auto& owned : WrittenOutputFiles()) {
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
    const OutputFile& of = *outputFiles_[WrittenFileIndex(ost)];
    if (!encPacket_ || !ost.enc_ctx || !ost.encoder_opened || ost.encoder_failed || !of.header_written ||
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

void TTranscoder::RequireWrittenOutputs() {
  // A stop before the first frame is the user's choice, not an error.
  if (gate_.StopRequested()) return;
  for (size_t i = 0; i < WrittenOutputFiles().size(); ++i) {
    // Sound alone does not make a video: an output with video needs a frame.
    const OutputTally t = TallyOutput(i);
    if (t.video == 0 || (t.video < 0 && t.audio == 0))
      RaiseError(media::FormatText(
          "No %s was written to \"%s\" (check -ss / -t / -fs / -frames parameters if used)",
          t.video == 0 ? "video frame" : "sound", outputFiles_[i]->name.c_str()));
  }
}

void TTranscoder::SettleOutputs(bool failedMidway) {
  for (size_t i = 0; i < WrittenOutputFiles().size(); ++i) {
    OutputFile& of = *outputFiles_[i];
    // Without its header, or without a single packet, the file holds nothing.
    if (!of.header_written || TallyOutput(i).all == 0) {
      of.remove_file = true;
      continue;
    }
    if (!failedMidway || !of.trailer_written || of.write_failed) continue;
    KeptOutput kept{of.name, false, 0, 0.0};
    // The groups of a joined output each count their own input's frames.
    int videoIndex = -1;
    for (const auto& ost : outputStreams_) {
      if (WrittenFileIndex(*ost) != i || !ost->st) continue;
      const AVMediaType type = ost->st->codecpar->codec_type;
      if (type == AVMEDIA_TYPE_VIDEO && (videoIndex < 0 || ost->st->index == videoIndex)) {
        videoIndex = ost->st->index;
        kept.video = true;
        kept.frames += ost->packets_written;
      } else if (type == AVMEDIA_TYPE_AUDIO) {
        kept.seconds = std::max(kept.seconds, SoundSeconds(*ost));
      }
    }
    // Sound written before a failure that came ahead of the first picture.
    if (kept.video && kept.frames == 0) kept.video = false;
    keptOutputs_.push_back(std::move(kept));
  }
}

}  // namespace engine
