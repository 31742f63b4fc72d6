// Creating output streams and their encoder settings from the options.
#include <cmath>
#include <cstdlib>
#include <sstream>

#include "engine/transcoder.h"
#include "media/binding/ff_utils.h"

namespace engine {

OutputStream& TTranscoder::NewOutputStream(OutputFile& of, AVFormatContext* oc, int sourceIndex,
                                           AVMediaType type) {
  FileOptions& o = FileOpts();
  AVStream* st = ff::avformat_new_stream(oc, nullptr);
  if (!st) RaiseError("Could not alloc stream.");
  const int idx = int(oc->nb_streams) - 1;
  if (idx < int(o.streamid_map.size()) && o.streamid_map[idx]) st->id = o.streamid_map[idx];
  st->codecpar->codec_type = type;

  auto owned = std::make_unique<OutputStream>();
  OutputStream& ost = *owned;
  ost.file_index = int(outputFiles_.size());
  ost.index = idx;
  ost.source_index = sourceIndex;
  ost.st = st;
  outputStreams_.push_back(std::move(owned));

  // Encoder: the last "c" entry that matches wins.
  const std::string* name = PerStreamValue(o.codec_names, oc, st);
  if (name && *name == "copy") {
    ost.stream_copy = true;
  } else if (name) {
    ost.enc = FindCodecOrDie(*name, type, true);
  } else if (type == AVMEDIA_TYPE_VIDEO || type == AVMEDIA_TYPE_AUDIO ||
             type == AVMEDIA_TYPE_SUBTITLE) {
    const AVCodecID id = ff::av_guess_codec(oc->oformat, nullptr, of.name.c_str(), nullptr, type);
    ost.enc = ff::avcodec_find_encoder(id);
  }
  if (type == AVMEDIA_TYPE_ATTACHMENT || type == AVMEDIA_TYPE_DATA) {
    if (type == AVMEDIA_TYPE_DATA && !ost.stream_copy)
      RaiseError("Data stream encoding not supported yet (only streamcopy)");
    ost.stream_copy = true;
  }

  ost.enc_ctx.reset(ff::avcodec_alloc_context3(ost.enc));
  if (!ost.enc_ctx) RaiseError("Could not alloc stream.");
  ost.enc_ctx->codec_type = type;
  if (ost.enc) ost.enc_ctx->codec_id = ost.enc->id;
  ost.opts = media::DictOwner(FilterCodecOptionsFor(*this, CodecOptions(), ost.enc, oc, st, true));

  if (const int64_t* frames = PerStreamValue(o.max_frames, oc, st)) ost.max_frames = *frames;

  if (const std::string* chain = PerStreamValue(o.bitstream_filters, oc, st)) {
    std::stringstream names(*chain);
    std::string bsfName;
    while (std::getline(names, bsfName, ',')) {
      const AVBitStreamFilter* filter = ff::av_bsf_get_by_name(bsfName.c_str());
      if (!filter) RaiseError(media::FormatText("Unknown bitstream filter \"%s\"", bsfName.c_str()));
      AVBSFContext* bsf = nullptr;
      if (ff::av_bsf_alloc(filter, &bsf) < 0) RaiseError("Could not alloc stream.");
      ost.bsfs.emplace_back(bsf);
    }
  }
  if (const std::string* tag = PerStreamValue(o.codec_tags, oc, st)) {
    char* end = nullptr;
    unsigned long v = std::strtoul(tag->c_str(), &end, 0);
    if (end == tag->c_str() || *end) {
      const char* t = tag->c_str();
      v = tag->size() >= 4 ? MKTAG(t[0], t[1], t[2], t[3]) : 0;
    }
    ost.enc_ctx->codec_tag = uint32_t(v);
  }

  double qscale = -1.0;
  if (const double* q = PerStreamValue(o.qscale, oc, st)) qscale = *q;
  if (qscale >= 0 || Settings().same_quant) {
    ost.enc_ctx->flags |= AV_CODEC_FLAG_QSCALE;
    ost.enc_ctx->global_quality = int(FF_QP2LAMBDA * qscale);
  }
  if (oc->oformat->flags & AVFMT_GLOBALHEADER) ost.enc_ctx->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  if (ScalerOptions()) ff::av_opt_get_int(ScalerOptions(), "sws_flags", 0, &ost.sws_flags);

  if (type == AVMEDIA_TYPE_VIDEO) NewVideoStream(ost, oc);
  if (type == AVMEDIA_TYPE_AUDIO) NewAudioStream(ost, oc);
  return ost;
}

namespace {

// "a:b" with positive integers, or a positive number.
double ParseAspect(const std::string& text) {
  const auto colon = text.find(':');
  if (colon != std::string::npos) {
    char* e1 = nullptr;
    char* e2 = nullptr;
    const std::string a = text.substr(0, colon);
    const std::string b = text.substr(colon + 1);
    const long x = std::strtol(a.c_str(), &e1, 10);
    const long y = std::strtol(b.c_str(), &e2, 10);
    if (a.empty() || b.empty() || *e1 || *e2 || x <= 0 || y <= 0) return 0.0;
    return double(x) / double(y);
  }
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  return (end == text.c_str() || *end || !(v > 0)) ? 0.0 : v;
}

// 64 comma-separated coefficients; the index of the first bad one, or -1.
int ParseMatrix(const std::string& text, uint16_t* out) {
  const char* p = text.c_str();
  for (int i = 0; i < 64; ++i) {
    char* end = nullptr;
    const long v = std::strtol(p, &end, 10);
    if (end == p) return i;
    out[i] = uint16_t(v);
    if (i < 63) {
      if (*end != ',') return i;
      p = end + 1;
    } else if (*end) {
      return i;
    }
  }
  return -1;
}

}  // namespace

void TTranscoder::NewVideoStream(OutputStream& ost, AVFormatContext* oc) {
  if (ost.stream_copy) return;
  FileOptions& o = FileOpts();
  AVStream* st = ost.st;
  AVCodecContext* c = ost.enc_ctx.get();

  if (const std::string* rate = PerStreamValue(o.frame_rates, oc, st))
    if (ff::av_parse_video_rate(&ost.frame_rate, rate->c_str()) < 0)
      RaiseError(media::FormatText("Invalid framerate value: %s", rate->c_str()));
  if (const std::string* size = PerStreamValue(o.frame_sizes, oc, st))
    if (ff::av_parse_video_size(&c->width, &c->height, size->c_str()) < 0)
      RaiseError(media::FormatText("Invalid frame size: %s.", size->c_str()));
  if (const std::string* aspect = PerStreamValue(o.frame_aspect_ratios, oc, st)) {
    ost.frame_aspect_ratio = float(ParseAspect(*aspect));
    if (ost.frame_aspect_ratio == 0.0f) RaiseError("Incorrect aspect ratio specification.");
  }
  c->bits_per_raw_sample = Settings().bits_per_raw_sample;
  c->pix_fmt = AV_PIX_FMT_NONE;
  if (const std::string* fmt = PerStreamValue(o.frame_pix_fmts, oc, st)) {
    c->pix_fmt = ff::av_get_pix_fmt(fmt->c_str());
    if (c->pix_fmt == AV_PIX_FMT_NONE)
      RaiseError(media::FormatText("Unknown pixel format requested: %s.", fmt->c_str()));
  }
  if (Settings().intra_only) c->gop_size = 0;

  auto matrix = [&](const std::string* text, uint16_t** slot, const char* what) {
    if (!text) return;
    *slot = static_cast<uint16_t*>(ff::av_mallocz(sizeof(uint16_t) * 64));
    if (!*slot) RaiseError(media::FormatText("Could not allocate memory for %s matrix.", what));
    const int bad = ParseMatrix(*text, *slot);
    if (bad >= 0)
      RaiseError(media::FormatText("Syntax error in matrix \"%s\" at coeff %d", text->c_str(), bad));
  };
  matrix(PerStreamValue(o.intra_matrices, oc, st), &c->intra_matrix, "intra");
  matrix(PerStreamValue(o.inter_matrices, oc, st), &c->inter_matrix, "inter");

  if (const std::string* rc = PerStreamValue(o.rc_overrides, oc, st)) {
    std::vector<RcOverride> items;
    std::stringstream parts(*rc);
    std::string part;
    while (std::getline(parts, part, '/')) {
      int start = 0, end = 0, q = 0;
      char tail = 0;
      if (std::sscanf(part.c_str(), "%d,%d,%d%c", &start, &end, &q, &tail) != 3)
        RaiseError("error parsing rc_override");
      RcOverride r{};
      r.start_frame = start;
      r.end_frame = end;
      if (q > 0) {
        r.qscale = q;
        r.quality_factor = 1.0f;
      } else {
        r.qscale = 0;
        r.quality_factor = -q / 100.0f;
      }
      items.push_back(r);
    }
    c->rc_override = static_cast<RcOverride*>(ff::av_mallocz(sizeof(RcOverride) * items.size()));
    if (!c->rc_override) RaiseError("error parsing rc_override");
    for (size_t i = 0; i < items.size(); ++i) c->rc_override[i] = items[i];
    c->rc_override_count = int(items.size());
  }
  c->intra_dc_precision = Settings().intra_dc_precision - 8;
  if (Settings().do_pass == 1) c->flags |= AV_CODEC_FLAG_PASS1;
  if (Settings().do_pass == 2) c->flags |= AV_CODEC_FLAG_PASS2;

  if (const std::string* kf = PerStreamValue(o.forced_key_frames, oc, st)) {
    std::stringstream times(*kf);
    std::string t;
    while (std::getline(times, t, ','))
      ost.forced_kf_pts.push_back(media::ParseTimeValue("force_key_frames", t, true));
  }
  if (const int32_t* force = PerStreamValue(o.force_fps, oc, st)) ost.force_fps = *force;
  if (const int32_t* top = PerStreamValue(o.top_field_first, oc, st)) ost.top_field_first = *top;
  if (const std::string* chain = PerStreamValue(o.filters, oc, st)) ost.filter_text = *chain;
}

void TTranscoder::NewAudioStream(OutputStream& ost, AVFormatContext* oc) {
  if (ost.stream_copy) return;
  FileOptions& o = FileOpts();
  AVStream* st = ost.st;
  AVCodecContext* c = ost.enc_ctx.get();
  if (const int32_t* ch = PerStreamValue(o.audio_channels, oc, st))
    ff::av_channel_layout_default(&c->ch_layout, *ch);
  if (const int32_t* rate = PerStreamValue(o.audio_sample_rate, oc, st)) c->sample_rate = *rate;
  c->sample_fmt = AV_SAMPLE_FMT_NONE;
  if (const std::string* fmt = PerStreamValue(o.sample_fmts, oc, st)) {
    c->sample_fmt = ff::av_get_sample_fmt(fmt->c_str());
    if (c->sample_fmt == AV_SAMPLE_FMT_NONE)
      RaiseError(media::FormatText("Invalid sample format \"%s\"", fmt->c_str()));
  }
  // Each map meant for this stream makes one output channel, in order; a
  // channel of another input stream than this one's source cannot be had.
  const InputStream* source =
      ost.source_index >= 0 ? inputStreams_[ost.source_index].get() : nullptr;
  std::vector<int> channelMap;
  for (const AudioChannelMap& m : o.audio_channel_maps)
    if ((m.out_file_index < 0 || m.out_file_index == ost.file_index) &&
        (m.out_stream_index < 0 || m.out_stream_index == ost.index) &&
        (m.file_index < 0 || !source ||
         (m.file_index == source->file_index && m.stream_index == source->st->index))) {
      if (channelMap.size() >= 64)
        RaiseError(media::FormatText("Max channel mapping for output %d.%d reached",
                                     ost.file_index, ost.index));
      channelMap.push_back(m.file_index < 0 ? -1 : m.channel_index);
    }
  if (!channelMap.empty() && c->ch_layout.nb_channels == 0)
    ff::av_channel_layout_default(&c->ch_layout, int(channelMap.size()));
  const float* rematrix = PerStreamValue(o.rematrix_volume, oc, st);
  ost.audio = std::make_unique<AudioPath>(std::move(channelMap), rematrix ? *rematrix : 1.0f);
}

double OutputStream::QueuedSeconds() const {
  const AVCodecContext* c = enc_ctx.get();
  if (!c) return 0;
  if (encoding_needed && c->codec_type == AVMEDIA_TYPE_AUDIO)
    return double(audio->SamplesQueued()) / c->sample_rate;
  if (encoding_needed) return double(sync_opts) * av_q2d(c->time_base);
  return double(sync_opts) / AV_TIME_BASE;
}

}  // namespace engine
