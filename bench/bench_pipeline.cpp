// The slideshow pipeline against its floor: a program that calls the media
// libraries directly on the same work. The floor gets the very frames the
// slideshow composes, ready in memory, converts each with sws_scale and
// hands it to libx264 with the same settings; it reads, resamples and
// encodes the same sound with libmp3lame into the same container. No frame
// input, no filter graph. The runs alternate (ours / floor / floor / ours
// ...), each in a child process of its own, and the medians of wall time,
// CPU time (all threads) and their pair ratios are reported, with the peak
// resident memory each run adds to the process it starts in.
//
// Workload: LS_BENCH_WORKLOAD=full (default): 10 generated photos of
// 4000x3000, 1280x960 at 30/1, holds 2.0 s, transitions 1.0 s, 31 s of
// sound, 932 frames. LS_BENCH_WORKLOAD=small: 3 photos of 1600x1200 at
// 640x480, 0.5 s holds and transitions, 4 s of sound. LS_BENCH_PAIRS sets
// the number of pairs (default 3), LS_BENCH_WARMUP=0 drops the warm-up pair,
// LS_BENCH_ONLY=ours|floor runs one side once in-process (for profilers).
// LS_BENCH_WORKLOAD=hd: the full workload at 1920x1080. LS_BENCH_SPEED
// names the savings our side uses: "colour" (libyuv), "held" (held pictures
// encoded once), "colour,held" (the default) or "none".
//
// BM_Wipe: every transition is effect row 5 (the plain left-to-right wipe),
// which the floor draws itself from the fitted pictures, made before timing.
// BM_AllEffects: effects in their order; the floor's frames come from the
// composer, whose CPU time is taken off the floor's.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <turbojpeg.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "effects/effect.h"
#include "engine/transcoder.h"
#include "media/binding/ff_entry_points.h"
#include "media/binding/ff_loader.h"
#include "media/binding/ff_logger.h"
#include "media/frame_source/frame_input_adapter.h"
#include "media/bridges/main_thread.h"
#include "slideshow/slideshow_timeline.h"
#include "photo_file.h"
#include "wav_file.h"

namespace {

namespace fs = std::filesystem;

struct Workload {
  std::string name;
  int pictures, pictureWidth, pictureHeight, width, height;
  std::string hold, transition;
  double soundSeconds;
  std::string Size() const { return std::to_string(width) + "x" + std::to_string(height); }
};

const Workload& TheWorkload() {
  static const Workload w = [] {
    const char* env = std::getenv("LS_BENCH_WORKLOAD");
    if (env && std::string(env) == "small") return Workload{"small", 3, 1600, 1200, 640, 480, "0.5", "0.5", 4.0};
    if (env && std::string(env) == "hd") return Workload{"hd", 10, 4000, 3000, 1920, 1080, "2.0", "1.0", 31.0};
    return Workload{"full", 10, 4000, 3000, 1280, 960, "2.0", "1.0", 31.0};
  }();
  return w;
}

int Pairs() {
  const char* env = std::getenv("LS_BENCH_PAIRS");
  const int n = env ? std::atoi(env) : 3;
  return n > 0 ? n : 3;
}

struct Inputs {
  fs::path dir;
  std::vector<std::string> pictures;
  std::string audio;
  Inputs() {
    media::InitMainThread();
    media::FFLoader().SetLibraryFolder("");
    if (!media::FFLoader().LoadLibrarySet(media::kAllLibraries)) std::abort();
    media::RegisterFrameInputFormat();
    media::DefaultLogger().SetLogLevel(media::llError);
    const Workload& w = TheWorkload();
    dir = fs::temp_directory_path() / ("ls_bench_pipeline_" + w.name);
    fs::create_directories(dir);
    for (int i = 0; i < w.pictures; ++i) {
      const fs::path p = dir / ("photo" + std::to_string(i) + ".jpg");
      if (!fs::exists(p)) benchphotos::WritePhoto(p, w.pictureWidth, w.pictureHeight, i);
      pictures.push_back(p.string());
    }
    audio = (dir / "sound.wav").string();
    if (!fs::exists(audio))
      testwav::WritePcm16(audio, 44100, 2, uint32_t(w.soundSeconds * 44100), [](int c, uint32_t i) {
        return int16_t(9000 * std::sin(i * (0.05 + 0.01 * c)));
      });
  }
};

const Inputs& TheInputs() {
  static const Inputs inputs;
  return inputs;
}

void Prepare(slideshow::TSlideshowTimeline& timeline) {
  const Workload& w = TheWorkload();
  timeline.Pictures = TheInputs().pictures;
  timeline.BreakWhenNoPictures = false;
  slideshow::TimelineSettings settings;
  settings.FrameSize = w.Size();
  settings.PictureDelay = w.hold;
  settings.TransitionDelay = w.transition;
  timeline.EffectIndex = 1;
  timeline.PrepareTimeline(settings);
}

// ---- Measuring a run -------------------------------------------------------

double ProcessCpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double ThreadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

long StatusKiB(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const size_t n = std::strlen(field);
  while (std::getline(status, line))
    if (line.compare(0, n, field) == 0) return std::atol(line.c_str() + n);
  return 0;
}

struct Cost {
  double wall = 0, cpu = 0, peakMiB = 0;
  bool ok = true;
  std::string error;
};

// Starts the clocks. Runs go in a child process each (InChild), so the
// peak resident size counts what the run itself adds, not memory that the
// allocator kept from runs before.
class Meter {
 public:
  Meter() {
    cpu_ = ProcessCpuSeconds();
    start_ = std::chrono::steady_clock::now();
  }
  Cost Stop(double untimedCpu = 0) const {
    Cost c;
    c.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    c.cpu = ProcessCpuSeconds() - cpu_ - untimedCpu;
    return c;
  }

 private:
  double cpu_ = 0;
  std::chrono::steady_clock::time_point start_;
};

// Runs `run` in a forked child and brings back its cost, with the peak
// resident size it reached above the size it started with.
Cost InChild(const std::function<Cost()>& run) {
  struct Report {
    double wall, cpu, peakMiB;
    bool ok;
    char error[256];
  };
  int fds[2];
  if (pipe(fds) != 0) return Cost{0, 0, 0, false, "no pipe"};
  const pid_t child = fork();
  if (child == 0) {
    close(fds[0]);
    std::ofstream("/proc/self/clear_refs") << "5";
    const long baseKiB = StatusKiB("VmRSS:");
    const Cost c = run();
    Report r{c.wall, c.cpu, double(StatusKiB("VmHWM:") - baseKiB) / 1024.0, c.ok, {}};
    std::snprintf(r.error, sizeof r.error, "%s", c.error.c_str());
    const ssize_t written = write(fds[1], &r, sizeof r);
    _exit(written == ssize_t(sizeof r) ? 0 : 1);
  }
  close(fds[1]);
  Report r{};
  const bool got = child > 0 && read(fds[0], &r, sizeof r) == ssize_t(sizeof r);
  close(fds[0]);
  if (child > 0) waitpid(child, nullptr, 0);
  if (!got) return Cost{0, 0, 0, false, "the measuring child failed"};
  return Cost{r.wall, r.cpu, r.peakMiB, r.ok, r.error};
}

// ---- Our path ---------------------------------------------------------------

// The renderer's way: the composer on the frame input's canvas, the engine
// with the same options as the command-line renderer gives it.
Cost RunSlideshow(int effect) {
  const Workload& w = TheWorkload();
  const Inputs& in = TheInputs();
  Meter meter;
  slideshow::TSlideshowTimeline timeline;
  Prepare(timeline);
  media::TFrameInputAdapter adapter;
  adapter.OnReadFrameCanvas = [&](media::TFrameInputAdapter*, gfx::Canvas& canvas,
                                  media::PInputFrameInfo) {
    if (effect > 0) timeline.EffectIndex = effect;
    return int(timeline.ReadFrameOntoKeptCanvas(canvas));
  };
  engine::TTranscoder engine;
  const char* speed = std::getenv("LS_BENCH_SPEED");
  const std::string savings = speed ? speed : "colour,held";
  engine.Settings().plain_colour = savings.find("colour") != std::string::npos;
  engine.Settings().held_once = savings.find("held") != std::string::npos;
  Cost failed;
  failed.ok = false;
  engine.ParseOptions("-f frameinput -input_type canvas -pix_fmt bgra -r 30/1 -s " + w.Size());
  if (engine.OpenInput(adapter.InputFileName()) < 0 || engine.OpenInput(in.audio) < 0) {
    failed.error = engine.LastErrorText();
    return failed;
  }
  engine.ParseOptions("-c:v libx264 -c:a libmp3lame -r 30/1 -s " + w.Size());
  if (engine.OpenOutput((in.dir / "ours.mp4").string()) < 0) {
    failed.error = engine.LastErrorText();
    return failed;
  }
  engine.Run();
  Cost c = meter.Stop();
  if (engine.ErrorOccurred()) {
    c.ok = false;
    c.error = engine.ErrorMessage();
  }
  return c;
}

// ---- The floor --------------------------------------------------------------

// Where the floor's frames come from: top-down BGRA rows.
class FrameSource {
 public:
  virtual ~FrameSource() = default;
  // The next frame's first row, or null after the last frame.
  virtual const uint8_t* Next() = 0;
  // CPU time of this thread that making frames took (not the floor's).
  double composeCpu = 0;
};

// The wipe of effect row 5 drawn from the fitted pictures, which are made
// before the clock starts: a transition frame costs one frame of copying,
// a held frame nothing.
class WipeFrames : public FrameSource {
 public:
  WipeFrames() {
    slideshow::TSlideshowTimeline timeline;
    Prepare(timeline);
    w_ = timeline.FrameWidth;
    h_ = timeline.FrameHeight;
    hold_ = timeline.FramesPerPicture;
    transition_ = timeline.FramesPerTransition;
    const size_t bytes = size_t(w_) * h_ * 4;
    pictures_.emplace_back(bytes, 0);  // black before and after
    for (size_t i = 0; i < timeline.Pictures.size(); ++i) {
      timeline.LoadPicture(int(i));
      std::vector<uint8_t> top(bytes);
      for (int y = 0; y < h_; ++y)
        std::memcpy(&top[size_t(y) * w_ * 4], timeline.IncomingBitmap.ScanLine(y), size_t(w_) * 4);
      pictures_.push_back(std::move(top));
    }
    pictures_.emplace_back(bytes, 0);
    frame_.resize(bytes);
  }
  // Transition k leads from pictures_[k] to pictures_[k + 1], which is then
  // held; the last leads to black, followed by two black frames.
  const uint8_t* Next() override {
    const int count = int(pictures_.size()) - 2;
    const int n = frame_number_++;
    const int k = n / (transition_ + hold_), at = n % (transition_ + hold_);
    if (k < count && at >= transition_) return pictures_[size_t(k) + 1].data();
    if (k >= count) {
      const int tail = n - count * (transition_ + hold_) - transition_;
      if (tail >= 2) return nullptr;
      if (tail >= 0) return pictures_.back().data();
    }
    const int progress = int(int64_t(at) * 100 / transition_);
    const uint8_t* from = pictures_[size_t(k)].data();
    const uint8_t* to = pictures_[size_t(k) + 1].data();
    const int x = progress > 0 ? effects::ProgressExtents(w_, h_, progress).X : 0;
    const size_t left = size_t(std::clamp(x, 0, w_)) * 4, row = size_t(w_) * 4;
    for (int y = 0; y < h_; ++y) {
      std::memcpy(&frame_[y * row], to + y * row, left);
      std::memcpy(&frame_[y * row + left], from + y * row + left, row - left);
    }
    return frame_.data();
  }

 private:
  int w_ = 0, h_ = 0, hold_ = 0, transition_ = 0, frame_number_ = 0;
  std::vector<std::vector<uint8_t>> pictures_;
  std::vector<uint8_t> frame_;
};

// The composer's own frames (every effect), its time not counted.
class ComposedFrames : public FrameSource {
 public:
  ComposedFrames() : bitmap_(1, 1) {
    Prepare(timeline_);
    bitmap_.SetSize(timeline_.FrameWidth, timeline_.FrameHeight);
    top_.resize(size_t(bitmap_.Stride()) * bitmap_.Height());
  }
  const uint8_t* Next() override {
    const double start = ThreadCpuSeconds();
    const int r = timeline_.FIAReadFrameCanvas(bitmap_.GetCanvas());
    const size_t row = size_t(bitmap_.Stride());
    for (int y = 0; r >= 0 && y < bitmap_.Height(); ++y)
      std::memcpy(&top_[y * row], bitmap_.ScanLine(y), row);
    composeCpu += ThreadCpuSeconds() - start;
    return r < 0 ? nullptr : top_.data();
  }

 private:
  slideshow::TSlideshowTimeline timeline_;
  gfx::Bitmap bitmap_;
  std::vector<uint8_t> top_;
};

struct CodecFree {
  void operator()(AVCodecContext* c) const { ff::avcodec_free_context(&c); }
};
struct FrameFree {
  void operator()(AVFrame* f) const { ff::av_frame_free(&f); }
};
struct PacketFree {
  void operator()(AVPacket* p) const { ff::av_packet_free(&p); }
};
struct InputClose {
  void operator()(AVFormatContext* s) const { ff::avformat_close_input(&s); }
};
struct OutputFree {
  void operator()(AVFormatContext* s) const {
    if (s && s->pb) ff::avio_closep(&s->pb);
    ff::avformat_free_context(s);
  }
};
struct SwsFree {
  void operator()(SwsContext* s) const { ff::sws_freeContext(s); }
};
struct SwrFree {
  void operator()(SwrContext* s) const { ff::swr_free(&s); }
};
struct FifoFree {
  void operator()(AVAudioFifo* f) const { ff::av_audio_fifo_free(f); }
};
using CodecPtr = std::unique_ptr<AVCodecContext, CodecFree>;
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;

#define FLOOR_CHECK(expr)                                              \
  do {                                                                 \
    if ((expr) < 0) throw std::runtime_error("floor: " #expr " failed"); \
  } while (0)

// The floor: pictures to libx264 and sound to libmp3lame, into MP4, with
// the codecs' defaults as the engine leaves them.
class Floor {
 public:
  Floor(const std::string& output, FrameSource& frames) : frames_(frames) {
    const Workload& w = TheWorkload();
    AVFormatContext* oc = nullptr;
    FLOOR_CHECK(ff::avformat_alloc_output_context2(&oc, nullptr, nullptr, output.c_str()));
    out_.reset(oc);
    OpenVideo(w.width, w.height);
    OpenAudio(TheInputs().audio);
    FLOOR_CHECK(ff::avio_open2(&oc->pb, output.c_str(), AVIO_FLAG_WRITE, nullptr, nullptr));
    FLOOR_CHECK(ff::avformat_write_header(oc, nullptr));
  }

  void Run() {
    for (;;) {
      const uint8_t* rows = frames_.Next();
      if (!rows) break;
      FLOOR_CHECK(ff::av_frame_make_writable(yuv_.get()));
      const uint8_t* src[4] = {rows, nullptr, nullptr, nullptr};
      const int stride[4] = {video_->width * 4, 0, 0, 0};
      ff::sws_scale(sws_.get(), src, stride, 0, video_->height, yuv_->data, yuv_->linesize);
      yuv_->pts = frameNumber_++;
      Encode(video_.get(), videoStream_, yuv_.get());
      // Sound up to the pictures' time, as the engine interleaves it.
      while (!audioDone_ && double(samplesOut_) / audio_->sample_rate <
                                double(frameNumber_) / 30.0)
        PumpAudio();
    }
    while (!audioDone_) PumpAudio();
    Encode(video_.get(), videoStream_, nullptr);
    Encode(audio_.get(), audioStream_, nullptr);
    FLOOR_CHECK(ff::av_write_trailer(out_.get()));
  }

 private:
  void OpenVideo(int width, int height) {
    const AVCodec* codec = ff::avcodec_find_encoder_by_name("libx264");
    if (!codec) throw std::runtime_error("floor: no libx264");
    video_.reset(ff::avcodec_alloc_context3(codec));
    video_->width = width;
    video_->height = height;
    video_->pix_fmt = AV_PIX_FMT_YUV420P;
    video_->time_base = AVRational{1, 30};
    video_->framerate = AVRational{30, 1};
    video_->sample_aspect_ratio = AVRational{0, 1};
    if (out_->oformat->flags & AVFMT_GLOBALHEADER) video_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* opts = nullptr;
    ff::av_dict_set(&opts, "threads", "auto", 0);
    const int ret = ff::avcodec_open2(video_.get(), codec, &opts);
    ff::av_dict_free(&opts);
    FLOOR_CHECK(ret);
    videoStream_ = NewStream(video_.get());
    yuv_.reset(ff::av_frame_alloc());
    yuv_->format = AV_PIX_FMT_YUV420P;
    yuv_->width = width;
    yuv_->height = height;
    FLOOR_CHECK(ff::av_frame_get_buffer(yuv_.get(), 0));
    sws_.reset(ff::sws_getContext(width, height, AV_PIX_FMT_BGRA, width, height,
                                  AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (!sws_) throw std::runtime_error("floor: no scaler");
  }

  void OpenAudio(const std::string& path) {
    AVFormatContext* ic = nullptr;
    FLOOR_CHECK(ff::avformat_open_input(&ic, path.c_str(), nullptr, nullptr));
    in_.reset(ic);
    FLOOR_CHECK(ff::avformat_find_stream_info(ic, nullptr));
    const AVCodecParameters* par = ic->streams[0]->codecpar;
    const AVCodec* dec = ff::avcodec_find_decoder(par->codec_id);
    decoder_.reset(ff::avcodec_alloc_context3(dec));
    FLOOR_CHECK(ff::avcodec_parameters_to_context(decoder_.get(), par));
    FLOOR_CHECK(ff::avcodec_open2(decoder_.get(), dec, nullptr));

    const AVCodec* codec = ff::avcodec_find_encoder_by_name("libmp3lame");
    if (!codec) throw std::runtime_error("floor: no libmp3lame");
    audio_.reset(ff::avcodec_alloc_context3(codec));
    audio_->sample_fmt = codec->sample_fmts[0];
    audio_->sample_rate = par->sample_rate;
    audio_->time_base = AVRational{1, par->sample_rate};
    ff::av_channel_layout_default(&audio_->ch_layout, par->ch_layout.nb_channels);
    if (out_->oformat->flags & AVFMT_GLOBALHEADER) audio_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    FLOOR_CHECK(ff::avcodec_open2(audio_.get(), codec, nullptr));
    audioStream_ = NewStream(audio_.get());

    SwrContext* swr = nullptr;
    FLOOR_CHECK(ff::swr_alloc_set_opts2(&swr, &audio_->ch_layout, audio_->sample_fmt,
                                        audio_->sample_rate, &decoder_->ch_layout,
                                        decoder_->sample_fmt, decoder_->sample_rate, 0, nullptr));
    swr_.reset(swr);
    FLOOR_CHECK(ff::swr_init(swr));
    fifo_.reset(ff::av_audio_fifo_alloc(audio_->sample_fmt, audio_->ch_layout.nb_channels, 4096));
    decoded_.reset(ff::av_frame_alloc());
    chunk_.reset(ff::av_frame_alloc());
    chunk_->format = audio_->sample_fmt;
    chunk_->nb_samples = audio_->frame_size;
    FLOOR_CHECK(ff::av_channel_layout_copy(&chunk_->ch_layout, &audio_->ch_layout));
    chunk_->sample_rate = audio_->sample_rate;
    FLOOR_CHECK(ff::av_frame_get_buffer(chunk_.get(), 0));
    packet_.reset(ff::av_packet_alloc());
    encoded_.reset(ff::av_packet_alloc());
  }

  AVStream* NewStream(AVCodecContext* c) {
    AVStream* st = ff::avformat_new_stream(out_.get(), nullptr);
    if (!st) throw std::runtime_error("floor: no stream");
    FLOOR_CHECK(ff::avcodec_parameters_from_context(st->codecpar, c));
    st->time_base = c->time_base;
    return st;
  }

  void Encode(AVCodecContext* c, AVStream* st, AVFrame* frame) {
    FLOOR_CHECK(ff::avcodec_send_frame(c, frame));
    while (ff::avcodec_receive_packet(c, encoded_.get()) >= 0) {
      encoded_->stream_index = st->index;
      ff::av_packet_rescale_ts(encoded_.get(), c->time_base, st->time_base);
      FLOOR_CHECK(ff::av_interleaved_write_frame(out_.get(), encoded_.get()));
    }
  }

  // Reads one packet of sound and encodes every whole encoder frame it
  // completes (the rest at the end).
  void PumpAudio() {
    const bool more = ff::av_read_frame(in_.get(), packet_.get()) >= 0;
    FLOOR_CHECK(ff::avcodec_send_packet(decoder_.get(), more ? packet_.get() : nullptr));
    ff::av_packet_unref(packet_.get());
    while (ff::avcodec_receive_frame(decoder_.get(), decoded_.get()) >= 0) {
      const int room = ff::swr_get_out_samples(swr_.get(), decoded_->nb_samples);
      FLOOR_CHECK(ff::av_frame_make_writable(chunk_.get()));
      std::vector<uint8_t*>& planes = scratchPlanes_;
      scratch_.resize(size_t(room) * 4 * 2);
      planes.assign(2, nullptr);
      planes[0] = scratch_.data();
      planes[1] = scratch_.data() + size_t(room) * 4;
      const int got = ff::swr_convert(swr_.get(), planes.data(), room,
                                      const_cast<const uint8_t**>(decoded_->extended_data),
                                      decoded_->nb_samples);
      FLOOR_CHECK(got);
      ff::av_audio_fifo_write(fifo_.get(), reinterpret_cast<void**>(planes.data()), got);
      ff::av_frame_unref(decoded_.get());
    }
    if (!more) audioDone_ = true;
    while (ff::av_audio_fifo_size(fifo_.get()) >= audio_->frame_size ||
           (audioDone_ && ff::av_audio_fifo_size(fifo_.get()) > 0)) {
      FLOOR_CHECK(ff::av_frame_make_writable(chunk_.get()));
      const int n = ff::av_audio_fifo_read(fifo_.get(), reinterpret_cast<void**>(chunk_->data),
                                           audio_->frame_size);
      chunk_->nb_samples = n;
      chunk_->pts = samplesOut_;
      samplesOut_ += n;
      Encode(audio_.get(), audioStream_, chunk_.get());
      chunk_->nb_samples = audio_->frame_size;
    }
  }

  FrameSource& frames_;
  std::unique_ptr<AVFormatContext, OutputFree> out_;
  std::unique_ptr<AVFormatContext, InputClose> in_;
  CodecPtr video_, audio_, decoder_;
  AVStream* videoStream_ = nullptr;
  AVStream* audioStream_ = nullptr;
  std::unique_ptr<SwsContext, SwsFree> sws_;
  std::unique_ptr<SwrContext, SwrFree> swr_;
  std::unique_ptr<AVAudioFifo, FifoFree> fifo_;
  FramePtr yuv_, decoded_, chunk_;
  PacketPtr packet_, encoded_;
  std::vector<uint8_t> scratch_;
  std::vector<uint8_t*> scratchPlanes_;
  int64_t frameNumber_ = 0;
  int64_t samplesOut_ = 0;
  bool audioDone_ = false;
};

Cost RunFloor(int effect) {
  try {
    // The wipe's fitted pictures are ready before the clock starts; they
    // are the floor's frames, so their memory counts.
    std::unique_ptr<FrameSource> frames;
    if (effect == 5) frames = std::make_unique<WipeFrames>();
    Meter meter;
    if (!frames) frames = std::make_unique<ComposedFrames>();
    Floor floor((TheInputs().dir / "floor.mp4").string(), *frames);
    floor.Run();
    return meter.Stop(frames->composeCpu);
  } catch (const std::exception& e) {
    Cost c;
    c.ok = false;
    c.error = e.what();
    return c;
  }
}

// The wipe floor must see exactly the composer's frames.
bool WipeMatchesComposer() {
  WipeFrames wipe;
  slideshow::TSlideshowTimeline timeline;
  Prepare(timeline);
  gfx::Bitmap bitmap(timeline.FrameWidth, timeline.FrameHeight);
  const size_t row = size_t(timeline.FrameWidth) * 4;
  for (;;) {
    timeline.EffectIndex = 5;
    const bool composed = timeline.FIAReadFrameCanvas(bitmap.GetCanvas()) >= 0;
    const uint8_t* mine = wipe.Next();
    if (!composed || !mine) return !composed && !mine;
    for (int y = 0; y < bitmap.Height(); ++y)
      if (std::memcmp(mine + y * row, bitmap.ScanLine(y), row) != 0) return false;
  }
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// LS_BENCH_ONLY=ours|floor: one run of that side in this process, for a
// profiler (perf, callgrind, heaptrack), with its cost printed.
bool RunOnlyOneSide(benchmark::State& state, int effect) {
  const char* only = std::getenv("LS_BENCH_ONLY");
  if (!only) return false;
  const std::string side = only;
  if (side != "ours" && side != "floor") {
    state.SkipWithError("LS_BENCH_ONLY must be ours or floor");
    return true;
  }
  for (auto _ : state) {
    const Cost c = side == "ours" ? RunSlideshow(effect) : RunFloor(effect);
    if (!c.ok) {
      state.SkipWithError(c.error.c_str());
      return true;
    }
    std::fprintf(stderr, "%s: %.2f s wall %.2f s cpu\n", side.c_str(), c.wall, c.cpu);
    state.counters[side + "_cpu_s"] = c.cpu;
  }
  return true;
}

void RunPairs(benchmark::State& state, int effect) {
  if (RunOnlyOneSide(state, effect)) return;
  if (effect == 5 && !WipeMatchesComposer()) {
    state.SkipWithError("the floor's wipe differs from the composer's");
    return;
  }
  // One of each first, so that neither meets cold files on disk
  // (LS_BENCH_WARMUP=0 leaves it out).
  const char* warmUp = std::getenv("LS_BENCH_WARMUP");
  const bool warm = !(warmUp && std::string(warmUp) == "0");
  if (warm && (!InChild([&] { return RunSlideshow(effect); }).ok ||
               !InChild([&] { return RunFloor(effect); }).ok)) {
    state.SkipWithError("a warm-up run failed");
    return;
  }
  for (auto _ : state) {
    std::vector<double> oursWall, oursCpu, floorWall, floorCpu, wallRatio, cpuRatio, oursMem, floorMem;
    for (int i = 0; i < Pairs(); ++i) {
      Cost ours, floor;
      const auto runOurs = [&] { ours = InChild([&] { return RunSlideshow(effect); }); };
      const auto runFloor = [&] { floor = InChild([&] { return RunFloor(effect); }); };
      if (i % 2 == 0) runOurs(), runFloor();
      else runFloor(), runOurs();
      if (!ours.ok || !floor.ok) {
        state.SkipWithError((ours.ok ? floor.error : ours.error).c_str());
        return;
      }
      std::fprintf(stderr, "pair %d: ours %.2f s wall %.2f s cpu %.0f MiB, floor %.2f s wall %.2f s cpu %.0f MiB\n",
                   i + 1, ours.wall, ours.cpu, ours.peakMiB, floor.wall, floor.cpu, floor.peakMiB);
      oursWall.push_back(ours.wall), oursCpu.push_back(ours.cpu), oursMem.push_back(ours.peakMiB);
      floorWall.push_back(floor.wall), floorCpu.push_back(floor.cpu), floorMem.push_back(floor.peakMiB);
      wallRatio.push_back(ours.wall / floor.wall), cpuRatio.push_back(ours.cpu / floor.cpu);
    }
    state.counters["ours_wall_s"] = Median(oursWall);
    state.counters["floor_wall_s"] = Median(floorWall);
    state.counters["wall_ratio"] = Median(wallRatio);
    state.counters["ours_cpu_s"] = Median(oursCpu);
    state.counters["floor_cpu_s"] = Median(floorCpu);
    state.counters["cpu_ratio"] = Median(cpuRatio);
    state.counters["ours_peak_MiB"] = Median(oursMem);
    state.counters["floor_peak_MiB"] = Median(floorMem);
  }
}

void BM_Wipe(benchmark::State& state) { RunPairs(state, 5); }
void BM_AllEffects(benchmark::State& state) { RunPairs(state, 0); }

BENCHMARK(BM_Wipe)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_AllEffects)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
