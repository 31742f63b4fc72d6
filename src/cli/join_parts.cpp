#include "cli/join_parts.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "cli/render_options.h"
#include "media/binding/ff_entry_points.h"
#include "media/binding/ff_owners.h"
#include "media/binding/ff_utils.h"

namespace cli {
namespace {

struct PacketFree {
  void operator()(AVPacket* p) const { ff::av_packet_free(&p); }
};
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;

AVRational RateOf(const std::string& rate) {
  int num = 0, den = 1;
  std::sscanf(rate.c_str(), "%d/%d", &num, &den);
  return AVRational{num, den};
}

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

// A file opened for its first stream of one kind.
struct OpenFile {
  media::InputContextPtr ctx;
  int stream = -1;
  AVStream* Stream() const { return ctx->streams[stream]; }
};

// The next packet of the file's chosen stream into p: 1, or 0 at the end,
// or -1 with `error` set.
int NextStreamPacket(OpenFile& f, AVPacket* p, std::string& error) {
  for (;;) {
    const int ret = ff::av_read_frame(f.ctx.get(), p);
    if (ret == AVERROR_EOF) return 0;
    if (ret < 0) {
      error = media::FormatMediaError("av_read_frame()", ret);
      return -1;
    }
    if (p->stream_index == f.stream) return 1;
    ff::av_packet_unref(p);
  }
}

// An empty text, or what keeps the file from being read. Parts are our
// own files with their streams' parameters in the header: no packet needs
// to be decoded to find them.
std::string OpenFileOnly(const std::string& path, OpenFile& f) {
  AVFormatContext* raw = nullptr;
  if (const int ret = ff::avformat_open_input(&raw, path.c_str(), nullptr, nullptr); ret < 0)
    return media::FormatMediaError("open", ret);
  f.ctx.reset(raw);
  return {};
}

std::string ChooseStream(AVMediaType type, OpenFile& f) {
  for (unsigned i = 0; i < f.ctx->nb_streams && f.stream < 0; ++i)
    if (f.ctx->streams[i]->codecpar->codec_type == type) f.stream = int(i);
  if (f.stream < 0) return std::string("holds no ") + (type == AVMEDIA_TYPE_VIDEO ? "video" : "sound");
  return {};
}

std::string Open(const std::string& path, AVMediaType type, OpenFile& f) {
  if (std::string error = OpenFileOnly(path, f); !error.empty()) return error;
  return ChooseStream(type, f);
}

// What the parts' packets must agree on to make one stream.
struct StreamShape {
  AVCodecID codec = AV_CODEC_ID_NONE;
  int width = 0, height = 0, format = -1;
  int timeBaseNum = 0, timeBaseDen = 1;
  std::vector<uint8_t> extradata;
  bool operator==(const StreamShape&) const = default;
};

StreamShape ShapeOf(const AVStream* st) {
  const AVCodecParameters* p = st->codecpar;
  StreamShape s{p->codec_id, p->width, p->height, p->format, st->time_base.num, st->time_base.den, {}};
  if (p->extradata) s.extradata.assign(p->extradata, p->extradata + p->extradata_size);
  return s;
}

// Seconds from the first frame's start to the last frame's end.
double VideoSeconds(OpenFile& f, AVPacket* packet) {
  int64_t first = AV_NOPTS_VALUE, end = AV_NOPTS_VALUE;
  while (ff::av_read_frame(f.ctx.get(), packet) >= 0) {
    if (packet->stream_index == f.stream && packet->pts != AV_NOPTS_VALUE) {
      first = first == AV_NOPTS_VALUE ? packet->pts : std::min(first, packet->pts);
      end = end == AV_NOPTS_VALUE ? packet->pts + packet->duration : std::max(end, packet->pts + packet->duration);
    }
    ff::av_packet_unref(packet);
  }
  if (first == AV_NOPTS_VALUE) return 0;
  return double(end - first) * av_q2d(f.Stream()->time_base);
}

void CheckOrder(const std::vector<PartFile>& parts, int64_t showFrames) {
  const int count = parts.front().Tag.Count;
  for (size_t i = 0; i < parts.size(); ++i) {
    const PartTag& t = parts[i].Tag;
    if (t.Count != count)
      throw UsageError("--join: " + Quoted(parts[i].Path) + " is a part of " + std::to_string(t.Count) +
                       ", " + Quoted(parts.front().Path) + " a part of " + std::to_string(count) +
                       ": give the parts of one split");
    if (i > 0 && t.Index == parts[i - 1].Tag.Index)
      throw UsageError("--join: " + Quoted(parts[i - 1].Path) + " and " + Quoted(parts[i].Path) +
                       " are both part " + std::to_string(t.Index) + " of " + std::to_string(count));
  }
  for (int k = 1, i = 0; k <= count; ++k, ++i)
    if (i >= int(parts.size()) || parts[i].Tag.Index != k)
      throw UsageError("--join: part " + std::to_string(k) + " of " + std::to_string(count) +
                       " is missing (render it with --segment " + std::to_string(k) + "/" +
                       std::to_string(count) + ")");
  // Tags of one show and split always tile it; a hand-made one may not.
  int64_t at = 0;
  for (const PartFile& p : parts) {
    if (p.Tag.Frames.First != at)
      throw UsageError("--join: " + Quoted(p.Path) + " does not start where the part before it ends");
    at = p.Tag.Frames.End;
  }
  if (at != showFrames) throw UsageError("--join: the parts end before the show does");
}

}  // namespace

namespace {

// A part's tag and the shape and length of its stream.
struct ReadPart {
  PartFile file;
  StreamShape shape;
  double seconds = 0;
};

ReadPart ReadOnePart(const std::string& path, AVPacket* packet) {
  OpenFile f;
  if (const std::string error = OpenFileOnly(path, f); !error.empty())
    throw UsageError("--join " + Quoted(path) + ": " + error);
  const AVDictionaryEntry* comment = ff::av_dict_get(f.ctx->metadata, "comment", nullptr, 0);
  const std::optional<PartTag> tag = ParsePartTag(comment ? comment->value : "");
  if (!tag) throw UsageError("--join " + Quoted(path) + ": not a part written with --segment K/N or --segment sound");
  if (const std::string error = ChooseStream(tag->Sound ? AVMEDIA_TYPE_AUDIO : AVMEDIA_TYPE_VIDEO, f); !error.empty())
    throw UsageError("--join " + Quoted(path) + ": " + error);
  ReadPart part{{path, *tag}, ShapeOf(f.Stream()), 0};
  if (!tag->Sound) part.seconds = VideoSeconds(f, packet);
  return part;
}

void CheckLengths(const std::vector<ReadPart>& read, const std::string& rate) {
  const double frameSeconds = 1 / av_q2d(RateOf(rate));
  for (const ReadPart& r : read) {
    const PartTag& t = r.file.Tag;
    const double expected = double(t.Frames.End - t.Frames.First) * frameSeconds;
    if (r.seconds < expected - frameSeconds / 2) {
      char text[160];
      std::snprintf(text, sizeof text, ": holds %.2f s of video of its %.2f s, so it was cut short; render it again with --segment %d/%d",
                    r.seconds, expected, t.Index, t.Count);
      throw UsageError("--join " + Quoted(r.file.Path) + text);
    }
  }
}

}  // namespace

SplitFiles CheckParts(const std::vector<std::string>& files, const std::string& rate) {
  SplitFiles split;
  std::vector<ReadPart> video;
  const PacketPtr packet(ff::av_packet_alloc());
  for (const std::string& file : files) {
    ReadPart part = ReadOnePart(file, packet.get());
    const PartTag& first = video.empty() ? (split.Sound ? split.Sound->Tag : part.file.Tag) : video[0].file.Tag;
    const std::string& firstPath = video.empty() ? (split.Sound ? split.Sound->Path : file) : video[0].file.Path;
    if (part.file.Tag.Show != first.Show || part.file.Tag.ShowFrames != first.ShowFrames)
      throw UsageError("--join " + Quoted(file) + ": a part of another show than " + Quoted(firstPath) +
                       " (other pictures, music or options)");
    if (part.file.Tag.Sound) {
      if (split.Sound)
        throw UsageError("--join: " + Quoted(split.Sound->Path) + " and " + Quoted(file) + " are both the sound part");
      split.Sound = part.file;
      continue;
    }
    if (!video.empty() && !(part.shape == video[0].shape))
      throw UsageError("--join " + Quoted(file) + ": encoded differently from " + Quoted(video[0].file.Path) +
                       " (codec, size or settings); render every part with the same options");
    video.push_back(std::move(part));
  }
  if (video.empty()) throw UsageError("--join: no video part; render them with --segment K/N");
  CheckLengths(video, rate);
  for (ReadPart& r : video) split.Video.push_back(std::move(r.file));
  std::stable_sort(split.Video.begin(), split.Video.end(),
                   [](const PartFile& a, const PartFile& b) { return a.Tag.Index < b.Tag.Index; });
  CheckOrder(split.Video, split.Video.front().Tag.ShowFrames);
  return split;
}

void CheckShow(const SplitFiles& split, const std::string& show, int64_t showFrames) {
  const PartFile& part = split.Video.front();
  if (part.Tag.Show != show || part.Tag.ShowFrames != showFrames)
    throw UsageError("--join " + Quoted(part.Path) +
                     ": a part of another show (other pictures, music or options than these)");
}

namespace {

// The parts' video packets in show order, as one stream of the output.
class PartVideo {
 public:
  PartVideo(const std::vector<PartFile>& parts, AVRational rate, AVStream* out)
      : parts_(parts), frameTime_(av_inv_q(rate)), out_(out) {}

  // The next packet into p; false at the end, with `error` set on failure.
  bool Next(AVPacket* p, std::string& error) {
    for (;;) {
      if (!file_.ctx) {
        if (next_ >= parts_.size()) return false;
        const PartFile& part = parts_[next_++];
        file_ = {};
        if (error = Open(part.Path, AVMEDIA_TYPE_VIDEO, file_); !error.empty()) {
          error = Quoted(part.Path) + ": " + error;
          return false;
        }
        shift_ = ff::av_rescale_q(part.Tag.Frames.First, frameTime_, file_.Stream()->time_base);
      }
      const int got = NextStreamPacket(file_, p, error);
      if (got < 0) return false;
      if (got == 0) {
        file_ = {};
        continue;
      }
      if (p->pts != AV_NOPTS_VALUE) p->pts += shift_;
      if (p->dts != AV_NOPTS_VALUE) p->dts += shift_;
      ff::av_packet_rescale_ts(p, file_.Stream()->time_base, out_->time_base);
      // A part's encoder counts its first decode times from before its
      // first picture; where that reaches back into the part before, the
      // decode times are moved up to follow on (never past a picture's time).
      // (Matroska leaves a part's first decode times out: they follow on too.)
      if (p->dts != AV_NOPTS_VALUE || lastDts_ != AV_NOPTS_VALUE) {
        if (lastDts_ != AV_NOPTS_VALUE && (p->dts == AV_NOPTS_VALUE || p->dts <= lastDts_))
          p->dts = lastDts_ + 1;
        if (p->pts != AV_NOPTS_VALUE && p->dts > p->pts) {
          error = "the parts' frames overlap at " + Quoted(parts_[next_ - 1].Path);
          return false;
        }
        lastDts_ = p->dts;
      }
      p->stream_index = out_->index;
      p->pos = -1;
      return true;
    }
  }

 private:
  const std::vector<PartFile>& parts_;
  AVRational frameTime_;
  AVStream* out_;
  size_t next_ = 0;
  OpenFile file_;
  int64_t shift_ = 0;
  int64_t lastDts_ = AV_NOPTS_VALUE;
};

// The sound file's audio packets as the output's audio stream.
class SoundPackets {
 public:
  SoundPackets(OpenFile& file, AVStream* out) : file_(file), out_(out) {}
  bool Next(AVPacket* p, std::string& error) {
    if (NextStreamPacket(file_, p, error) <= 0) return false;
    ff::av_packet_rescale_ts(p, file_.Stream()->time_base, out_->time_base);
    p->stream_index = out_->index;
    p->pos = -1;
    return true;
  }

 private:
  OpenFile& file_;
  AVStream* out_;
};

int64_t OrderTime(const AVPacket* p) { return p->dts != AV_NOPTS_VALUE ? p->dts : p->pts; }

AVStream* CopyStream(AVFormatContext* out, const AVStream* from) {
  AVStream* st = ff::avformat_new_stream(out, nullptr);
  if (!st || ff::avcodec_parameters_copy(st->codecpar, from->codecpar) < 0) return nullptr;
  st->codecpar->codec_tag = 0;
  st->time_base = from->time_base;
  return st;
}

}  // namespace

std::string JoinParts(const std::vector<PartFile>& parts, const std::string& rate,
                      const std::string& sound, const std::string& target, bool fastStart) {
  OpenFile first, audio;
  if (std::string error = Open(parts.front().Path, AVMEDIA_TYPE_VIDEO, first); !error.empty())
    return Quoted(parts.front().Path) + ": " + error;
  if (!sound.empty())
    if (std::string error = Open(sound, AVMEDIA_TYPE_AUDIO, audio); !error.empty())
      return "the encoded sound: " + error;
  AVFormatContext* rawOut = nullptr;
  if (const int ret = ff::avformat_alloc_output_context2(&rawOut, nullptr, nullptr, target.c_str()); ret < 0)
    return media::FormatMediaError("create", ret);
  const media::OutputContextPtr out(rawOut);
  AVStream* videoOut = CopyStream(out.get(), first.Stream());
  AVStream* audioOut = sound.empty() ? nullptr : CopyStream(out.get(), audio.Stream());
  if (!videoOut || (!sound.empty() && !audioOut)) return "out of memory";
  if (const int ret = ff::avio_open2(&out->pb, target.c_str(), AVIO_FLAG_WRITE, nullptr, nullptr); ret < 0)
    return media::FormatMediaError("open", ret);
  media::DictOwner options;
  if (fastStart) ff::av_dict_set(options.Ref(), "movflags", "+faststart", 0);
  if (const int ret = ff::avformat_write_header(out.get(), options.Ref()); ret < 0)
    return media::FormatMediaError("avformat_write_header()", ret);

  PartVideo video(parts, RateOf(rate), videoOut);
  std::unique_ptr<SoundPackets> soundPackets;
  if (audioOut) soundPackets = std::make_unique<SoundPackets>(audio, audioOut);
  const PacketPtr v(ff::av_packet_alloc()), a(ff::av_packet_alloc());
  if (!v || !a) return "out of memory";
  std::string error;
  bool haveV = video.Next(v.get(), error);
  bool haveA = soundPackets && error.empty() && soundPackets->Next(a.get(), error);
  // Both streams in time order, so the muxer holds back no more than a packet.
  while (error.empty() && (haveV || haveA)) {
    const bool takeV = haveV && (!haveA || ff::av_compare_ts(OrderTime(v.get()), videoOut->time_base,
                                                             OrderTime(a.get()), audioOut->time_base) <= 0);
    AVPacket* p = takeV ? v.get() : a.get();
    if (const int ret = ff::av_interleaved_write_frame(out.get(), p); ret < 0)
      return media::FormatMediaError("av_interleaved_write_frame()", ret);
    if (takeV) haveV = video.Next(v.get(), error);
    else haveA = soundPackets->Next(a.get(), error);
  }
  if (!error.empty()) return error;
  if (const int ret = ff::av_write_trailer(out.get()); ret < 0)
    return media::FormatMediaError("av_write_trailer()", ret);
  return {};
}

}  // namespace cli
