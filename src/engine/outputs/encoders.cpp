// The encoders: set up from their input streams, opened, and drained into
// the muxer; flushed at the end.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

extern "C" {
#include <libavutil/intreadwrite.h>
}

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

void TTranscoder::DrainEncoder(OutputStream& ost, AVFrame* frame, int64_t* byteTotal,
                               const char* failure) {
  AVCodecContext* c = ost.enc_ctx.get();
  int ret = ff::avcodec_send_frame(c, frame);
  if (ret < 0 && !(ret == AVERROR_EOF && !frame)) {
    ost.encoder_failed = true;
    RaiseError(media::FormatMediaError(failure, ret));
  }
  AVPacket* pkt = encPacket_.get();
  while ((ret = ff::avcodec_receive_packet(c, pkt)) >= 0) {
    *byteTotal += pkt->size;
    size_t statsSize = 0;
    if (const uint8_t* stats =
            ff::av_packet_get_side_data(pkt, AV_PKT_DATA_QUALITY_STATS, &statsSize);
        stats && statsSize >= 4)
      ost.last_quality = int64_t(AV_RL32(stats));
    if (ost.pass_log && c->stats_out &&
        std::fputs(c->stats_out, ost.pass_log.get()) < 0)
      RaiseError("Cannot write the first-pass statistics");
    pkt->stream_index = ost.st->index;
    // The muxer may have changed the stream's time base in its header.
    ff::av_packet_rescale_ts(pkt, c->time_base, ost.st->time_base);
    WritePacket(ost, pkt);
  }
  if (ret != AVERROR(EAGAIN) && ret != AVERROR_EOF) {
    ost.encoder_failed = true;
    RaiseError(media::FormatMediaError(failure, ret));
  }
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

}  // namespace engine
