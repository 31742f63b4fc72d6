// The conversion loop: pick an input, read, decode (inputs/), through the
// video and audio paths (video/, audio/) into the encoders and the muxer
// (outputs/); then drain, write the trailers and report.
#include <filesystem>

#include "engine/transcoder.h"
#include "media/binding/ff_utils.h"

namespace engine {

void TTranscoder::Run() {
  finished_ = false;
  errorOccurred_ = false;
  errorMessage_.clear();
  keptOutputs_.clear();
  const char* missing = outputFiles_.empty()  ? "At least one output file must be specified"
                        : inputFiles_.empty() ? "At least one input file must be specified"
                                              : nullptr;
  if (missing) {
    Log(media::llQuiet, missing);
    errorOccurred_ = true;
    errorMessage_ = missing;
  } else {
    auto record = [this](const std::exception& e) {
      Log(media::llQuiet, e.what());
      errorOccurred_ = true;
      errorMessage_ = e.what();
      finished_ = false;
    };
    bool brokenOff = false;
    try {
      TranscodeLoop();
    } catch (const std::exception& e) {
      record(e);
      brokenOff = true;
      KeepWrittenPart();
    }
    if (!brokenOff) {
      try {
        RequireWrittenOutputs();
      } catch (const std::exception& e) {
        record(e);
      }
    }
    SettleOutputs(brokenOff);
  }
  try {
    CleanUp();
  } catch (const std::exception& e) {
    Log(media::llQuiet, e.what());
    if (!errorOccurred_) errorMessage_ = e.what();
    errorOccurred_ = true;
  }
  ff::av_log(nullptr, AV_LOG_QUIET, "%s", "");
}

void TTranscoder::CleanUp() {
  // The groups' records of a joined output share the first one's muxer.
  if (joining_ && outputFiles_.size() > 1) outputFiles_.resize(1);
  for (auto& of : outputFiles_) {
    const bool wroteFile = of->ctx && !(of->ctx->oformat->flags & AVFMT_NOFILE) && of->ctx->pb;
    of->ctx.reset();
    // A file that received nothing, or only its header and trailer, is not
    // left behind; only ever a plain file (never a device or pipe).
    std::error_code ec;
    if (wroteFile && std::filesystem::is_regular_file(of->name, ec) &&
        (of->remove_file || (std::filesystem::file_size(of->name, ec) == 0 && !ec)))
      std::filesystem::remove(of->name, ec);
  }
  outputStreams_.clear();
  outputFiles_.clear();
  inputStreams_.clear();
  inputFiles_.clear();
  inputContexts_.clear();
  encPacket_.reset();
  videoHooks_.Release();
  audioHook_.Release();
  ResetFileOptions(false);
  joining_ = false;
  groupSize_ = 0;
  currentInput_ = 0;
}

void TTranscoder::TranscodeLoop() {
  SetLastErrorText("");
  draining_ = false;
  TranscodeInit();
  PacketPtr packet = StartRun();
  AVPacket* pkt = packet.get();
  while (!gate_.StopRequested()) {
    PauseGate();
    const int fileIndex = ChooseInput();
    if (fileIndex < 0) {
      // Inputs that answered "try again" are asked once more after a while.
      if (noPacketCount_ > 0) {
        for (auto& f : inputFiles_) f->no_packet = false;
        noPacketCount_ = 0;
        ff::av_usleep(10000);
        continue;
      }
      break;
    }
    InputFile& file = *inputFiles_[fileIndex];
    const int ret = ReadPacket(file, pkt);
    if (ret == AVERROR(EAGAIN)) {
      file.no_packet = true;
      ++noPacketCount_;
      continue;
    }
    if (ret < 0) {
      file.eof_reached = true;
      if (joining_) SwitchToNextInput();
      else if (Settings().shortest) break;
      continue;
    }
    for (auto& f : inputFiles_) f->no_packet = false;
    noPacketCount_ = 0;
    HandleInputPacket(file, pkt);
    ff::av_packet_unref(pkt);
    const int64_t now = ff::av_gettime();
    if (now - lastReport_ > ProgressInterval()) {
      ReportProgress(fileIndex, false);
      lastReport_ = now;
    }
  }
  FinishRun();
}

PacketPtr TTranscoder::StartRun() {
  if (totalDuration_ < 0) totalDuration_ = inputLength_;
  runStart_ = ff::av_gettime();
  lastReport_ = runStart_;
  totals_ = RunTotals();
  for (auto& ist : inputStreams_)
    if (inputFiles_[ist->file_index]->rate_emu) ist->start = runStart_;
  encPacket_.reset(ff::av_packet_alloc());
  PacketPtr packet(ff::av_packet_alloc());
  if (!encPacket_ || !packet) RaiseError("Could not allocate packet");
  return packet;
}

// A packet read from `file`: to its stream's decoder, or let go when no
// output uses the stream. The caller unreferences it.
void TTranscoder::HandleInputPacket(InputFile& file, AVPacket* pkt) {
  // The dump needs the packet's stream for its time base.
  if (Settings().dump_packets && pkt->stream_index >= 0 &&
      unsigned(pkt->stream_index) < file.ctx->nb_streams)
    ff::av_pkt_dump_log2(nullptr, AV_LOG_DEBUG, pkt, Settings().dump_hex,
                         file.ctx->streams[pkt->stream_index]);
  if (pkt->stream_index < 0 || pkt->stream_index >= file.nb_streams ||
      inputStreams_[file.ist_index + pkt->stream_index]->discard)
    return;
  const int istIndex = file.ist_index + pkt->stream_index;
  InputStream& ist = *inputStreams_[istIndex];
  FixTimestamps(file, ist, pkt);
  if (ProcessPacket(ist, istIndex, pkt) >= 0) return;
  const std::string text = media::FormatText(
      "Error while decoding stream #%d:%d (%s)", ist.file_index, pkt->stream_index,
      ist.dec ? ist.dec->name : ff::avcodec_get_name(ist.st->codecpar->codec_id));
  if (Settings().exit_on_error) {
    ff::av_packet_unref(pkt);
    RaiseError(text);
  }
  Log(media::llError, text);
}

// The decoders, filters and encoders drained, the trailers written.
void TTranscoder::FinishRun() {
  draining_ = true;
  for (size_t i = 0; i < inputStreams_.size(); ++i)
    if (inputStreams_[i]->decoding_needed && !inputStreams_[i]->flushed)
      ProcessPacket(*inputStreams_[i], int(i), nullptr);
  FlushEncoders();
  WriteTrailers(true);
  ReportProgress(-1, true);
  for (auto& ost : outputStreams_) ost->enc_ctx.reset();
  for (auto& ist : inputStreams_) ist->dec_ctx.reset();
  finished_ = !gate_.StopRequested();
}

}  // namespace engine
