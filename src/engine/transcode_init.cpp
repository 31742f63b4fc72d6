// Transcode initialisation: encoder parameters, filter graphs, opening the
// coders and writing the headers, once before the first packet.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "engine/transcoder.h"
#include "media/binding/ff_utils.h"

namespace engine {
namespace {

template <class T, class End>
bool InList(const T* list, T value, End end) {
  if (!list) return true;
  for (; *list != end; ++list)
    if (*list == value) return true;
  return false;
}

}  // namespace

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
    switch (c->codec_type) {
      case AVMEDIA_TYPE_VIDEO:
        if (!ost.enc)
          RaiseError(media::FormatText("Encoder (codec %s) not found for output stream #%d:%d (%s)",
                                       ff::avcodec_get_name(c->codec_id), ost.file_index,
                                       ost.index, "video"));
        SetUpVideoEncoder(ost, ist);
        break;
      case AVMEDIA_TYPE_AUDIO:
        if (!ost.enc)
          RaiseError(media::FormatText("Encoder (codec %s) not found for output stream #%d:%d (%s)",
                                       ff::avcodec_get_name(c->codec_id), ost.file_index,
                                       ost.index, "audio"));
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

void TTranscoder::SetUpVideoEncoder(OutputStream& ost, InputStream& ist) {
  AVCodecContext* c = ost.enc_ctx.get();
  const AVCodecParameters* dec = ist.st->codecpar;
  const AVCodec* enc = ost.enc;
  if (c->pix_fmt == AV_PIX_FMT_NONE) c->pix_fmt = AVPixelFormat(dec->format);
  if (enc->pix_fmts && !InList(enc->pix_fmts, c->pix_fmt, AV_PIX_FMT_NONE)) {
    // Candidates share the encoder's first (preferred) chroma layout, so a
    // picture source gets the widely playable 4:2:0 rather than 4:4:4.
    std::vector<AVPixelFormat> candidates;
    const AVPixFmtDescriptor* first = ff::av_pix_fmt_desc_get(enc->pix_fmts[0]);
    for (const AVPixelFormat* p = enc->pix_fmts; *p != AV_PIX_FMT_NONE; ++p) {
      const AVPixFmtDescriptor* d = ff::av_pix_fmt_desc_get(*p);
      if (d && first && d->log2_chroma_w == first->log2_chroma_w &&
          d->log2_chroma_h == first->log2_chroma_h && d->comp[0].depth == first->comp[0].depth)
        candidates.push_back(*p);
    }
    candidates.push_back(AV_PIX_FMT_NONE);
    const AVPixelFormat chosen =
        ff::avcodec_find_best_pix_fmt_of_list(candidates.data(), c->pix_fmt, 0, nullptr);
    if (c->pix_fmt != AV_PIX_FMT_NONE) {
      const char* from = ff::av_get_pix_fmt_name(c->pix_fmt);
      const char* to = ff::av_get_pix_fmt_name(chosen);
      Log(media::llWarning,
          media::FormatText("Incompatible pixel format \"%s\" for codec \"%s\", auto-selecting "
                            "format \"%s\"",
                            from ? from : "?", enc->name, to ? to : "?"));
    }
    c->pix_fmt = chosen;
  }
  if (c->pix_fmt == AV_PIX_FMT_NONE)
    RaiseError("Video pixel format is unknown, stream cannot be encoded");
  if (c->width == 0 || c->height == 0) {
    c->width = dec->width;
    c->height = dec->height;
  }

  if (!ost.frame_rate.num) ost.frame_rate = ist.st->r_frame_rate;
  if (!ost.frame_rate.num || !ost.frame_rate.den) ost.frame_rate = AVRational{25, 1};
  if (enc->supported_framerates && !ost.force_fps) {
    // The nearest supported rate.
    const AVRational* best = nullptr;
    double bestDiff = 0;
    for (const AVRational* r = enc->supported_framerates; r->num; ++r) {
      const double diff = std::fabs(av_q2d(*r) - av_q2d(ost.frame_rate));
      if (!best || diff < bestDiff) best = r, bestDiff = diff;
    }
    if (best) ost.frame_rate = *best;
  }
  c->time_base = av_inv_q(ost.frame_rate);
  c->framerate = ost.frame_rate;
  const int vsync = Settings().video_sync_method;
  const AVFormatContext* oc = outputFiles_[ost.file_index]->ctx.get();
  if (av_q2d(c->time_base) < 0.001 &&
      (vsync == 1 || (vsync == -1 && !(oc->oformat->flags & AVFMT_VARIABLE_FPS))))
    Log(media::llWarning,
        "Frame rate very high for a muxer not effciciently supporting it.\n"
        "Please consider specifying a lower framerate, a different muxer or -vsync 2");
  for (int64_t& t : ost.forced_kf_pts) t = ff::av_rescale_q(t, AV_TIME_BASE_Q, c->time_base);
  if (ost.top_field_first >= 0) c->field_order = ost.top_field_first ? AV_FIELD_TT : AV_FIELD_BB;

  ConfigureVideoFilters(ost, ist);
  if (Settings().held_once && !joining_ && HeldFrames::ContainerAllows(oc->oformat))
    ost.held = std::make_unique<HeldFrames>(c->time_base);
}

void TTranscoder::ConfigureVideoFilters(OutputStream& ost, InputStream& ist) {
  AVCodecContext* c = ost.enc_ctx.get();
  AVFilterContext* end =
      ost.filters.Build(*this, *ist.st, c->pix_fmt, FilterSetup(ost, c->width, c->height));
  c->width = ff::av_buffersink_get_w(end);
  c->height = ff::av_buffersink_get_h(end);
  if (ost.frame_aspect_ratio > 0) {
    const double value = double(ost.frame_aspect_ratio) * c->height / c->width;
    int num = 0, den = 0;
    ff::av_reduce(&num, &den, std::llround(value * 1000000), 1000000, 255);
    c->sample_aspect_ratio = AVRational{num, den};
  } else {
    c->sample_aspect_ratio = ff::av_buffersink_get_sample_aspect_ratio(end);
  }
  ost.st->sample_aspect_ratio = c->sample_aspect_ratio;
}

VideoFilterSetup TTranscoder::FilterSetup(const OutputStream& ost, int width, int height) const {
  return VideoFilterSetup{ost.filter_text,         width, height, unsigned(ost.sws_flags),
                          Settings().do_deinterlace != 0, Settings().plain_colour};
}

void TTranscoder::SetUpAudioEncoder(OutputStream& ost, InputStream& ist) {
  AVCodecContext* c = ost.enc_ctx.get();
  const AVCodecParameters* dec = ist.st->codecpar;
  const AVCodec* enc = ost.enc;
  if (!ost.audio->Reserve()) {
    SetLastErrorText("av_fifo_alloc failed");
    throw FFmpegException("av_fifo_alloc failed");
  }
  if (c->sample_fmt == AV_SAMPLE_FMT_NONE) c->sample_fmt = AVSampleFormat(dec->format);
  if (enc->sample_fmts && !InList(enc->sample_fmts, c->sample_fmt, AV_SAMPLE_FMT_NONE)) {
    const char* from = ff::av_get_sample_fmt_name(c->sample_fmt);
    if (c->sample_fmt != AV_SAMPLE_FMT_NONE)
      Log(media::llWarning,
          media::FormatText("Incompatible sample format \"%s\" for codec \"%s\", auto-selecting "
                            "format \"%s\"",
                            from ? from : "?", enc->name,
                            ff::av_get_sample_fmt_name(enc->sample_fmts[0])));
    c->sample_fmt = enc->sample_fmts[0];
  }
  if (c->sample_rate == 0) c->sample_rate = dec->sample_rate;
  if (enc->supported_samplerates && !InList(enc->supported_samplerates, c->sample_rate, 0)) {
    int best = 0;
    for (const int* r = enc->supported_samplerates; *r; ++r)
      if (!best || std::abs(*r - c->sample_rate) < std::abs(best - c->sample_rate)) best = *r;
    c->sample_rate = best;
    Log(media::llWarning, media::FormatText(
                              "Requested sampling rate unsupported using closest supported (%d)",
                              best));
  }
  if (c->sample_rate <= 0) RaiseError("Invalid audio sample rate");
  c->time_base = AVRational{1, c->sample_rate};
  if (c->ch_layout.nb_channels == 0) {
    if (dec->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || dec->ch_layout.order == AV_CHANNEL_ORDER_NATIVE)
      ff::av_channel_layout_default(&c->ch_layout, dec->ch_layout.nb_channels);
    else
      ff::av_channel_layout_copy(&c->ch_layout, &dec->ch_layout);
  }
  if (enc->ch_layouts) {
    const AVChannelLayout* match = nullptr;
    const AVChannelLayout* widest = nullptr;
    for (const AVChannelLayout* l = enc->ch_layouts; l->nb_channels; ++l) {
      if (!match && l->nb_channels == c->ch_layout.nb_channels) match = l;
      if (!widest || l->nb_channels > widest->nb_channels) widest = l;
    }
    if (!match && c->ch_layout.nb_channels > (widest ? widest->nb_channels : 0)) {
      // More channels than the encoder takes: mix down rather than refuse.
      match = widest;
      Log(media::llWarning, media::FormatText("Mixing %d channels down to %d for codec \"%s\"",
                                              c->ch_layout.nb_channels, widest->nb_channels,
                                              enc->name));
    }
    if (!match)
      RaiseError("Unable to find an appropriate channel layout for requested number of channel");
    ff::av_channel_layout_uninit(&c->ch_layout);
    ff::av_channel_layout_copy(&c->ch_layout, match);
  }
  if (c->ch_layout.nb_channels <= 0)
    RaiseError("Unable to find an appropriate channel layout for requested number of channel");
}

void TTranscoder::SetUpTwoPass(OutputStream& ost, int index) {
  AVCodecContext* c = ost.enc_ctx.get();
  if (!(c->flags & (AV_CODEC_FLAG_PASS1 | AV_CODEC_FLAG_PASS2))) return;
  const std::string& prefix = Settings().pass_log_filename;
  const std::string name =
      (prefix.empty() ? std::string("ffencoder2pass") : prefix) + "-" + std::to_string(index) + ".log";
  std::string stats;
  if (c->flags & AV_CODEC_FLAG_PASS2) {
    std::ifstream in(name, std::ios::binary);
    stats.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!in.is_open() || in.bad())
      RaiseError(media::FormatText("Error reading log file \"%s\" for pass-2 encoding", name.c_str()));
  }
  // Encoders that keep their own statistics file (libx264) are told its
  // name; otherwise they would use one in the working folder.
  if (ost.enc->priv_class &&
      ff::av_opt_find(const_cast<const AVClass**>(&ost.enc->priv_class), "stats", nullptr, 0,
                      AV_OPT_SEARCH_FAKE_OBJ)) {
    ff::av_dict_set(ost.opts.Ref(), "stats", name.c_str(), AV_DICT_DONT_OVERWRITE);
    return;
  }
  if (c->flags & AV_CODEC_FLAG_PASS2) {
    char* copy = static_cast<char*>(ff::av_malloc(stats.size() + 1));
    if (!copy)
      RaiseError(media::FormatText(
          "Could not allocate file buffer: Error reading log file \"%s\" for pass-2 encoding",
          name.c_str()));
    std::memcpy(copy, stats.c_str(), stats.size() + 1);
    ff::av_freep(&c->stats_in);
    c->stats_in = copy;
  } else {
    ost.pass_log.reset(std::fopen(name.c_str(), "wb"));
    if (!ost.pass_log)
      RaiseError(media::FormatText("Cannot write log file %s for pass-1 encoding", name.c_str()));
  }
}

void TTranscoder::CheckExperimental(const AVCodec* codec, AVCodecContext* ctx, bool encoder) {
  if (!(codec->capabilities & AV_CODEC_CAP_EXPERIMENTAL) ||
      ctx->strict_std_compliance < FF_COMPLIANCE_UNOFFICIAL)
    return;
  const char* kind = encoder ? "encoder" : "decoder";
  std::string text = media::FormatText(
      "%s \"%s\" is experimental and might produce bad results.\n"
      "Add \"-strict experimental\" if you want to use it.",
      kind, codec->name);
  const AVCodec* other = encoder ? ff::avcodec_find_encoder(codec->id)
                                 : ff::avcodec_find_decoder(codec->id);
  if (other && !(other->capabilities & AV_CODEC_CAP_EXPERIMENTAL))
    text += media::FormatText("\nOr use the non experimental %s \"%s\"", kind, other->name);
  RaiseError(text);
}

void TTranscoder::CheckLeftover(AVDictionary* opts) {
  if (const AVDictionaryEntry* e = ff::av_dict_get(opts, "", nullptr, AV_DICT_IGNORE_SUFFIX)) {
    const std::string text = media::FormatText("Option %s not found.", e->key);
    if (OptionErrorsFatal()) RaiseError(text);
    SetLastErrorText(text);
    Log(media::llError, text);
  }
}

void TTranscoder::OpenEncoder(OutputStream& ost) {
  AVCodecContext* c = ost.enc_ctx.get();
  if (!ff::av_dict_get(ost.opts.get(), "threads", nullptr, 0))
    ff::av_dict_set(ost.opts.Ref(), "threads", "auto", 0);
  if (ff::avcodec_open2(c, ost.enc, ost.opts.Ref()) < 0)
    RaiseError(media::FormatText(
        "Error while opening encoder for output stream #%d:%d (%s) - maybe incorrect parameters "
        "such as bit_rate, rate, width or height. Please check error log message(reported by "
        "FFLogger) to find out more detail information.",
        ost.file_index, ost.index, ost.enc->name));
  ost.encoder_opened = true;
  CheckExperimental(ost.enc, c, true);
  CheckLeftover(ost.opts.get());
  if (c->bit_rate > 0 && c->bit_rate < 1000)
    Log(media::llWarning,
        "The bitrate parameter is set too low. It takes bits/s as argument, not kbits/s");
  if (ff::avcodec_parameters_from_context(ost.st->codecpar, c) < 0)
    RaiseError("Could not copy the encoder parameters");
  ost.st->time_base = c->time_base;
  if (c->codec_type == AVMEDIA_TYPE_VIDEO) {
    ost.st->avg_frame_rate = ost.frame_rate;
    ost.st->r_frame_rate = ost.frame_rate;
  }
  if (c->codec_type == AVMEDIA_TYPE_AUDIO) {
    const AudioSync sync{Settings().audio_sync_method, Settings().audio_drift_threshold,
                         Settings().audio_volume};
    if (!ost.audio->Open(*c, *ost.enc, sync)) RaiseError("av_fifo_alloc failed");
  }
  for (BsfPtr& bsf : ost.bsfs) {
    const int ret = ff::avcodec_parameters_copy(bsf->par_in, ost.st->codecpar);
    bsf->time_base_in = ost.st->time_base;
    if (ret < 0 || ff::av_bsf_init(bsf.get()) < 0)
      RaiseError(media::FormatText("Failed to open bitstream filter %s for stream %d with codec %s",
                                   bsf->filter->name, ost.index, ost.enc->name));
  }
}

void TTranscoder::OpenDecoder(InputStream& ist, int index) {
  const InputFile& file = *inputFiles_[ist.file_index];
  const int streamIndex = index - file.ist_index;
  if (!ist.dec)
    RaiseError(media::FormatText("Decoder (codec %s) not found for input stream #%d:%d",
                                 ff::avcodec_get_name(ist.st->codecpar->codec_id), ist.file_index,
                                 streamIndex));
  ist.dec_ctx.reset(ff::avcodec_alloc_context3(ist.dec));
  if (!ist.dec_ctx || ff::avcodec_parameters_to_context(ist.dec_ctx.get(), ist.st->codecpar) < 0)
    RaiseError(media::FormatText("Error while opening decoder for input stream #%d:%d",
                                 ist.file_index, streamIndex));
  ist.dec_ctx->pkt_timebase = ist.st->time_base;
  if (!ff::av_dict_get(ist.opts.get(), "threads", nullptr, 0))
    ff::av_dict_set(ist.opts.Ref(), "threads", "auto", 0);
  if (ff::avcodec_open2(ist.dec_ctx.get(), ist.dec, ist.opts.Ref()) < 0)
    RaiseError(media::FormatText("Error while opening decoder for input stream #%d:%d",
                                 ist.file_index, streamIndex));
  CheckExperimental(ist.dec, ist.dec_ctx.get(), false);
  CheckLeftover(ist.opts.get());
  ist.frame.reset(ff::av_frame_alloc());
  if (!ist.frame) RaiseError("Could not allocate frame");
  const AVRational rate = ist.st->r_frame_rate;
  ist.next_dts = rate.num ? -std::llround(double(ist.dec_ctx->has_b_frames) * AV_TIME_BASE *
                                          rate.den / rate.num)
                          : 0;
  ist.pts = 0;
  ist.is_start = true;
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
