#include "cli/output_summary.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include "media/binding/ff_entry_points.h"
#include "media/binding/ff_utils.h"

namespace cli {
namespace {

struct StreamTally {
  int64_t packets = 0;
  int64_t end = 0;  // largest pts + duration, stream time base
};

std::string Printf(const char* format, auto... args) {
  char buf[256];
  std::snprintf(buf, sizeof buf, format, args...);
  return buf;
}

std::string Describe(const AVStream* st, const StreamTally& tally) {
  const AVCodecParameters* p = st->codecpar;
  const double seconds = double(tally.end) * av_q2d(st->time_base);
  const char* codec = ff::avcodec_get_name(p->codec_id);
  if (p->codec_type == AVMEDIA_TYPE_VIDEO) {
    // A held picture encoded once makes the average rate a fraction of the real one.
    const AVRational r = st->r_frame_rate.num > 0 ? st->r_frame_rate : st->avg_frame_rate;
    return Printf("video: %s %dx%d, %d/%d fps, %lld frames, %.2f s", codec, p->width, p->height,
                  r.num, r.den, (long long)tally.packets, seconds);
  }
  if (p->codec_type == AVMEDIA_TYPE_AUDIO)
    return Printf("audio: %s %d Hz, %d channels, %.2f s", codec, p->sample_rate,
                  p->ch_layout.nb_channels, seconds);
  return Printf("other: %s", codec);
}

// Opens the file and counts its packets per stream; an empty text, or why
// it cannot be read. Packets are counted rather than trusting the header:
// not every container stores a frame count.
std::string ReadBack(const std::string& path,
                     const std::function<void(const AVStream*, const StreamTally&)>& each) {
  AVFormatContext* raw = nullptr;
  if (const int ret = ff::avformat_open_input(&raw, path.c_str(), nullptr, nullptr); ret < 0)
    return "cannot read it back: " + media::MediaErrorText(ret);
  const std::unique_ptr<AVFormatContext*, void (*)(AVFormatContext**)> owner(
      &raw, [](AVFormatContext** ctx) { ff::avformat_close_input(ctx); });
  if (ff::avformat_find_stream_info(raw, nullptr) < 0) return "cannot read its streams";

  std::vector<StreamTally> tallies(raw->nb_streams);
  const std::unique_ptr<AVPacket, void (*)(AVPacket*)> pkt(ff::av_packet_alloc(), [](AVPacket* p) {
    ff::av_packet_free(&p);
  });
  while (pkt && ff::av_read_frame(raw, pkt.get()) >= 0) {
    if (unsigned(pkt->stream_index) < tallies.size()) {
      StreamTally& t = tallies[size_t(pkt->stream_index)];
      ++t.packets;
      const int64_t start = raw->streams[pkt->stream_index]->start_time;
      if (pkt->pts != AV_NOPTS_VALUE)
        t.end = std::max(t.end, pkt->pts + pkt->duration - (start == AV_NOPTS_VALUE ? 0 : start));
    }
    ff::av_packet_unref(pkt.get());
  }
  for (unsigned i = 0; i < raw->nb_streams; ++i) each(raw->streams[i], tallies[i]);
  return {};
}

}  // namespace

std::string DescribeStreams(const std::string& path) {
  std::string text;
  const std::string error =
      ReadBack(path, [&](const AVStream* st, const StreamTally& t) { text += Describe(st, t) + "\n"; });
  return error.empty() ? text : error + "\n";
}

int64_t CountVideoFrames(const std::string& path) {
  int64_t frames = 0;
  const std::string error = ReadBack(path, [&](const AVStream* st, const StreamTally& t) {
    if (st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) frames += t.packets;
  });
  return error.empty() ? frames : -1;
}

}  // namespace cli
