// The conversion: read, fix timestamps, decode, pace, filter, encode, write;
// then drain, write the trailers and report.
#include <cinttypes>
#include <cmath>
#include <filesystem>

#include "engine/transcoder.h"
#include "media/binding/ff_utils.h"
#include "media/frame_source/own_input.h"

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
  if (totalDuration_ < 0) totalDuration_ = inputLength_;
  runStart_ = ff::av_gettime();
  lastReport_ = runStart_;
  totals_ = RunTotals();
  for (auto& ist : inputStreams_)
    if (inputFiles_[ist->file_index]->rate_emu) ist->start = runStart_;
  encPacket_.reset(ff::av_packet_alloc());
  PacketPtr packet(ff::av_packet_alloc());
  if (!encPacket_ || !packet) RaiseError("Could not allocate packet");
  AVPacket* pkt = packet.get();

  while (!gate_.StopRequested()) {
    PauseGate();
    const int fileIndex = ChooseInput();
    if (fileIndex < 0) {
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
    // The dump needs the packet's stream for its time base.
    if (Settings().dump_packets && pkt->stream_index >= 0 &&
        unsigned(pkt->stream_index) < file.ctx->nb_streams)
      ff::av_pkt_dump_log2(nullptr, AV_LOG_DEBUG, pkt, Settings().dump_hex,
                           file.ctx->streams[pkt->stream_index]);

    if (pkt->stream_index < 0 || pkt->stream_index >= file.nb_streams ||
        inputStreams_[file.ist_index + pkt->stream_index]->discard) {
      ff::av_packet_unref(pkt);
      continue;
    }
    const int istIndex = file.ist_index + pkt->stream_index;
    InputStream& ist = *inputStreams_[istIndex];
    FixTimestamps(file, ist, pkt);
    if (ProcessPacket(ist, istIndex, pkt) < 0) {
      const std::string text = media::FormatText(
          "Error while decoding stream #%d:%d (%s)", ist.file_index, pkt->stream_index,
          ist.dec ? ist.dec->name : ff::avcodec_get_name(ist.st->codecpar->codec_id));
      if (Settings().exit_on_error) {
        ff::av_packet_unref(pkt);
        RaiseError(text);
      }
      Log(media::llError, text);
    }
    ff::av_packet_unref(pkt);
    const int64_t now = ff::av_gettime();
    if (now - lastReport_ > ProgressInterval()) {
      ReportProgress(fileIndex, false);
      lastReport_ = now;
    }
  }

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
    double opts;
    if (ost.encoding_needed && ost.enc_ctx->codec_type == AVMEDIA_TYPE_AUDIO)
      opts = double(ost.audio->SamplesQueued()) / ost.enc_ctx->sample_rate;
    else if (ost.encoding_needed)
      opts = double(ost.sync_opts) * av_q2d(ost.enc_ctx->time_base);
    else
      opts = double(ost.sync_opts) / AV_TIME_BASE;
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

void TTranscoder::HandleAudioFrame(InputStream& ist, int istIndex) {
  AVFrame* frame = ist.frame.get();
  if (frame->best_effort_timestamp != AV_NOPTS_VALUE)
    ist.pts = ff::av_rescale_q(frame->best_effort_timestamp, ist.st->time_base, AV_TIME_BASE_Q);
  audioHook_.Run(OnAudioHook, *this, ist.pts, *frame);
  RateEmulate(ist);
  for (auto& ost : outputStreams_)
    if (ost->source_index == istIndex && ost->encoding_needed)
      DoAudioOut(*ost, ist, istIndex, frame);
  if (frame->sample_rate > 0)
    ist.next_dts = ist.pts + int64_t(frame->nb_samples) * AV_TIME_BASE / frame->sample_rate;
  ist.pts = ist.next_dts;
  ist.is_start = false;
}

void TTranscoder::RateEmulate(InputStream& ist) {
  if (!inputFiles_[ist.file_index]->rate_emu) return;
  const int64_t target = ist.next_dts == AV_NOPTS_VALUE ? ist.pts : ist.next_dts;
  const int64_t now = ff::av_gettime() - ist.start;
  if (now + 1000 >= target) return;
  ff::av_usleep(unsigned((target - now) / 1000) * 1000);
  PauseGate();
}

void TTranscoder::FlushEncoders() {
  for (auto& ost : outputStreams_) FlushEncoder(*ost);
}

void TTranscoder::FlushEncoder(OutputStream& ost) {
  if (!ost.encoding_needed || ost.flushed || !ost.enc_ctx) return;
  ost.flushed = true;
  if (ost.enc_ctx->codec_type == AVMEDIA_TYPE_AUDIO) {
    FlushAudio(ost);
  } else if (ost.enc_ctx->codec_type == AVMEDIA_TYPE_VIDEO) {
    if (AVFrame* last = ost.held ? ost.held->ClosingPicture() : nullptr) EncodeVideo(ost, last);
    DrainEncoder(ost, nullptr, &totals_.videoBytes, "Video encoding failed");
  }
}

void TTranscoder::ReportProgress(int inputIndex, bool final) {
  if (!Settings().print_stats && !final && !OnProgress) return;
  ProgressValues v;
  v.InputIndex = inputIndex;
  v.TotalDuration = totalDuration_;
  const OutputFile* first = outputFiles_.empty() ? nullptr : outputFiles_[0].get();
  if (first && first->ctx && first->ctx->pb) {
    int64_t size = ff::avio_size(first->ctx->pb);
    if (size < 0) size = ff::avio_seek(first->ctx->pb, 0, SEEK_CUR);
    v.CurrentSize = size < 0 ? 0 : size;
  }
  double minTime = 1e100;
  // Quantizer of the last coded frame of the last output stream.
  const auto streams = ReportedStreams();
  if (!streams.empty()) {
    const OutputStream& last = *streams.back();
    if (!last.stream_copy && last.last_quality >= 0)
      v.Quality = float(double(last.last_quality) / FF_QP2LAMBDA);
  }
  // Frame count and rate come from the first video output that has written
  // a frame; before any has, from the first video output.
  const OutputStream* counted = nullptr;
  for (auto& owned : streams) {
    const OutputStream& ost = *owned;
    if (!ost.enc_ctx || ost.enc_ctx->codec_type != AVMEDIA_TYPE_VIDEO) continue;
    if (!counted || (counted->frame_number == 0 && ost.frame_number > 0)) counted = &ost;
  }
  std::string line;
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
