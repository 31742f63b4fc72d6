#include "sound_files.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "media/binding/ff_entry_points.h"
#include "wav_file.h"

namespace engine_test {

namespace fs = std::filesystem;

// Per process: test processes run in parallel and would rewrite each
// other's input files while they are read.
fs::path SoundScratch(const std::string& name) {
  const char* base = std::getenv("LS_TEST_TMP");
  fs::path dir = (base ? fs::path(base) : fs::temp_directory_path()) /
                 ("sound-" + std::to_string(getpid())) / name;
  fs::create_directories(dir);
  return dir;
}

std::string WriteWav(const fs::path& path, int rate, int channels, int samples,
                     const std::function<int16_t(int, int)>& sample) {
  testwav::WritePcm16(path, rate, channels, uint32_t(samples),
                      [&](int ch, uint32_t i) { return sample(ch, int(i)); });
  return path.string();
}

int DecodeFirstStream(const std::string& path, const std::function<void(const AVFrame&)>& onFrame) {
  AVFormatContext* ic = nullptr;
  if (ff::avformat_open_input(&ic, path.c_str(), nullptr, nullptr) < 0) return -1;
  int channels = -1;
  AVCodecContext* c = nullptr;
  AVPacket* pkt = ff::av_packet_alloc();
  AVFrame* frame = ff::av_frame_alloc();
  const AVCodec* dec = nullptr;
  if (ff::avformat_find_stream_info(ic, nullptr) >= 0 && ic->nb_streams > 0 &&
      (dec = ff::avcodec_find_decoder(ic->streams[0]->codecpar->codec_id)) &&
      (c = ff::avcodec_alloc_context3(dec)) &&
      ff::avcodec_parameters_to_context(c, ic->streams[0]->codecpar) >= 0 &&
      ff::avcodec_open2(c, dec, nullptr) >= 0) {
    channels = c->ch_layout.nb_channels;
    auto drain = [&] {
      while (ff::avcodec_receive_frame(c, frame) >= 0) {
        onFrame(*frame);
        ff::av_frame_unref(frame);
      }
    };
    while (ff::av_read_frame(ic, pkt) >= 0) {
      if (pkt->stream_index == 0) ff::avcodec_send_packet(c, pkt);
      ff::av_packet_unref(pkt);
      drain();
    }
    ff::avcodec_send_packet(c, nullptr);
    drain();
  }
  ff::av_frame_free(&frame);
  ff::av_packet_free(&pkt);
  ff::avcodec_free_context(&c);
  ff::avformat_close_input(&ic);
  return channels;
}

std::vector<std::vector<float>> DecodeChannels(const std::string& path) {
  std::vector<std::vector<float>> out;
  const int decoderChannels = DecodeFirstStream(path, [&](const AVFrame& frame) {
    const auto fmt = AVSampleFormat(frame.format);
    const int channels = frame.ch_layout.nb_channels;
    if (int(out.size()) < channels) out.resize(channels);
    const bool planar =
        fmt == AV_SAMPLE_FMT_S16P || fmt == AV_SAMPLE_FMT_S32P || fmt == AV_SAMPLE_FMT_FLTP;
    for (int ch = 0; ch < channels; ++ch)
      for (int i = 0; i < frame.nb_samples; ++i) {
        const int at = planar ? i : i * channels + ch;
        const uint8_t* plane = frame.extended_data[planar ? ch : 0];
        float v = 0;
        if (fmt == AV_SAMPLE_FMT_S16 || fmt == AV_SAMPLE_FMT_S16P)
          v = reinterpret_cast<const int16_t*>(plane)[at] / 32768.0f;
        else if (fmt == AV_SAMPLE_FMT_S32 || fmt == AV_SAMPLE_FMT_S32P)
          v = float(reinterpret_cast<const int32_t*>(plane)[at] / 2147483648.0);
        else if (fmt == AV_SAMPLE_FMT_FLT || fmt == AV_SAMPLE_FMT_FLTP)
          v = reinterpret_cast<const float*>(plane)[at];
        out[ch].push_back(v);
      }
  });
  if (int(out.size()) < decoderChannels) out.resize(decoderChannels);
  return out;
}

}  // namespace engine_test
