// Join mode: several inputs played one after another into one output, as if
// they were one long input. The first input's streams make the output
// streams; every further input gets a group of output-stream records copied
// from the first group and mapped onto its own streams. The group being read
// owns the encoders and hands them on, with its counters, when its input ends.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <stdexcept>

#include "engine/transcoder.h"
#include "media/binding/ff_utils.h"

namespace engine {
namespace {

// The encoder side moves on with its counters, so timestamps run on.
void HandOver(OutputStream& from, OutputStream& to) {
  to.enc_ctx = std::move(from.enc_ctx);
  // The resampler is made anew for the next input's sound.
  if (from.audio) {
    to.audio = std::move(from.audio);
    to.audio->StartNewInput();
  }
  to.bsfs = std::move(from.bsfs);
  to.pass_log = std::move(from.pass_log);
  to.forced_kf_pts = std::move(from.forced_kf_pts);
  to.encoder_opened = from.encoder_opened;
  to.last_quality = from.last_quality;
  to.sync_opts = from.sync_opts;
  to.frame_number = from.frame_number;
}

}  // namespace

int TTranscoder::JoinPrepare() {
  if (!joining_) throw std::logic_error("Assertion failed: join mode is off");
  // Every further input has its output-file record once prepared.
  if (outputFiles_.size() > 1)
    throw std::logic_error("Assertion failed: the inputs are joined already");
  const OutputFile& first = *outputFiles_.front();
  groupSize_ = int(outputStreams_.size()) - first.ost_index;
  try {
    for (int k = 1; k < int(inputFiles_.size()); ++k) {
      const size_t groupStart = outputStreams_.size();
      CopyGroupForJoin();
      MapJoinedInput(k, groupStart, FileOpts());
      for (size_t i = groupStart; i < outputStreams_.size(); ++i)
        if (outputStreams_[i]->source_index < 0)
          RaiseError("Cannot join files with diffrent steams state");
      auto alias = std::make_unique<OutputFile>();
      alias->ctx = first.ctx;
      alias->name = first.name;
      alias->ost_index = int(groupStart);
      alias->recording_time = first.recording_time;
      alias->start_time = first.start_time;
      alias->limit_filesize = first.limit_filesize;
      outputFiles_.push_back(std::move(alias));
    }
  } catch (const std::exception& e) {
    SetLastErrorText(e.what());
    AbandonJoin();
    return -1;
  }
  int64_t total = 0;
  for (const auto& file : inputFiles_)
    if (file->ctx->duration != AV_NOPTS_VALUE && file->ctx->duration > 0)
      total += file->ctx->duration;
  totalDuration_ = total > 0 ? total : -1;
  ResetFileOptions(false);
  return 0;
}

// Appends a copy of every record of the first group, without a source yet.
void TTranscoder::CopyGroupForJoin() {
  const int fileIndex = int(outputFiles_.size());
  for (int j = 0; j < groupSize_; ++j) {
    const OutputStream& head = GroupRecord(0, j);
    auto copy = std::make_unique<OutputStream>();
    copy->file_index = fileIndex;
    copy->index = head.index;
    copy->st = head.st;
    copy->enc = head.enc;
    copy->stream_copy = head.stream_copy;
    copy->frame_rate = head.frame_rate;
    copy->frame_aspect_ratio = head.frame_aspect_ratio;
    copy->max_frames = head.max_frames;
    if (head.opts.get() && ff::av_dict_copy(copy->opts.Ref(), head.opts.get(), 0) < 0)
      RaiseError("Could not alloc stream.");
    copy->sws_flags = head.sws_flags;
    copy->force_fps = head.force_fps;
    copy->top_field_first = head.top_field_first;
    copy->filter_text = head.filter_text;
    if (head.audio)
      copy->audio =
          std::make_unique<AudioPath>(head.audio->ChannelMap(), head.audio->RematrixVolume());
    outputStreams_.push_back(std::move(copy));
  }
}

// Gives the new group's records the streams of `input` that the output's
// rules pick: the maps naming that input, or the best stream of each kind.
void TTranscoder::MapJoinedInput(int input, size_t groupStart, const FileOptions& o) {
  const InputFile& file = *inputFiles_[input];
  const size_t first = size_t(file.ist_index);
  const size_t end = first + size_t(file.nb_streams);
  auto kindOf = [](const OutputStream& ost) { return ost.st->codecpar->codec_type; };
  if (o.stream_maps.empty()) {
    for (size_t i = groupStart; i < outputStreams_.size(); ++i) {
      OutputStream& ost = *outputStreams_[i];
      ost.source_index = BestInputStream(kindOf(ost), first, end);
    }
    return;
  }
  for (const StreamMap& map : o.stream_maps) {
    if (map.disabled || map.file_index != input) continue;
    const int source = int(first) + map.stream_index;
    const AVMediaType type = MappedType(map, source);
    if (o.Disabled(type)) continue;
    // The first record of that kind still free.
    for (size_t i = groupStart; i < outputStreams_.size(); ++i) {
      OutputStream& ost = *outputStreams_[i];
      if (ost.source_index < 0 && kindOf(ost) == type) {
        ost.source_index = source;
        break;
      }
    }
  }
}

// The output is given up: closed, removed while still empty, and every
// record of it freed; the inputs stay.
void TTranscoder::AbandonJoin() {
  outputStreams_.clear();
  const OutputFile& first = *outputFiles_.front();
  const std::string name = first.name;
  const bool wroteFile = first.ctx && !(first.ctx->oformat->flags & AVFMT_NOFILE) && first.ctx->pb;
  outputFiles_.clear();  // the last owner closes the file
  std::error_code ec;
  if (wroteFile && std::filesystem::exists(name, ec) && std::filesystem::file_size(name, ec) == 0 &&
      !ec)
    std::filesystem::remove(name, ec);
  ResetFileOptions(false);
  joining_ = false;
  groupSize_ = 0;
}

OutputStream& TTranscoder::GroupRecord(int group, int position) const {
  const size_t first = size_t(outputFiles_.front()->ost_index);
  return *outputStreams_.at(first + size_t(group) * size_t(groupSize_) + size_t(position));
}

// A later group's record at start: it decodes and filters like the first
// group's but leaves the encoder to it. Pictures of another size or format
// are scaled to what the first input's were before the filters, so the
// filters give the encoder's size.
void TTranscoder::SetUpJoinedStream(OutputStream& ost, InputStream& ist) {
  const OutputStream& head = GroupRecord(0, ost.index);
  ost.frame_rate = head.frame_rate;
  if (ost.stream_copy || !head.encoding_needed) return;
  ost.encoding_needed = true;
  ist.decoding_needed = true;
  const AVCodecContext* c = head.enc_ctx.get();
  if (c->codec_type != AVMEDIA_TYPE_VIDEO) return;
  AVFilterContext* end =
      ost.filters.Build(*this, *ist.st, c->pix_fmt,
                        FilterSetup(ost, head.filters.ScaledWidth(), head.filters.ScaledHeight()));
  const int width = ff::av_buffersink_get_w(end);
  const int height = ff::av_buffersink_get_h(end);
  if (width != c->width || height != c->height)
    RaiseError(media::FormatText("Cannot join input #%d: its filtered pictures are %dx%d, the "
                                 "output's are %dx%d",
                                 ist.file_index, width, height, c->width, c->height));
}

// Only the current input is read, until a stream of its group has all its
// frames or the output its length.
int TTranscoder::ChooseJoinInput() {
  const OutputFile& of = *outputFiles_.front();
  for (const auto& ost : ReportedStreams()) {
    if (ost->frame_number >= ost->max_frames) return -1;
    if (of.recording_time != INT64_MAX && ost->QueuedSeconds() * AV_TIME_BASE >= double(of.recording_time))
      return -1;
  }
  const InputFile& file = *inputFiles_[currentInput_];
  return file.eof_reached || file.no_packet ? -1 : currentInput_;
}

// The encoders are not drained at the seam: none of the installed ones can
// start again after the end of their stream, and a drained audio FIFO would
// put silence between the inputs. They take the next input's pictures and
// samples as if the input went on.
bool TTranscoder::SwitchToNextInput() {
  const int k = currentInput_;
  if (k + 1 >= int(inputFiles_.size())) return false;
  const InputFile& file = *inputFiles_[k];
  for (int i = file.ist_index; i < file.ist_index + file.nb_streams; ++i) {
    InputStream& ist = *inputStreams_[i];
    if (!ist.decoding_needed || ist.flushed) continue;
    ProcessPacket(ist, i, nullptr);
    ff::avcodec_flush_buffers(ist.dec_ctx.get());
    ist.flushed = true;
  }
  double end = 0;
  for (int j = 0; j < groupSize_; ++j) {
    OutputStream& done = GroupRecord(k, j);
    OutputStream& next = GroupRecord(k + 1, j);
    if (done.encoding_needed && done.enc_ctx && done.enc_ctx->codec_type == AVMEDIA_TYPE_AUDIO) {
      done.audio->DrainResampler(*done.enc_ctx);
      EncodeAudioFrames(done, false);
    }
    end = std::max(end, done.QueuedSeconds());
    HandOver(done, next);
    inputStreams_[next.source_index]->pts = inputStreams_[done.source_index]->pts;
    done.flushed = true;
  }
  inputFiles_[k + 1]->ts_offset += std::llround(end * AV_TIME_BASE);
  currentInput_ = k + 1;
  Log(media::llVerbose, media::FormatText("Input #%d follows at %.3f s", k + 1, end));
  return true;
}

std::span<const std::unique_ptr<OutputFile>> TTranscoder::WrittenOutputFiles() const {
  const std::span<const std::unique_ptr<OutputFile>> all(outputFiles_);
  return joining_ ? all.first(std::min<size_t>(all.size(), 1)) : all;
}

std::span<const std::unique_ptr<OutputStream>> TTranscoder::ReportedStreams() const {
  const std::span<const std::unique_ptr<OutputStream>> all(outputStreams_);
  if (!joining_ || groupSize_ == 0) return all;
  const size_t first =
      size_t(outputFiles_.front()->ost_index) + size_t(currentInput_) * size_t(groupSize_);
  return all.subspan(first, size_t(groupSize_));
}

}  // namespace engine
