// Opening input files: demuxer, per-stream decoder options and the records
// the loop reads from; also the interrupt checks for blocking I/O.
#include <cstring>
#include <stdexcept>

#include "engine/transcoder.h"
#include "media/binding/ff_utils.h"
#include "media/frame_source/input_format_registry.h"
#include "media/frame_source/own_input.h"

namespace engine {
namespace {

// Codec options meant for this stream and codec kind; a specifier after the
// key's ":" limits the entry to matching streams.
AVDictionary* FilterCodecOptions(TCustomFFmpeg& e, const AVDictionary* opts, const AVCodec* codec,
                                 AVFormatContext* s, AVStream* st, bool encoder) {
  AVDictionary* out = nullptr;
  const int flags = encoder ? AV_OPT_FLAG_ENCODING_PARAM : AV_OPT_FLAG_DECODING_PARAM;
  int kind = 0;
  switch (st->codecpar->codec_type) {
    case AVMEDIA_TYPE_VIDEO: kind = AV_OPT_FLAG_VIDEO_PARAM; break;
    case AVMEDIA_TYPE_AUDIO: kind = AV_OPT_FLAG_AUDIO_PARAM; break;
    case AVMEDIA_TYPE_SUBTITLE: kind = AV_OPT_FLAG_SUBTITLE_PARAM; break;
    default: break;
  }
  const AVClass* cc = ff::avcodec_get_class();
  const AVDictionaryEntry* t = nullptr;
  while ((t = ff::av_dict_get(opts, "", t, AV_DICT_IGNORE_SUFFIX))) {
    std::string key = t->key;
    const auto colon = key.find(':');
    if (colon != std::string::npos) {
      if (!e.MatchStreamSpecifier(s, st, key.substr(colon + 1))) continue;
      key.resize(colon);
    }
    const bool generic = ff::av_opt_find(const_cast<const AVClass**>(&cc), key.c_str(), nullptr,
                                         flags | kind, AV_OPT_SEARCH_FAKE_OBJ);
    const bool priv = codec && codec->priv_class &&
                      ff::av_opt_find(const_cast<const AVClass**>(&codec->priv_class), key.c_str(),
                                      nullptr, flags, AV_OPT_SEARCH_FAKE_OBJ);
    if (generic || priv) ff::av_dict_set(&out, key.c_str(), t->value, 0);
  }
  return out;
}

}  // namespace

AVDictionary* FilterCodecOptionsFor(TCustomFFmpeg& e, const AVDictionary* opts,
                                    const AVCodec* codec, AVFormatContext* s, AVStream* st,
                                    bool encoder) {
  return FilterCodecOptions(e, opts, codec, s, st, encoder);
}

TTranscoder::~TTranscoder() {
  try {
    JoinThreads();
    CleanUp();
  } catch (...) {
  }
}

int TTranscoder::OpenInput(const std::string& fileName) {
  int result;
  try {
    result = DoOpenInput(fileName);
  } catch (const std::exception& e) {
    SetLastErrorText(e.what());
    result = AVERROR(EINVAL);
  }
  // The options were meant for this file only, also when it failed.
  if (result < 0) ResetFileOptions(true);
  return result;
}

const AVCodec* TTranscoder::FindCodecOrDie(const std::string& name, AVMediaType type,
                                           bool encoder) {
  const char* kind = encoder ? "encoder" : "decoder";
  const AVCodec* codec = encoder ? ff::avcodec_find_encoder_by_name(name.c_str())
                                 : ff::avcodec_find_decoder_by_name(name.c_str());
  if (!codec) RaiseError(media::FormatText("Unknown %s '%s'", kind, name.c_str()));
  if (codec->type != type) RaiseError(media::FormatText("Invalid %s type '%s'", kind, name.c_str()));
  return codec;
}

// Opening an input, stage by stage: the format, the forced decoders, the
// demuxer options, the context, the stream information, the start position
// and the records.
int TTranscoder::DoOpenInput(const std::string& fileName) {
  InputOpening in;
  int ret = FindInputFormat(in);
  if (ret < 0) return ret;
  FindForcedDecoders(in);
  SetDemuxerOptions();
  media::InputContextPtr input;
  ret = OpenInputContext(fileName, in, input);
  if (ret < 0) return ret;
  CheckDemuxerLeftovers();
  ret = FindStreamInfo(fileName, in, input.get());
  if (ret < 0) return ret;
  const int64_t timestamp = SeekToStart(fileName, in, input.get());
  return RecordInput(fileName, in, std::move(input), timestamp);
}

int TTranscoder::FindInputFormat(InputOpening& in) {
  const FileOptions& o = FileOpts();
  if (o.format.empty()) return 0;
  in.own = media::FindInputFormat(o.format);
  if (!in.own) in.fmt = ff::av_find_input_format(o.format.c_str());
  if (in.own || in.fmt) return 0;
  const std::string text = media::FormatText("Unknown input format: \"%s\"", o.format.c_str());
  SetLastErrorText(text);
  Log(media::llFatal, text);
  return AVERROR(EINVAL);
}

void TTranscoder::SetDemuxerOptions() {
  const FileOptions& o = FileOpts();
  // Only the last value of each list counts here, whatever its specifier.
  AVDictionary** formatOpts = FormatOptionsRef();
  if (!o.audio_sample_rate.empty())
    ff::av_dict_set(formatOpts, "sample_rate",
                    std::to_string(o.audio_sample_rate.back().value).c_str(), 0);
  if (!o.audio_channels.empty())
    ff::av_dict_set(formatOpts, "channels", std::to_string(o.audio_channels.back().value).c_str(),
                    0);
  if (!o.frame_rates.empty())
    ff::av_dict_set(formatOpts, "framerate", o.frame_rates.back().value.c_str(), 0);
  if (!o.frame_sizes.empty())
    ff::av_dict_set(formatOpts, "video_size", o.frame_sizes.back().value.c_str(), 0);
  if (!o.frame_pix_fmts.empty())
    ff::av_dict_set(formatOpts, "pixel_format", o.frame_pix_fmts.back().value.c_str(), 0);
  if (const int loop = Settings().loop_input) {
    Log(media::llWarning, "-loop_input is deprecated, use -loop 1");
    Log(media::llWarning, "Note, both loop options only work with -f image2");
    ff::av_dict_set(formatOpts, "loop", std::to_string(loop).c_str(), 0);
  }
}

void TTranscoder::FindForcedDecoders(InputOpening& in) {
  const EngineSettings& cfg = Settings();
  if (!cfg.video_codec_name.empty())
    in.forced[0] = FindCodecOrDie(cfg.video_codec_name, AVMEDIA_TYPE_VIDEO, false);
  if (!cfg.audio_codec_name.empty())
    in.forced[1] = FindCodecOrDie(cfg.audio_codec_name, AVMEDIA_TYPE_AUDIO, false);
  if (!cfg.subtitle_codec_name.empty())
    in.forced[2] = FindCodecOrDie(cfg.subtitle_codec_name, AVMEDIA_TYPE_SUBTITLE, false);
}

int TTranscoder::OpenInputContext(const std::string& fileName, const InputOpening& in,
                                  media::InputContextPtr& input) {
  AVFormatContext* ic = nullptr;
  int ret;
  readStart_ = ff::av_gettime();
  if (in.own) {
    try {
      ret = media::OpenOwnInput(in.own, fileName.c_str(), FormatOptionsRef(), &ic);
    } catch (const std::runtime_error& e) {
      RaiseError(e.what());
    }
  } else {
    ic = ff::avformat_alloc_context();
    if (!ic) {
      SetLastErrorText("avformat_alloc_context() failed");
      Log(media::llFatal, LastErrorText());
      return AVERROR(ENOMEM);
    }
    ic->video_codec_id = in.forced[0] ? in.forced[0]->id : AV_CODEC_ID_NONE;
    ic->audio_codec_id = in.forced[1] ? in.forced[1]->id : AV_CODEC_ID_NONE;
    ic->subtitle_codec_id = in.forced[2] ? in.forced[2]->id : AV_CODEC_ID_NONE;
    ic->flags |= AVFMT_FLAG_NONBLOCK;
    ic->interrupt_callback = {&TTranscoder::ReadInterrupt, this};
    // avformat_open_input frees the context when it fails.
    ret = ff::avformat_open_input(&ic, fileName.c_str(), in.fmt, FormatOptionsRef());
  }
  if (ret < 0) {
    const std::string text = media::FormatMediaError(fileName, ret);
    SetLastErrorText(text);
    Log(media::llFatal, text);
    return ret;
  }
  input = media::InputContextPtr(ic, {in.own != nullptr});
  return 0;
}

void TTranscoder::CheckDemuxerLeftovers() {
  const AVDictionaryEntry* left =
      ff::av_dict_get(FormatOptions(), "", nullptr, AV_DICT_IGNORE_SUFFIX);
  if (!left) return;
  const std::string text = media::FormatText("Option %s not found.", left->key);
  if (OptionErrorsFatal()) RaiseError(text);
  SetLastErrorText(text);
  Log(media::llError, text);
}

int TTranscoder::FindStreamInfo(const std::string& fileName, const InputOpening& in,
                                AVFormatContext* ic) {
  // Decoder options per stream for reading the stream information.
  media::StreamDictList streamOpts(ic->nb_streams);
  for (unsigned i = 0; i < ic->nb_streams; ++i) {
    AVStream* st = ic->streams[i];
    const AVCodec* dec = nullptr;
    if (st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) dec = in.forced[0];
    if (st->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) dec = in.forced[1];
    if (st->codecpar->codec_type == AVMEDIA_TYPE_SUBTITLE) dec = in.forced[2];
    if (dec) st->codecpar->codec_id = dec->id;
    else dec = ff::avcodec_find_decoder(st->codecpar->codec_id);
    streamOpts[i] = FilterCodecOptions(*this, CodecOptions(), dec, ic, st, false);
  }

  if (OnBeforeFindStreamInfo) OnBeforeFindStreamInfo(ic);

  readStart_ = ff::av_gettime();
  const int ret = ff::avformat_find_stream_info(ic, streamOpts.data());
  if (ret < 0) {
    const std::string text = media::FormatText("%s: could not find codec parameters",
                                               fileName.c_str());
    SetLastErrorText(text);
    Log(media::llFatal, text);
  }
  return ret;
}

int64_t TTranscoder::SeekToStart(const std::string& fileName, const InputOpening& in,
                                 AVFormatContext* ic) {
  const FileOptions& o = FileOpts();
  int64_t timestamp = o.start_time;
  if (ic->start_time != AV_NOPTS_VALUE) timestamp += ic->start_time;
  if (o.start_time != 0) {
    readStart_ = ff::av_gettime();
    int r = -1;
    if (!in.own) r = ff::avformat_seek_file(ic, -1, INT64_MIN, timestamp, timestamp, 0);
    if (r < 0)
      Log(media::llWarning, media::FormatText("%s: could not seek to position %0.3f",
                                              fileName.c_str(), double(timestamp) / AV_TIME_BASE));
  }
  return timestamp;
}

int TTranscoder::RecordInput(const std::string& fileName, const InputOpening& in,
                             media::InputContextPtr input, int64_t timestamp) {
  const FileOptions& o = FileOpts();
  AVFormatContext* ic = input.get();
  const int fileIndex = int(inputFiles_.size());
  auto file = std::make_unique<InputFile>();
  file->ctx = std::move(input);
  file->own = in.own != nullptr;
  file->ist_index = int(inputStreams_.size());
  file->nb_streams = int(ic->nb_streams);
  file->rate_emu = o.rate_emu != 0;
  file->ts_offset = o.input_ts_offset - (Settings().copy_ts ? 0 : timestamp);
  inputFiles_.push_back(std::move(file));
  inputContexts_.push_back(ic);
  AddInputStreams(fileIndex, ic);
  ff::av_dump_format(ic, fileIndex, fileName.c_str(), 0);

  if (ic->duration > 0) {
    const int64_t length = ic->duration - o.start_time;
    if (length > inputLength_) inputLength_ = length;
  }
  ResetFileOptions(true);
  return fileIndex;
}

void TTranscoder::AddInputStreams(int fileIndex, AVFormatContext* ic) {
  FileOptions& o = FileOpts();
  const EngineSettings& cfg = Settings();
  for (unsigned i = 0; i < ic->nb_streams; ++i) {
    AVStream* st = ic->streams[i];
    auto ist = std::make_unique<InputStream>();
    ist->file_index = fileIndex;
    ist->st = st;
    ist->discard = true;
    st->discard = AVDISCARD_ALL;  // until an output stream takes it
    if (const double* scale = PerStreamValue(o.ts_scale, ic, st)) ist->ts_scale = *scale;
    if (const std::string* tag = PerStreamValue(o.codec_tags, ic, st)) {
      char* end = nullptr;
      unsigned long v = std::strtoul(tag->c_str(), &end, 0);
      if (end == tag->c_str() || *end) {
        const char* t = tag->c_str();
        v = tag->size() >= 4 ? MKTAG(t[0], t[1], t[2], t[3]) : 0;
      }
      st->codecpar->codec_tag = uint32_t(v);
    }
    ist->dec = ff::avcodec_find_decoder(st->codecpar->codec_id);
    switch (st->codecpar->codec_type) {
      case AVMEDIA_TYPE_VIDEO:
        if (!cfg.video_codec_name.empty())
          ist->dec = FindCodecOrDie(cfg.video_codec_name, AVMEDIA_TYPE_VIDEO, false);
        if (o.video_disable) ist->st->discard = AVDISCARD_ALL;
        else if (cfg.video_discard) ist->st->discard = AVDiscard(cfg.video_discard);
        break;
      case AVMEDIA_TYPE_AUDIO:
        if (!cfg.audio_codec_name.empty())
          ist->dec = FindCodecOrDie(cfg.audio_codec_name, AVMEDIA_TYPE_AUDIO, false);
        break;
      case AVMEDIA_TYPE_SUBTITLE:
        if (!cfg.subtitle_codec_name.empty())
          ist->dec = FindCodecOrDie(cfg.subtitle_codec_name, AVMEDIA_TYPE_SUBTITLE, false);
        break;
      case AVMEDIA_TYPE_DATA:
      case AVMEDIA_TYPE_ATTACHMENT:
      case AVMEDIA_TYPE_UNKNOWN:
        break;
      default:
        RaiseError("Never occur");
    }
    ist->opts = media::DictOwner(FilterCodecOptions(*this, CodecOptions(), ist->dec, ic, st, false));
    inputStreams_.push_back(std::move(ist));
  }
}

int TTranscoder::ReadPacket(InputFile& file, AVPacket* pkt) {
  readStart_ = ff::av_gettime();
  if (!file.own) return ff::av_read_frame(file.ctx.get(), pkt);
  try {
    return media::ReadOwnPacket(file.ctx.get(), pkt);
  } catch (const std::runtime_error& e) {
    RaiseError(e.what());
  }
}

int TTranscoder::CheckInterrupt(int64_t lastStart, int timeoutMs, const char* what) {
  if (gate_.StopRequested() && StopAborts(lastStart, what)) {
    Log(media::llInfo, "reading/writing broken");
    return 1;
  }
  if (lastStart == kNoTime || timeoutMs <= 0) return 0;
  if (ff::av_gettime() - lastStart > int64_t(timeoutMs) * 1000) {
    Log(media::llInfo, media::FormatText(lastStart == 0 ? "connecting/%s canceled"
                                                        : "connecting/%s timeout",
                                         what));
    return 1;
  }
  return 0;
}

bool TTranscoder::StopAborts(int64_t lastStart, const char* what) const {
  if (what[0] == 'r') return true;
  // The file protocol asks on every write, so a stop would otherwise break
  // the packet being written and the trailer: only a write that has hung
  // for a while is aborted, and never while draining.
  return !draining_ && lastStart != kNoTime && ff::av_gettime() - lastStart > kStopWriteGrace;
}

int TTranscoder::ReadInterrupt(void* engine) {
  auto* self = static_cast<TTranscoder*>(engine);
  return self->CheckInterrupt(self->readStart_, self->InputTimeout(), "reading");
}

int TTranscoder::WriteInterrupt(void* engine) {
  auto* self = static_cast<TTranscoder*>(engine);
  return self->CheckInterrupt(self->writeStart_, self->OutputTimeout(), "writing");
}

}  // namespace engine
