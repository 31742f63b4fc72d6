#include "encoder/sound_track_input.h"

#include <charconv>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "encoder/sound_track.h"
#include "media/binding/ff_entry_points.h"
#include "media/frame_source/input_format_registry.h"
#include "media/frame_source/own_input.h"

namespace encoder {

namespace {

// Live tracks by number. A number is never reused, so a stale name finds nothing.
std::mutex g_tracksLock;
std::map<uint64_t, SoundTrack*> g_tracks;  // guarded by g_tracksLock
uint64_t g_lastNumber = 0;                 // guarded by g_tracksLock

constexpr int kPacketFrames = 4096;

struct SoundTrackInput {
  const AVClass* cls;  // first: the private options' class
  SoundTrack* track;   // reading thread only, between header and close
  int64_t position;    // next sample frame
};

SoundTrack* FindTrack(const char* url) {
  const std::string name = url ? url : "";
  uint64_t number = 0;
  const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), number);
  if (name.empty() || error != std::errc() || end != name.data() + name.size()) return nullptr;
  std::lock_guard guard(g_tracksLock);
  const auto found = g_tracks.find(number);
  return found == g_tracks.end() ? nullptr : found->second;
}

int ReadHeader(AVFormatContext* s) {
  auto* c = static_cast<SoundTrackInput*>(s->priv_data);
  c->track = FindTrack(s->url);
  if (!c->track) {
    ff::av_log(s, AV_LOG_ERROR, "No sound track is called \"%s\"\n", s->url ? s->url : "");
    return AVERROR(EINVAL);
  }
  c->track->Rewind();
  c->position = 0;
  AVStream* st = ff::avformat_new_stream(s, nullptr);
  if (!st) return AVERROR(ENOMEM);
  const int rate = c->track->Rate(), channels = c->track->Channels();
  st->time_base = AVRational{1, rate};
  st->start_time = 0;
  st->duration = c->track->Frames();
  AVCodecParameters* par = st->codecpar;
  par->codec_type = AVMEDIA_TYPE_AUDIO;
  par->codec_id = AV_CODEC_ID_PCM_F32LE;
  par->format = AV_SAMPLE_FMT_FLT;
  par->sample_rate = rate;
  ff::av_channel_layout_default(&par->ch_layout, channels);
  par->bits_per_coded_sample = 32;
  par->block_align = 4 * channels;
  par->bit_rate = int64_t(rate) * 32 * channels;
  // Stream information must not read ahead: every read moves the track on.
  s->flags |= AVFMT_FLAG_NOPARSE;
  s->probesize = 0;
  return 0;
}

int ReadPacket(AVFormatContext* s, AVPacket* pkt) {
  auto* c = static_cast<SoundTrackInput*>(s->priv_data);
  const int channels = c->track->Channels();
  const int64_t left = c->track->Frames() - c->position;
  if (left <= 0) return AVERROR_EOF;
  const int frames = int(std::min<int64_t>(left, kPacketFrames));
  if (const int ret = ff::av_new_packet(pkt, frames * channels * 4); ret < 0) return ret;
  size_t got = 0;
  try {
    got = c->track->Read(reinterpret_cast<float*>(pkt->data), size_t(frames));
  } catch (const std::exception& e) {
    ff::av_packet_unref(pkt);
    media::SetOwnInputFailure(s, e.what());
    return AVERROR(EIO);
  }
  if (got == 0) {
    ff::av_packet_unref(pkt);
    return AVERROR_EOF;
  }
  pkt->size = int(got) * channels * 4;
  pkt->stream_index = 0;
  pkt->pts = pkt->dts = c->position;
  pkt->duration = int64_t(got);
  pkt->flags |= AV_PKT_FLAG_KEY;
  c->position += int64_t(got);
  return 0;
}

int ReadClose(AVFormatContext*) { return 0; }

const char* ItemName(void*) { return "SoundTrack"; }

const AVClass kSoundTrackClass = media::OwnFormatClass("SoundTrackFormat", ItemName);

const media::TInputFormat kSoundTrackInput = {
    .name = kSoundTrackFormat,
    .long_name = "Assembled sound track",
    .flags = AVFMT_NOFILE,
    .priv_class = &kSoundTrackClass,
    .priv_data_size = int(sizeof(SoundTrackInput)),
    .read_header = ReadHeader,
    .read_packet = ReadPacket,
    .read_close = ReadClose,
};

}  // namespace

void RegisterSoundTrackFormat() { media::RegisterInputFormat(&kSoundTrackInput); }

uint64_t RegisterSoundTrack(SoundTrack* track) {
  std::lock_guard guard(g_tracksLock);
  g_tracks[++g_lastNumber] = track;
  return g_lastNumber;
}

void UnregisterSoundTrack(uint64_t number) {
  std::lock_guard guard(g_tracksLock);
  g_tracks.erase(number);
}

}  // namespace encoder
