// Opening the output: container, which input streams feed it, attachments,
// metadata and the file itself.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "engine/transcoder.h"
#include "media/binding/ff_utils.h"

namespace engine {

int TTranscoder::OpenOutput(const std::string& fileName, bool join) {
  int result;
  try {
    result = DoOpenOutput(fileName, join);
  } catch (const std::exception& e) {
    SetLastErrorText(e.what());
    result = AVERROR(EINVAL);
  }
  if (result < 0) ResetFileOptions(false);
  return result;
}

int TTranscoder::DoOpenOutput(const std::string& fileName, bool join) {
  if (joining_ || (join && inputFiles_.size() > 1 && !outputFiles_.empty())) {
    SetLastErrorText("Cannot join more than one output file.");
    Log(media::llError, LastErrorText());
    return -1;
  }
  // With one input there is nothing to join: a normal output.
  const bool joinInputs = join && inputFiles_.size() > 1;
  FileOptions& o = FileOpts();
  media::OutputContextPtr owner;
  if (const int ret = CreateOutputContext(fileName, o, owner); ret < 0) return ret;
  AVFormatContext* oc = owner.get();

  if (o.recording_time != std::numeric_limits<int64_t>::max() && o.recording_time > totalDuration_)
    totalDuration_ = o.recording_time;

  auto of = std::make_unique<OutputFile>();
  of->name = fileName;
  of->ost_index = int(outputStreams_.size());
  of->recording_time = o.recording_time;
  of->start_time = o.start_time;
  of->limit_filesize = o.limit_filesize;
  of->ctx = std::move(owner);
  const int fileIndex = int(outputFiles_.size());
  // A failure below takes the streams made for this file away again.
  struct StreamRollback {
    std::vector<std::unique_ptr<OutputStream>>& v;
    size_t keep;
    bool done = false;
    ~StreamRollback() {
      if (!done) v.resize(keep);
    }
  } rollback{outputStreams_, outputStreams_.size()};

  // Joined inputs take their streams from the first input's choice; the
  // preparation maps the others onto copies of them.
  if (!o.stream_maps.empty())
    AddMappedStreams(*of, o, joinInputs);
  else
    AddChosenStreams(*of, o, joinInputs);
  for (const std::string& path : o.attachments) AddAttachment(oc, path);

  ff::av_dict_copy(of->opts.Ref(), FormatOptions(), 0);
  if (const int ret = OpenOutputFile(*of); ret < 0) return ret;
  ApplyMuxerOptions(*of, o);
  CopyMetadata(*of, oc);

  rollback.done = true;
  outputFiles_.push_back(std::move(of));
  // The preparation still needs the options (maps, disabled kinds).
  if (joinInputs) joining_ = true;
  else ResetFileOptions(false);
  return fileIndex;
}

// The muxer the name or "-f" asks for, with the stop check on every write.
int TTranscoder::CreateOutputContext(const std::string& fileName, const FileOptions& o,
                                     media::OutputContextPtr& owner) {
  AVFormatContext* oc = nullptr;
  const int ret = ff::avformat_alloc_output_context2(
      &oc, nullptr, o.format.empty() ? nullptr : o.format.c_str(), fileName.c_str());
  if (ret < 0 || !oc) {
    const int code = ret < 0 ? ret : AVERROR(EINVAL);
    const std::string text = media::FormatMediaError(fileName, code);
    SetLastErrorText(text);
    Log(media::llFatal, text);
    return code;
  }
  owner.reset(oc);
  oc->interrupt_callback = {&TTranscoder::WriteInterrupt, this};
  return 0;
}

// "-map": exactly the streams named, in their order.
AVMediaType TTranscoder::MappedType(const StreamMap& map, int source) {
  const AVMediaType type = inputStreams_[source]->st->codecpar->codec_type;
  switch (type) {
    case AVMEDIA_TYPE_VIDEO:
    case AVMEDIA_TYPE_AUDIO:
    case AVMEDIA_TYPE_DATA:
    case AVMEDIA_TYPE_SUBTITLE:
    case AVMEDIA_TYPE_ATTACHMENT:
      return type;
    default:
      RaiseError(media::FormatText("Cannot map stream #%d:%d - unsupported type.",
                                   map.file_index, map.stream_index));
  }
}

void TTranscoder::AddMappedStreams(OutputFile& of, const FileOptions& o, bool firstInputOnly) {
  for (const StreamMap& map : o.stream_maps) {
    if (map.disabled || (firstInputOnly && map.file_index != 0)) continue;
    const int src = inputFiles_[map.file_index]->ist_index + map.stream_index;
    const AVMediaType type = MappedType(map, src);
    if (!o.Disabled(type)) NewOutputStream(of, of.ctx.get(), src, type);
  }
}

// The picked stream of a kind: the largest picture (cover art only when
// nothing else), the most channels, or the first; ties go to the first.
int TTranscoder::BestInputStream(AVMediaType type, size_t first, size_t end) const {
  auto better = [type](const AVStream* a, const AVStream* b) {
    if (type == AVMEDIA_TYPE_VIDEO) {
      const bool coverA = a->disposition & AV_DISPOSITION_ATTACHED_PIC;
      const bool coverB = b->disposition & AV_DISPOSITION_ATTACHED_PIC;
      if (coverA != coverB) return coverB;
      return int64_t(a->codecpar->width) * a->codecpar->height >
             int64_t(b->codecpar->width) * b->codecpar->height;
    }
    if (type == AVMEDIA_TYPE_AUDIO)
      return a->codecpar->ch_layout.nb_channels > b->codecpar->ch_layout.nb_channels;
    return false;
  };
  int best = -1;
  for (size_t i = first; i < end; ++i) {
    const AVStream* st = inputStreams_[i]->st;
    if (st->codecpar->codec_type != type) continue;
    if (best < 0 || better(st, inputStreams_[best]->st)) best = int(i);
  }
  return best;
}

// Without "-map": the best video, audio and subtitle stream the muxer takes
// (of the first input only when joining).
void TTranscoder::AddChosenStreams(OutputFile& of, const FileOptions& o, bool firstInputOnly) {
  AVFormatContext* oc = of.ctx.get();
  const AVOutputFormat* ofmt = oc->oformat;
  const size_t end = firstInputOnly ? size_t(inputFiles_[0]->nb_streams) : inputStreams_.size();
  if (!o.video_disable && ofmt->video_codec != AV_CODEC_ID_NONE)
    if (const int i = BestInputStream(AVMEDIA_TYPE_VIDEO, 0, end); i >= 0)
      NewOutputStream(of, oc, i, AVMEDIA_TYPE_VIDEO);
  if (!o.audio_disable && ofmt->audio_codec != AV_CODEC_ID_NONE)
    if (const int i = BestInputStream(AVMEDIA_TYPE_AUDIO, 0, end); i >= 0)
      NewOutputStream(of, oc, i, AVMEDIA_TYPE_AUDIO);
  if (!o.subtitle_disable && ofmt->subtitle_codec != AV_CODEC_ID_NONE)
    if (const int i = BestInputStream(AVMEDIA_TYPE_SUBTITLE, 0, end); i >= 0)
      NewOutputStream(of, oc, i, AVMEDIA_TYPE_SUBTITLE);
}

// Checks a numbered name and opens the file, unless the muxer writes none.
int TTranscoder::OpenOutputFile(OutputFile& of) {
  AVFormatContext* oc = of.ctx.get();
  const AVOutputFormat* ofmt = oc->oformat;
  if ((ofmt->flags & AVFMT_NEEDNUMBER) && !ff::av_filename_number_test(of.name.c_str())) {
    const std::string text = media::FormatMediaError(of.name, AVERROR(EINVAL));
    SetLastErrorText(text);
    Log(media::llFatal, text);
    return AVERROR(EINVAL);
  }
  if (ofmt->flags & AVFMT_NOFILE) return 0;
  writeStart_ = ff::av_gettime();
  const int ret = ff::avio_open2(&oc->pb, of.name.c_str(), AVIO_FLAG_WRITE,
                                 &oc->interrupt_callback, of.opts.Ref());
  if (ret < 0) {
    const std::string text = media::FormatMediaError(of.name, ret);
    SetLastErrorText(text);
    Log(media::llFatal, text);
  }
  return ret;
}

// Preload, maximum delay and the deprecated output loop.
void TTranscoder::ApplyMuxerOptions(OutputFile& of, const FileOptions& o) {
  if (o.mux_preload != 0.0f)
    ff::av_dict_set(of.opts.Ref(), "preload",
                    std::to_string(int64_t(o.mux_preload * AV_TIME_BASE)).c_str(), 0);
  of.ctx->max_delay = int(o.mux_max_delay * AV_TIME_BASE);
  if (Settings().loop_output >= 0) {
    Log(media::llWarning, "-loop_output is deprecated, use -loop");
    ff::av_dict_set(of.opts.Ref(), "loop", std::to_string(Settings().loop_output).c_str(), 0);
  }
}

void TTranscoder::AddAttachment(AVFormatContext* oc, const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) RaiseError(media::FormatText("Could not open attachment file %s.", path.c_str()));
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  if (ec) RaiseError(media::FormatText("Could not get size of the attachment %s.", path.c_str()));
  if (size > uint64_t(INT32_MAX - AV_INPUT_BUFFER_PADDING_SIZE))
    RaiseError(media::FormatText("Attachment %s too large to fit into memory.", path.c_str()));
  AVStream* st = ff::avformat_new_stream(oc, nullptr);
  if (!st) RaiseError("Could not alloc stream.");
  auto* data = static_cast<uint8_t*>(ff::av_mallocz(size + AV_INPUT_BUFFER_PADDING_SIZE));
  if (!data) RaiseError(media::FormatText("Attachment %s too large to fit into memory.",
                                          path.c_str()));
  in.read(reinterpret_cast<char*>(data), std::streamsize(size));
  st->codecpar->codec_type = AVMEDIA_TYPE_ATTACHMENT;
  st->codecpar->extradata = data;
  st->codecpar->extradata_size = int(size);
  const std::string name = std::filesystem::path(path).filename().string();
  ff::av_dict_set(&st->metadata, "filename", name.c_str(), 0);
}

void TTranscoder::CopyMetadata(OutputFile& of, AVFormatContext* oc) {
  FileOptions& o = FileOpts();
  // Chapters: from the first input that has any, unless chosen.
  int chapterInput = o.chapters_input_file;
  if (chapterInput == std::numeric_limits<int32_t>::max()) {
    chapterInput = -1;
    for (size_t i = 0; i < inputFiles_.size(); ++i)
      if (inputFiles_[i]->ctx->nb_chapters) {
        chapterInput = int(i);
        break;
      }
  } else if (chapterInput >= int(inputFiles_.size())) {
    RaiseError(media::FormatText("Invalid input file index %d in chapter mapping.", chapterInput));
  }
  if (chapterInput >= 0 && !o.metadata_chapters_manual) {
    const AVFormatContext* is = inputFiles_[chapterInput]->ctx.get();
    for (unsigned i = 0; i < is->nb_chapters; ++i) {
      const AVChapter* in = is->chapters[i];
      auto* out = static_cast<AVChapter*>(ff::av_mallocz(sizeof(AVChapter)));
      if (!out) RaiseError("Could not alloc chapter.");
      *out = AVChapter{in->id, in->time_base, in->start, in->end, nullptr};
      ff::av_dict_copy(&out->metadata, in->metadata, 0);
      auto** grown = static_cast<AVChapter**>(
          ff::av_mallocz(sizeof(AVChapter*) * (oc->nb_chapters + 1)));
      if (!grown) {
        ff::av_dict_free(&out->metadata);
        ff::av_free(out);
        RaiseError("Could not alloc chapter.");
      }
      for (unsigned k = 0; k < oc->nb_chapters; ++k) grown[k] = oc->chapters[k];
      grown[oc->nb_chapters] = out;
      ff::av_free(oc->chapters);
      oc->chapters = grown;
      ++oc->nb_chapters;
    }
  }
  // Global metadata from input 0, stream metadata from each source.
  if (!o.metadata_global_manual && !inputFiles_.empty()) {
    ff::av_dict_copy(&oc->metadata, inputFiles_[0]->ctx->metadata, AV_DICT_DONT_OVERWRITE);
    if (of.recording_time != std::numeric_limits<int64_t>::max())
      ff::av_dict_set(&oc->metadata, "duration", nullptr, 0);
  }
  if (!o.metadata_streams_manual)
    for (size_t i = of.ost_index; i < outputStreams_.size(); ++i) {
      const OutputStream& ost = *outputStreams_[i];
      if (ost.source_index >= 0)
        ff::av_dict_copy(&ost.st->metadata, inputStreams_[ost.source_index]->st->metadata,
                         AV_DICT_DONT_OVERWRITE);
    }
  // "-metadata key=value": the whole file (stream specifiers are not taken apart here).
  for (const auto& item : o.metadata) {
    const auto eq = item.value.find('=');
    if (eq == std::string::npos)
      RaiseError(media::FormatText("No \"=\" character in metadata string %s.",
                                   item.value.c_str()));
    const std::string key = item.value.substr(0, eq);
    const std::string value = item.value.substr(eq + 1);
    ff::av_dict_set(&oc->metadata, key.c_str(), value.empty() ? nullptr : value.c_str(), 0);
  }
}

}  // namespace engine
