// Transcode initialisation, once before the first packet: every stream's
// coder set up and opened (outputs/encoders.cpp, inputs/decoders.cpp), the
// headers written, the mapping logged.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "engine/transcoder.h"
#include "media/binding/ff_utils.h"

namespace engine {
void TTranscoder::TranscodeInit() {
  for (size_t i = 0; i < outputFiles_.size(); ++i)
    if (outputFiles_[i]->ctx->nb_streams == 0) {
      const std::string text =
          media::FormatText("Output file #%d does not contain any stream", int(i));
      SetLastErrorText(text);
      Log(media::llError, text);
      throw FFmpegException(text);
    }

  for (auto& owned : outputStreams_) {
    OutputStream& ost = *owned;
    if (ost.source_index < 0) continue;
    InputStream& ist = *inputStreams_[ost.source_index];
    ist.discard = false;
    ist.st->discard = AVDISCARD_DEFAULT;
    if (IsJoinedCopy(ost)) {
      SetUpJoinedStream(ost, ist);
      continue;
    }
    AVCodecContext* c = ost.enc_ctx.get();
    if (ost.stream_copy) {
      CheckCopyCompatible(ost, ist);
      int ret = ff::avcodec_parameters_copy(ost.st->codecpar, ist.st->codecpar);
      if (ret < 0) RaiseError("av_mallocz() failed");
      ost.st->codecpar->codec_tag = 0;
      ost.st->time_base = ist.st->time_base;
      ost.st->avg_frame_rate = ist.st->avg_frame_rate;
      continue;
    }
    if (!ost.enc) {
      ost.enc = ff::avcodec_find_encoder(c->codec_id ? c->codec_id : ist.st->codecpar->codec_id);
      if (ost.enc) c->codec_id = ost.enc->id;
    }
    ost.encoding_needed = true;
    ist.decoding_needed = true;
    const bool video = c->codec_type == AVMEDIA_TYPE_VIDEO;
    if (!ost.enc && (video || c->codec_type == AVMEDIA_TYPE_AUDIO))
      RaiseError(media::FormatText("Encoder (codec %s) not found for output stream #%d:%d (%s)",
                                   ff::avcodec_get_name(c->codec_id), ost.file_index, ost.index,
                                   video ? "video" : "audio"));
    switch (c->codec_type) {
      case AVMEDIA_TYPE_VIDEO:
        SetUpVideoEncoder(ost, ist);
        break;
      case AVMEDIA_TYPE_AUDIO:
        SetUpAudioEncoder(ost, ist);
        break;
      case AVMEDIA_TYPE_SUBTITLE:
        break;
      default:
        RaiseError("invalid codec_type of output stream");
    }
  }

  // Joined inputs' groups share the first group's encoders.
  for (size_t i = 0; i < outputStreams_.size(); ++i)
    if (outputStreams_[i]->encoding_needed && !IsJoinedCopy(*outputStreams_[i]))
      SetUpTwoPass(*outputStreams_[i], int(i));
  for (auto& ost : outputStreams_)
    if (ost->encoding_needed && !IsJoinedCopy(*ost)) OpenEncoder(*ost);
  for (size_t i = 0; i < inputStreams_.size(); ++i)
    if (inputStreams_[i]->decoding_needed) OpenDecoder(*inputStreams_[i], int(i));

  const auto written = WrittenOutputFiles();
  for (size_t i = 0; i < written.size(); ++i) {
    OutputFile& of = *written[i];
    writeStart_ = ff::av_gettime();
    const int ret = ff::avformat_write_header(of.ctx.get(), of.opts.Ref());
    if (ret < 0)
      RaiseError(media::FormatText(
          "Could not write header for output file #%d (incorrect codec parameters ?)", int(i)));
    of.header_written = true;
  }
  LogStreamMapping();
}

// Copied packets are never decoded, so nothing that works on samples or
// pictures can see them.
void TTranscoder::CheckCopyCompatible(const OutputStream& ost, const InputStream& ist) {
  const char* refused = nullptr;
  switch (ist.st->codecpar->codec_type) {
    case AVMEDIA_TYPE_AUDIO:
      if (Settings().audio_volume != 256) refused = "-acodec copy and -vol";
      else if (OnAudioHook) refused = "-acodec copy and AudioHook";
      break;
    case AVMEDIA_TYPE_VIDEO:
      if (OnVideoInputHook || OnVideoOutputHook) refused = "-vcodec copy and VideoHook";
      else if (OnFrameInputHook || OnFrameOutputHook) refused = "-vcodec copy and FrameHook";
      else if (FrameHooksEnabled() && FrameHookCount() > 0) refused = "-vcodec copy and -vhook";
      break;
    default:
      break;
  }
  if (refused)
    RaiseError(std::string(refused) + " are incompatible (frames are not decoded)");
}

void TTranscoder::LogStreamMapping() {
  Log(media::llInfo, "Stream mapping:");
  for (const auto& ost : outputStreams_) {
    if (ost->source_index < 0) continue;
    const InputStream& ist = *inputStreams_[ost->source_index];
    const int inIndex = ost->source_index - inputFiles_[ist.file_index]->ist_index;
    std::string line = media::FormatText("  Stream #%d:%d -> #%d:%d", ist.file_index, inIndex,
                                         ost->file_index, ost->index);
    if (ost->stream_copy) {
      line += " (copy)";
    } else if (ost->enc) {
      line += media::FormatText(" (%s -> %s)", ist.dec ? ist.dec->name : "?", ost->enc->name);
    }
    Log(media::llInfo, line);
  }
  LogSdp();
}

void TTranscoder::LogSdp() {
  std::vector<AVFormatContext*> contexts;
  for (const auto& of : outputFiles_) {
    if (std::strcmp(of->ctx->oformat->name, "rtp") != 0) return;
    contexts.push_back(of->ctx.get());
  }
  if (contexts.empty()) return;
  // The receiver needs this description to play the streams.
  std::vector<char> sdp(16384);
  const int ret = ff::av_sdp_create(contexts.data(), int(contexts.size()), sdp.data(),
                                    int(sdp.size()));
  if (ret < 0) {
    Log(media::llWarning, media::FormatMediaError("av_sdp_create()", ret));
    return;
  }
  Log(media::llInfo, std::string("SDP:\n") + sdp.data());
}

}  // namespace engine
