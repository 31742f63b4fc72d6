#include "encoder/sound_file_reader.h"

#include <algorithm>
#include <cstring>

#include "media/binding/ff_entry_points.h"
#include "media/binding/ff_utils.h"

namespace encoder {

struct SoundFileReader::Owners {
  struct CloseInput {
    void operator()(AVFormatContext* c) const { ff::avformat_close_input(&c); }
  };
  struct FreeCodec {
    void operator()(AVCodecContext* c) const { ff::avcodec_free_context(&c); }
  };
  struct FreeSwr {
    void operator()(SwrContext* c) const { ff::swr_free(&c); }
  };
  struct FreePacket {
    void operator()(AVPacket* p) const { ff::av_packet_free(&p); }
  };
  struct FreeFrame {
    void operator()(AVFrame* f) const { ff::av_frame_free(&f); }
  };
  std::unique_ptr<AVFormatContext, CloseInput> input;
  std::unique_ptr<AVCodecContext, FreeCodec> decoder;
  std::unique_ptr<SwrContext, FreeSwr> resampler;
  std::unique_ptr<AVPacket, FreePacket> packet;
  std::unique_ptr<AVFrame, FreeFrame> frame;
};

namespace {

std::string Named(const std::string& path) { return "sound file \"" + path + "\""; }

}  // namespace

SoundFileReader::SoundFileReader(const std::string& path, int rate, int channels)
    : path_(path), channels_(channels), own_(std::make_unique<Owners>()) {
  AVFormatContext* raw = nullptr;
  if (const int ret = ff::avformat_open_input(&raw, path.c_str(), nullptr, nullptr); ret < 0)
    throw SoundFileError(Named(path) + ": not a file the media libraries can read (" +
                         media::FormatMediaError("open", ret) + ")");
  own_->input.reset(raw);
  if (ff::avformat_find_stream_info(raw, nullptr) < 0)
    throw SoundFileError(Named(path) + ": not a file the media libraries can read");
  for (unsigned i = 0; i < raw->nb_streams && stream_ < 0; ++i)
    if (raw->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) stream_ = int(i);
  if (stream_ < 0) throw SoundFileError(Named(path) + ": has no sound");
  // Only the sound stream's packets are wanted.
  for (unsigned i = 0; i < raw->nb_streams; ++i)
    if (int(i) != stream_) raw->streams[i]->discard = AVDISCARD_ALL;

  const AVCodecParameters* par = raw->streams[stream_]->codecpar;
  const AVCodec* codec = ff::avcodec_find_decoder(par->codec_id);
  if (!codec) throw SoundFileError(Named(path) + ": no decoder for its sound");
  own_->decoder.reset(ff::avcodec_alloc_context3(codec));
  AVCodecContext* dec = own_->decoder.get();
  if (!dec || ff::avcodec_parameters_to_context(dec, par) < 0 ||
      ff::avcodec_open2(dec, codec, nullptr) < 0)
    throw SoundFileError(Named(path) + ": its sound cannot be decoded");
  if (dec->sample_rate <= 0 || dec->ch_layout.nb_channels <= 0)
    throw SoundFileError(Named(path) + ": its sound has no sample rate or channels");

  rate_ = rate;
  SetUpResampler(dec->sample_fmt, dec->sample_rate, dec->ch_layout);
  own_->packet.reset(ff::av_packet_alloc());
  own_->frame.reset(ff::av_frame_alloc());
  if (!own_->packet || !own_->frame) throw SoundFileError(Named(path) + ": out of memory");
}

SoundFileReader::~SoundFileReader() = default;

size_t SoundFileReader::Read(float* out, size_t frames) {
  size_t done = 0;
  while (done < frames) {
    if (pendingAt_ == pending_.size()) {
      pending_.clear();
      pendingAt_ = 0;
      if (!Refill()) break;
      continue;
    }
    const size_t take = std::min(frames - done, (pending_.size() - pendingAt_) / channels_);
    std::memcpy(out + done * channels_, pending_.data() + pendingAt_,
                take * channels_ * sizeof(float));
    pendingAt_ += take * channels_;
    done += take;
  }
  return done;
}

bool SoundFileReader::Refill() {
  AVCodecContext* dec = own_->decoder.get();
  AVFrame* frame = own_->frame.get();
  while (!decoderDone_) {
    const int got = ff::avcodec_receive_frame(dec, frame);
    if (got == 0) {
      Convert(frame);
      ff::av_frame_unref(frame);
      if (!pending_.empty()) return true;
      continue;
    }
    if (got == AVERROR_EOF) {
      // The resampler keeps a few samples of filter delay back: drain them.
      decoderDone_ = true;
      Convert(nullptr);
      return !pending_.empty();
    }
    if (got != AVERROR(EAGAIN))
      throw SoundFileError(Named(path_) + ": " + media::FormatMediaError("decoding", got));
    if (inputDone_) {
      ff::avcodec_send_packet(dec, nullptr);
      continue;
    }
    AVPacket* pkt = own_->packet.get();
    const int read = ff::av_read_frame(own_->input.get(), pkt);
    if (read < 0) {
      // A read error past the start ends the file as a damaged tail would.
      inputDone_ = true;
      ff::avcodec_send_packet(dec, nullptr);
      continue;
    }
    if (pkt->stream_index == stream_) {
      const int sent = ff::avcodec_send_packet(dec, pkt);
      // A damaged packet is skipped; the decoder goes on with the next.
      (void)sent;
    }
    ff::av_packet_unref(pkt);
  }
  return false;
}

void SoundFileReader::SetUpResampler(int format, int rate, const AVChannelLayout& layout) {
  if (rate <= 0 || layout.nb_channels <= 0)
    throw SoundFileError(Named(path_) + ": its sound has no sample rate or channels");
  AVChannelLayout in{}, out{};
  if (layout.order == AV_CHANNEL_ORDER_UNSPEC)
    ff::av_channel_layout_default(&in, layout.nb_channels);
  else
    ff::av_channel_layout_copy(&in, &layout);
  ff::av_channel_layout_default(&out, channels_);
  SwrContext* swr = nullptr;
  const int made = ff::swr_alloc_set_opts2(&swr, &out, AV_SAMPLE_FMT_FLT, rate_, &in,
                                           AVSampleFormat(format), rate, 0, nullptr);
  ff::av_channel_layout_uninit(&in);
  ff::av_channel_layout_uninit(&out);
  own_->resampler.reset(swr);
  if (made < 0 || ff::swr_init(swr) < 0)
    throw SoundFileError(Named(path_) + ": its sound cannot be converted");
  inFormat_ = format;
  inRate_ = rate;
  inChannels_ = layout.nb_channels;
}

void SoundFileReader::Convert(const AVFrame* frame) {
  // A file may change its sound format midway (joined recordings); the
  // resampler must match each frame, or it reads past the frame's planes.
  if (frame && (frame->format != inFormat_ || frame->sample_rate != inRate_ ||
                frame->ch_layout.nb_channels != inChannels_))
    SetUpResampler(frame->format, frame->sample_rate, frame->ch_layout);
  SwrContext* swr = own_->resampler.get();
  const int in = frame ? frame->nb_samples : 0;
  const int room = ff::swr_get_out_samples(swr, in);
  if (room <= 0) return;
  pending_.resize(size_t(room) * channels_);
  uint8_t* outPlanes[1] = {reinterpret_cast<uint8_t*>(pending_.data())};
  const int made =
      ff::swr_convert(swr, outPlanes, room,
                      frame ? const_cast<const uint8_t**>(frame->extended_data) : nullptr, in);
  if (made < 0)
    throw SoundFileError(Named(path_) + ": " + media::FormatMediaError("converting", made));
  pending_.resize(size_t(made) * channels_);
}

double SoundFileReader::Progress() const {
  AVIOContext* pb = own_->input->pb;
  if (!pb) return 0;
  const int64_t size = ff::avio_size(pb);
  return size > 0 ? std::clamp(double(pb->pos) / double(size), 0.0, 1.0) : 0.0;
}

int64_t CountSoundFrames(const std::string& path, int rate,
                         const std::function<void(double)>& progress) {
  SoundFileReader reader(path, rate, 1);
  std::vector<float> block(1 << 15);
  int64_t frames = 0;
  for (int n = 0;; ++n) {
    const size_t got = reader.Read(block.data(), block.size());
    if (got == 0) break;
    frames += int64_t(got);
    if (progress && n % 16 == 0) progress(reader.Progress());
  }
  return frames;
}

}  // namespace encoder
