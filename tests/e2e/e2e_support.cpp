#include "e2e_support.h"

#include <turbojpeg.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>

#include "slideshow/slideshow_timeline.h"
#include "slideshow/test_pictures.h"
#include "media/binding/ff_loader.h"
#include "media/binding/ff_owners.h"
#include "media/frame_source/frame_input_adapter.h"
#include "media/bridges/main_thread.h"
#include "media_setup.h"
#include "wav_file.h"

namespace e2e {

void InitMedia() { LoadMediaForTests(); }

fs::path Scratch(const std::string& name) { return testpics::ScratchDir("e2e/" + name); }

void WriteWav(const fs::path& path, double seconds, int rate, int channels) {
  const uint32_t frames = uint32_t(std::lround(seconds * rate));
  testwav::WritePcm16(path, rate, channels, frames, [&](int c, uint32_t i) {
    const double v = 0.4 * std::sin(2 * M_PI * (440.0 + 110 * c) * i / rate);
    return int16_t(std::lround(v * 32767));
  });
}

void WriteMp3(const fs::path& path, double seconds) {
  const fs::path wav = fs::path(path).replace_extension(".tone.wav");
  WriteWav(wav, seconds);
  engine::TTranscoder engine;
  ASSERT_GE(engine.OpenInput(wav.string()), 0) << engine.LastErrorText();
  engine.ParseOptions("-c:a libmp3lame");
  ASSERT_GE(engine.OpenOutput(path.string()), 0) << engine.LastErrorText();
  engine.Run();
  ASSERT_FALSE(engine.ErrorOccurred()) << engine.ErrorMessage();
  fs::remove(wav);
}

void WriteMp3WithCover(const fs::path& dir, const fs::path& mp3, int coverSize) {
  const std::string plain = (dir / "plain.mp3").string();
  WriteMp3(plain, 1.5);
  const fs::path jpeg = dir / "cover.jpg";
  WriteJpeg(jpeg, coverSize, coverSize);
  std::ifstream in(jpeg, std::ios::binary);
  const std::vector<char> picture{std::istreambuf_iterator<char>(in), {}};

  AVFormatContext* raw = nullptr;
  ASSERT_GE(ff::avformat_open_input(&raw, plain.c_str(), nullptr, nullptr), 0);
  media::InputContextPtr source(raw);
  ASSERT_GE(ff::avformat_find_stream_info(raw, nullptr), 0);
  AVFormatContext* out = nullptr;
  ASSERT_GE(ff::avformat_alloc_output_context2(&out, nullptr, "mp3", mp3.c_str()), 0);
  media::OutputContextPtr target(out);
  AVStream* audio = ff::avformat_new_stream(out, nullptr);
  ASSERT_GE(ff::avcodec_parameters_copy(audio->codecpar, raw->streams[0]->codecpar), 0);
  audio->time_base = raw->streams[0]->time_base;
  AVStream* cover = ff::avformat_new_stream(out, nullptr);
  cover->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
  cover->codecpar->codec_id = AV_CODEC_ID_MJPEG;
  cover->codecpar->width = cover->codecpar->height = coverSize;
  cover->disposition = AV_DISPOSITION_ATTACHED_PIC;
  ASSERT_GE(ff::avio_open2(&out->pb, mp3.c_str(), AVIO_FLAG_WRITE, nullptr, nullptr), 0);
  ASSERT_GE(ff::avformat_write_header(out, nullptr), 0);

  engine::PacketPtr pkt(ff::av_packet_alloc());
  ASSERT_GE(ff::av_new_packet(pkt.get(), int(picture.size())), 0);
  std::memcpy(pkt->data, picture.data(), picture.size());
  pkt->stream_index = cover->index;
  pkt->flags |= AV_PKT_FLAG_KEY;
  ASSERT_GE(ff::av_interleaved_write_frame(out, pkt.get()), 0);
  while (ff::av_read_frame(raw, pkt.get()) >= 0) {
    ff::av_packet_rescale_ts(pkt.get(), raw->streams[0]->time_base, audio->time_base);
    pkt->stream_index = audio->index;
    pkt->pos = -1;
    ASSERT_GE(ff::av_interleaved_write_frame(out, pkt.get()), 0);
  }
  ASSERT_GE(ff::av_write_trailer(out), 0);
}

void WriteJpeg(const fs::path& path, int w, int h) {
  std::vector<uint8_t> rgb(size_t(w) * h * 3);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = &rgb[(size_t(y) * w + x) * 3];
      p[0] = uint8_t(x * 255 / w);
      p[1] = uint8_t(y * 255 / h);
      p[2] = uint8_t(112 + 24 * std::sin(x * 0.05) * std::cos(y * 0.07));
    }
  tjhandle tj = tjInitCompress();
  unsigned char* out = nullptr;
  unsigned long size = 0;
  ASSERT_EQ(tjCompress2(tj, rgb.data(), w, 0, h, TJPF_RGB, &out, &size, TJSAMP_420, 95, 0), 0);
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(out), long(size));
  tjFree(out);
  tjDestroy(tj);
}

std::vector<std::string> MakePictures(const fs::path& dir) {
  const fs::path a = dir / "one.bmp", b = dir / "two.jpg", c = dir / "three.bmp";
  testpics::WriteBmp24(a, 160, 120, [](int x, int y) {
    return uint32_t((x * 255 / 160) << 16 | (y * 255 / 120) << 8 | 0x30);
  });
  // Close to the first picture: transitions cut hard edges through both,
  // and 4:2:0 video keeps soft colour differences best.
  WriteJpeg(b, 200, 150);
  // Soft shapes only: 4:2:0 video cannot keep hard colour edges anyway.
  testpics::WriteBmp24(c, 90, 160, [](int x, int y) {
    const double d = std::hypot(x - 45.0, y - 80.0);
    const auto r = uint32_t(128 + 100 * std::cos(d * 0.08));
    const auto g = uint32_t(60 + y);
    return r << 16 | g << 8 | uint32_t(200 - x);
  });
  return {a.string(), b.string(), c.string()};
}

void SlideshowRun::Execute() {
  slideshow::TSlideshowTimeline timeline;
  timeline.Pictures = pictures;
  // The sound goes on after the pictures; only a user stop ends early.
  timeline.BreakWhenNoPictures = false;
  slideshow::TimelineSettings settings;
  settings.FrameSize = size;
  settings.FrameRate = rate;
  settings.PictureDelay = pictureDelay;
  settings.TransitionDelay = transitionDelay;
  timeline.PrepareTimeline(settings);
  totalFrames = timeline.TotalFrames();
  framesPerPicture = timeline.FramesPerPicture;
  framesPerTransition = timeline.FramesPerTransition;

  engine::TTranscoder* running = nullptr;
  media::TFrameInputAdapter adapter;
  adapter.OnReadFrameCanvas = [&](media::TFrameInputAdapter*, gfx::Canvas& canvas,
                                  media::PInputFrameInfo info) {
    const int r = timeline.FIAReadFrameCanvas(canvas);
    if (r >= 0) {
      const gfx::Bitmap& bmp = *info->Bitmap;
      std::vector<uint8_t> copy(size_t(bmp.Width()) * bmp.Height() * 4);
      for (int y = 0; y < bmp.Height(); ++y)
        std::memcpy(&copy[size_t(y) * bmp.Width() * 4], bmp.ScanLine(y), size_t(bmp.Width()) * 4);
      composed.push_back(std::move(copy));
      if (running && int(composed.size()) == stopAfterFrames) running->RequestStop();
    }
    return r;
  };

  engine::TTranscoder engine;
  running = &engine;
  engine.OnProgress = [&](const engine::ProgressValues& v) { progress.push_back(v); };
  std::string in = std::string("-f frameinput ") + (realTime ? "-re " : "") +
                   "-input_type canvas -pix_fmt bgra -r " + rate + " -s " + size;
  engine.ParseOptions(in);
  openInputResult = engine.OpenInput(adapter.InputFileName());
  if (openInputResult < 0) {
    lastErrorText = engine.LastErrorText();
    return;
  }
  if (!audio.empty()) {
    openAudioResult = engine.OpenInput(audio);
    if (openAudioResult < 0) {
      lastErrorText = engine.LastErrorText();
      return;
    }
  }
  engine.ParseOptions("-c:v libx264 -c:a libmp3lame -r " + rate + " -s " + size +
                      (extraOutputOptions.empty() ? "" : " " + extraOutputOptions));
  openOutputResult = engine.OpenOutput(output);
  if (openOutputResult < 0) {
    lastErrorText = engine.LastErrorText();
    return;
  }
  const auto start = std::chrono::steady_clock::now();
  engine.Run();
  wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  finished = engine.Finished();
  errorOccurred = engine.ErrorOccurred();
  errorMessage = engine.ErrorMessage();
  kept = engine.KeptOutputs();
  dups = engine.DupCount();
  drops = engine.DropCount();
}

const StreamFacts* FileFacts::Find(AVMediaType type) const {
  for (const StreamFacts& s : streams)
    if (s.type == type) return &s;
  return nullptr;
}

int FileFacts::Count(AVMediaType type) const {
  int n = 0;
  for (const StreamFacts& s : streams) n += s.type == type;
  return n;
}

FileFacts Probe(const std::string& path, bool keepPictures) {
  FileFacts facts;
  AVFormatContext* ic = nullptr;
  int ret = ff::avformat_open_input(&ic, path.c_str(), nullptr, nullptr);
  if (ret < 0) {
    facts.error = "open failed";
    return facts;
  }
  if (ff::avformat_find_stream_info(ic, nullptr) < 0) facts.error = "no stream info";
  facts.opened = true;
  std::vector<AVCodecContext*> decoders(ic->nb_streams, nullptr);
  for (unsigned i = 0; i < ic->nb_streams; ++i) {
    StreamFacts s;
    const AVCodecParameters* p = ic->streams[i]->codecpar;
    s.type = p->codec_type;
    s.codec = p->codec_id;
    s.width = p->width;
    s.height = p->height;
    s.sampleRate = p->sample_rate;
    facts.streams.push_back(s);
    const AVCodec* dec = ff::avcodec_find_decoder(p->codec_id);
    if (!dec) continue;
    decoders[i] = ff::avcodec_alloc_context3(dec);
    ff::avcodec_parameters_to_context(decoders[i], p);
    decoders[i]->pkt_timebase = ic->streams[i]->time_base;
    if (ff::avcodec_open2(decoders[i], dec, nullptr) < 0) ff::avcodec_free_context(&decoders[i]);
  }
  AVPacket* pkt = ff::av_packet_alloc();
  AVFrame* frame = ff::av_frame_alloc();
  SwsContext* sws = nullptr;
  auto take = [&](unsigned index) {
    StreamFacts& s = facts.streams[index];
    while (ff::avcodec_receive_frame(decoders[index], frame) >= 0) {
      if (s.type == AVMEDIA_TYPE_AUDIO) s.samples += frame->nb_samples;
      if (s.type == AVMEDIA_TYPE_VIDEO) {
        ++s.frames;
        if (keepPictures) {
          sws = ff::sws_getCachedContext(sws, frame->width, frame->height,
                                         AVPixelFormat(frame->format), frame->width,
                                         frame->height, AV_PIX_FMT_BGRA, SWS_BICUBIC, nullptr,
                                         nullptr, nullptr);
          std::vector<uint8_t> out(size_t(frame->width) * frame->height * 4);
          uint8_t* dst[4] = {out.data(), nullptr, nullptr, nullptr};
          int lines[4] = {frame->width * 4, 0, 0, 0};
          ff::sws_scale(sws, frame->data, frame->linesize, 0, frame->height, dst, lines);
          s.pictures.push_back(std::move(out));
        }
      }
      ff::av_frame_unref(frame);
    }
  };
  while (ff::av_read_frame(ic, pkt) >= 0) {
    const unsigned i = unsigned(pkt->stream_index);
    if (i < decoders.size() && decoders[i]) {
      ++facts.streams[i].packets;
      if (ff::avcodec_send_packet(decoders[i], pkt) < 0) ++facts.streams[i].refused;
      take(i);
    }
    ff::av_packet_unref(pkt);
  }
  for (unsigned i = 0; i < decoders.size(); ++i)
    if (decoders[i]) {
      ff::avcodec_send_packet(decoders[i], nullptr);
      take(i);
      ff::avcodec_free_context(&decoders[i]);
    }
  if (sws) ff::sws_freeContext(sws);
  ff::av_frame_free(&frame);
  ff::av_packet_free(&pkt);
  ff::avformat_close_input(&ic);
  return facts;
}

double Psnr(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  if (a.size() != b.size() || a.empty()) return 0.0;
  double sum = 0;
  size_t n = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    if (i % 4 == 3) continue;  // the fourth byte carries no colour
    const double d = double(a[i]) - double(b[i]);
    sum += d * d;
    ++n;
  }
  if (sum == 0) return 99.0;
  return 10 * std::log10(255.0 * 255.0 / (sum / double(n)));
}

}  // namespace e2e
