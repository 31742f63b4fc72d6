#include "encoder/caption_track_input.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <memory>
#include <mutex>

#include "media/binding/ff_entry_points.h"
#include "media/frame_source/input_format_registry.h"

namespace encoder {

namespace {

using CueList = std::shared_ptr<const std::vector<CaptionCue>>;

// Registered tracks by number. A number is never reused, so a stale name finds nothing.
std::mutex g_tracksLock;
std::map<uint64_t, CueList> g_tracks;  // guarded by g_tracksLock
uint64_t g_lastNumber = 0;             // guarded by g_tracksLock

// The subtitle encoders read their default style from an ASS header.
constexpr const char* kAssHeader =
    "[Script Info]\n"
    "ScriptType: v4.00+\n"
    "PlayResX: 384\n"
    "PlayResY: 288\n"
    "\n"
    "[V4+ Styles]\n"
    "Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, "
    "Bold, Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, "
    "Shadow, Alignment, MarginL, MarginR, MarginV, Encoding\n"
    "Style: Default,Sans,16,&Hffffff,&Hffffff,&H0,&H0,0,0,0,0,100,100,0,0,1,1,0,2,10,10,10,0\n"
    "\n"
    "[Events]\n"
    "Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n";

struct EncodedCue {
  int64_t startMs, durationMs;
  std::vector<uint8_t> bytes;
};

struct CaptionTrackInput {
  const AVClass* cls;              // first: the private options' class
  std::vector<EncodedCue>* cues;   // owned; made in ReadHeader, freed in ReadClose
  size_t next;                     // reading thread only
};

CueList FindTrack(const char* url) {
  const std::string name = url ? url : "";
  uint64_t number = 0;
  const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), number);
  if (name.empty() || error != std::errc() || end != name.data() + name.size()) return nullptr;
  std::lock_guard guard(g_tracksLock);
  const auto found = g_tracks.find(number);
  return found == g_tracks.end() ? nullptr : found->second;
}

// The caption as the text of an ASS event: line breaks as \N, none around it.
std::string AssEventText(const std::string& text) {
  std::string out;
  for (const char c : KeepLiteral(text)) {
    if (c == '\r') continue;
    if (c == '\n') out += "\\N";
    else out += c;
  }
  while (out.starts_with("\\N")) out.erase(0, 2);
  while (out.ends_with("\\N")) out.resize(out.size() - 2);
  return out;
}

struct CodecContextFree {
  void operator()(AVCodecContext* c) const { ff::avcodec_free_context(&c); }
};
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextFree>;

int OpenEncoder(AVFormatContext* s, CodecContextPtr& out) {
  const AVCodec* codec = ff::avcodec_find_encoder(AV_CODEC_ID_MOV_TEXT);
  if (!codec) {
    ff::av_log(s, AV_LOG_ERROR, "The media libraries have no mov_text encoder\n");
    return AVERROR_ENCODER_NOT_FOUND;
  }
  CodecContextPtr ctx(ff::avcodec_alloc_context3(codec));
  if (!ctx) return AVERROR(ENOMEM);
  ctx->time_base = AVRational{1, 1000};
  ctx->subtitle_header = reinterpret_cast<uint8_t*>(ff::av_strdup(kAssHeader));
  if (!ctx->subtitle_header) return AVERROR(ENOMEM);
  ctx->subtitle_header_size = int(std::char_traits<char>::length(kAssHeader));
  if (const int ret = ff::avcodec_open2(ctx.get(), codec, nullptr); ret < 0) return ret;
  out = std::move(ctx);
  return 0;
}

// One cue through the encoder; the buffer grows until the packet fits.
int EncodeCue(AVCodecContext* ctx, const CaptionCue& cue, std::vector<uint8_t>& bytes) {
  std::string event = "0,0,Default,,0,0,0,," + AssEventText(cue.text);
  AVSubtitleRect rect{};
  rect.type = SUBTITLE_ASS;
  rect.ass = event.data();
  AVSubtitleRect* rects[] = {&rect};
  AVSubtitle sub{};
  sub.num_rects = 1;
  sub.rects = rects;
  sub.end_display_time = uint32_t(cue.endMs - cue.startMs);
  sub.pts = cue.startMs * 1000;
  for (size_t size = 256 + 2 * event.size();; size *= 2) {
    bytes.resize(size);
    const int ret = ff::avcodec_encode_subtitle(ctx, bytes.data(), int(size), &sub);
    if (ret >= 0) {
      bytes.resize(size_t(ret));
      return 0;
    }
    if (ret != AVERROR_BUFFER_TOO_SMALL || size > (1u << 24)) return ret;
  }
}

int ReadHeader(AVFormatContext* s) {
  auto* c = static_cast<CaptionTrackInput*>(s->priv_data);
  const CueList cues = FindTrack(s->url);
  if (!cues) {
    ff::av_log(s, AV_LOG_ERROR, "No caption track is called \"%s\"\n", s->url ? s->url : "");
    return AVERROR(EINVAL);
  }
  CodecContextPtr ctx;
  if (const int ret = OpenEncoder(s, ctx); ret < 0) return ret;
  auto encoded = std::make_unique<std::vector<EncodedCue>>();
  int64_t end = 0;
  for (const CaptionCue& cue : *cues) {
    if (cue.endMs <= cue.startMs || cue.startMs < end || AssEventText(cue.text).empty()) continue;
    EncodedCue e{cue.startMs, cue.endMs - cue.startMs, {}};
    if (const int ret = EncodeCue(ctx.get(), cue, e.bytes); ret < 0) return ret;
    encoded->push_back(std::move(e));
    end = cue.endMs;
  }
  AVStream* st = ff::avformat_new_stream(s, nullptr);
  if (!st) return AVERROR(ENOMEM);
  st->time_base = AVRational{1, 1000};
  st->start_time = 0;
  st->duration = end;
  if (const int ret = ff::avcodec_parameters_from_context(st->codecpar, ctx.get()); ret < 0) return ret;
  // Stream information must not read ahead: the reader takes packets from us alone.
  s->flags |= AVFMT_FLAG_NOPARSE;
  s->probesize = 0;
  c->cues = encoded.release();
  c->next = 0;
  return 0;
}

int ReadPacket(AVFormatContext* s, AVPacket* pkt) {
  auto* c = static_cast<CaptionTrackInput*>(s->priv_data);
  if (c->next >= c->cues->size()) return AVERROR_EOF;
  const EncodedCue& cue = (*c->cues)[c->next++];
  if (const int ret = ff::av_new_packet(pkt, int(cue.bytes.size())); ret < 0) return ret;
  std::copy(cue.bytes.begin(), cue.bytes.end(), pkt->data);
  pkt->stream_index = 0;
  pkt->pts = pkt->dts = cue.startMs;
  pkt->duration = cue.durationMs;
  pkt->flags |= AV_PKT_FLAG_KEY;
  return 0;
}

int ReadClose(AVFormatContext* s) {
  auto* c = static_cast<CaptionTrackInput*>(s->priv_data);
  delete c->cues;
  c->cues = nullptr;
  return 0;
}

const char* ItemName(void*) { return "CaptionTrack"; }

const AVClass kCaptionTrackClass = media::OwnFormatClass("CaptionTrackFormat", ItemName);

const media::TInputFormat kCaptionTrackInput = {
    .name = kCaptionTrackFormat,
    .long_name = "Captions as mov_text",
    .flags = AVFMT_NOFILE,
    .priv_class = &kCaptionTrackClass,
    .priv_data_size = int(sizeof(CaptionTrackInput)),
    .read_header = ReadHeader,
    .read_packet = ReadPacket,
    .read_close = ReadClose,
};

}  // namespace

std::string KeepLiteral(const std::string& text) {
  constexpr const char* kWordJoiner = "\xE2\x81\xA0";
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i], next = i + 1 < text.size() ? text[i + 1] : '\0';
    out += c;
    if ((c == '\\' && (next == 'n' || next == 'N' || next == 'h')) || (c == '{' && next == '\\'))
      out += kWordJoiner;
  }
  return out;
}

void RegisterCaptionTrackFormat() { media::RegisterInputFormat(&kCaptionTrackInput); }

uint64_t RegisterCaptionTrack(std::vector<CaptionCue> cues) {
  auto list = std::make_shared<const std::vector<CaptionCue>>(std::move(cues));
  std::lock_guard guard(g_tracksLock);
  g_tracks[++g_lastNumber] = std::move(list);
  return g_lastNumber;
}

void UnregisterCaptionTrack(uint64_t number) {
  std::lock_guard guard(g_tracksLock);
  g_tracks.erase(number);
}

}  // namespace encoder
