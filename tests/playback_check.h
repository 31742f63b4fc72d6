// Whether a written video plays the way a player would play it: the file
// opens, holds its streams, every packet decodes and pictures come out.
// Counting packets is not enough: a file cut short can hold packets that
// no decoder accepts.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/transcode_records.h"
#include "media/binding/ff_owners.h"

namespace playcheck {

struct Playback {
  bool opened = false;
  int videoStreams = 0, audioStreams = 0;
  int64_t pictures = 0;     // decoded video frames
  int64_t soundFrames = 0;  // decoded audio frames
  int badPackets = 0;       // packets a decoder refused
  std::string problem;      // why it does not open, or empty

  // Opens, every packet decodes, at least one picture; with a sound
  // stream too when asked for.
  bool Plays(bool withSound) const {
    return opened && videoStreams > 0 && badPackets == 0 && pictures > 0 &&
           (!withSound || (audioStreams > 0 && soundFrames > 0));
  }
};

namespace detail {

inline bool Fatal(int ret) { return ret < 0 && ret != AVERROR(EAGAIN) && ret != AVERROR_EOF; }


}  // namespace detail

// Opens the file and decodes every packet of its video and sound streams,
// handing each decoded frame with its stream to onFrame (when given). What
// is counted lands in the returned record.
inline Playback DecodeEveryFrame(
    const std::string& path,
    const std::function<void(const AVStream&, const AVFrame&)>& onFrame = {}) {
  Playback p;
  AVFormatContext* raw = nullptr;
  if (const int ret = ff::avformat_open_input(&raw, path.c_str(), nullptr, nullptr); ret < 0) {
    p.problem = "does not open";
    return p;
  }
  const media::InputContextPtr input(raw);
  if (ff::avformat_find_stream_info(raw, nullptr) < 0) {
    p.problem = "no stream information";
    return p;
  }
  p.opened = true;
  std::vector<engine::CodecContextPtr> decoders(raw->nb_streams);
  for (unsigned i = 0; i < raw->nb_streams; ++i) {
    const AVCodecParameters* par = raw->streams[i]->codecpar;
    if (par->codec_type == AVMEDIA_TYPE_VIDEO) ++p.videoStreams;
    else if (par->codec_type == AVMEDIA_TYPE_AUDIO) ++p.audioStreams;
    else continue;
    const AVCodec* codec = ff::avcodec_find_decoder(par->codec_id);
    engine::CodecContextPtr dec(codec ? ff::avcodec_alloc_context3(codec) : nullptr);
    if (!dec || ff::avcodec_parameters_to_context(dec.get(), par) < 0 ||
        ff::avcodec_open2(dec.get(), codec, nullptr) < 0) {
      ++p.badPackets;  // a stream nothing can decode does not play
      continue;
    }
    decoders[i] = std::move(dec);
  }
  const engine::PacketPtr pkt(ff::av_packet_alloc());
  const engine::FramePtr frame(ff::av_frame_alloc());
  // Takes every frame the decoder of stream i has ready; false when it
  // reports damage.
  auto drain = [&](unsigned i) {
    const AVStream& st = *raw->streams[i];
    int64_t& count =
        st.codecpar->codec_type == AVMEDIA_TYPE_VIDEO ? p.pictures : p.soundFrames;
    for (;;) {
      const int ret = ff::avcodec_receive_frame(decoders[i].get(), frame.get());
      if (ret < 0) return !detail::Fatal(ret);
      ++count;
      if (onFrame) onFrame(st, *frame);
      ff::av_frame_unref(frame.get());
    }
  };
  while (ff::av_read_frame(raw, pkt.get()) >= 0) {
    const unsigned i = unsigned(pkt->stream_index);
    if (i < decoders.size() && decoders[i] &&
        (detail::Fatal(ff::avcodec_send_packet(decoders[i].get(), pkt.get())) || !drain(i)))
      ++p.badPackets;
    ff::av_packet_unref(pkt.get());
  }
  for (unsigned i = 0; i < decoders.size(); ++i)
    if (decoders[i]) {
      ff::avcodec_send_packet(decoders[i].get(), nullptr);
      if (!drain(i)) ++p.badPackets;
    }
  return p;
}

inline Playback PlayThrough(const std::string& path) { return DecodeEveryFrame(path); }

}  // namespace playcheck
