// The whole slideshow pipeline against an encode-only baseline: the same
// number of ready-made BGRA frames through the same frame source, scale
// filter, libx264 and libmp3lame. The ratio shows what composing costs.
#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "slideshow/slideshow_timeline.h"
#include "engine/transcoder.h"
#include "media/ff_loader.h"
#include "wav_file.h"
#include "media/ff_logger.h"
#include "media/frame_input_adapter.h"
#include "media/main_thread.h"

namespace {

namespace fs = std::filesystem;

constexpr int kPictures = 10;
constexpr double kAudioSeconds = 31.0;

fs::path Dir() {
  const fs::path dir = fs::temp_directory_path() / "ls_bench_pipeline";
  fs::create_directories(dir);
  return dir;
}

void WriteJpeg(const fs::path& path, int w, int h, int seed) {
  std::vector<uint8_t> rgb(size_t(w) * h * 3);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = &rgb[(size_t(y) * w + x) * 3];
      p[0] = uint8_t(128 + 120 * std::sin((x + seed * 37) * 0.01));
      p[1] = uint8_t(128 + 120 * std::cos((y + seed * 53) * 0.013));
      p[2] = uint8_t((x ^ y ^ seed) & 0xFF);
    }
  tjhandle tj = tjInitCompress();
  unsigned char* out = nullptr;
  unsigned long size = 0;
  tjCompress2(tj, rgb.data(), w, 0, h, TJPF_RGB, &out, &size, TJSAMP_420, 90, 0);
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(out), long(size));
  tjFree(out);
  tjDestroy(tj);
}

void WriteWav(const fs::path& path, double seconds) {
  const int rate = 44100;
  testwav::WritePcm16(path, rate, 2, uint32_t(seconds * rate), [](int c, uint32_t i) {
    return int16_t(9000 * std::sin(i * (0.05 + 0.01 * c)));
  });
}

struct Inputs {
  std::vector<std::string> pictures;
  std::string audio;
  Inputs() {
    media::InitMainThread();
    media::FFLoader().SetLibraryFolder("");
    if (!media::FFLoader().LoadLibrarySet(media::kAllLibraries)) std::abort();
    media::RegisterFrameInputFormat();
    const fs::path dir = Dir();
    for (int i = 0; i < kPictures; ++i) {
      const fs::path p = dir / ("picture" + std::to_string(i) + ".jpg");
      if (!fs::exists(p)) WriteJpeg(p, 1600, 1200, i);
      pictures.push_back(p.string());
    }
    audio = (dir / "sound.wav").string();
    if (!fs::exists(audio)) WriteWav(audio, kAudioSeconds);
  }
};

const Inputs& TheInputs() {
  static const Inputs inputs;
  return inputs;
}

void ComposerSettings(slideshow::TSlideshowTimeline& timeline);

// Runs the application's task with `source` painting the frames.
void RunTask(benchmark::State& state, const media::TReadFrameCanvasEvent& source) {
  const Inputs& in = TheInputs();
  media::TFrameInputAdapter adapter;
  adapter.OnReadFrameCanvas = source;
  engine::TTranscoder engine;
  engine.ParseOptions("-f frameinput -input_type canvas -pix_fmt bgra -r 30/1 -s 1280x960");
  if (engine.OpenInput(adapter.InputFileName()) < 0 || engine.OpenInput(in.audio) < 0) {
    state.SkipWithError(engine.LastErrorText().c_str());
    return;
  }
  engine.ParseOptions("-c:v libx264 -c:a libmp3lame -r 30/1 -s 1280x960");
  if (engine.OpenOutput((Dir() / "out.mp4").string()) < 0) {
    state.SkipWithError(engine.LastErrorText().c_str());
    return;
  }
  media::DefaultLogger().SetLogLevel(media::llError);
  engine.Run();
  if (engine.ErrorOccurred()) state.SkipWithError(engine.ErrorMessage().c_str());
}

void BM_Slideshow(benchmark::State& state) {
  for (auto _ : state) {
    slideshow::TSlideshowTimeline timeline;
    ComposerSettings(timeline);
    state.counters["frames"] = double(timeline.TotalFrames());
    RunTask(state, [&](media::TFrameInputAdapter*, gfx::Canvas& canvas, media::PInputFrameInfo) {
      return timeline.FIAReadFrameCanvas(canvas);
    });
  }
}

void ComposerSettings(slideshow::TSlideshowTimeline& timeline) {
  timeline.Pictures = TheInputs().pictures;
  timeline.BreakWhenNoPictures = false;
  slideshow::TimelineSettings settings;
  settings.FrameSize = "1280x960";
  settings.PictureDelay = "2.0";
  settings.TransitionDelay = "1.0";
  timeline.PrepareTimeline(settings);
}

// The baseline's frames, made before timing starts: the encoder should see
// what it sees in a slideshow (still holds, moving transitions), so every
// frame is either a repeat or one of the distinct frames of a transition
// between two photos (the first one, out of black, is cheaper to encode).
struct ReadyFrames {
  static constexpr size_t kSkip = 31;  // first transition and first hold
  static constexpr size_t kDistinct = 31;
  size_t seen = 0;
  std::vector<std::vector<uint8_t>> distinct;
  std::vector<bool> repeat;  // per frame: same as the frame before
  ReadyFrames() {
    slideshow::TSlideshowTimeline timeline;
    ComposerSettings(timeline);
    gfx::Bitmap canvas(1280, 960);
    std::vector<uint8_t> previous, current(size_t(canvas.Stride()) * 960);
    while (timeline.FIAReadFrameCanvas(canvas.GetCanvas()) >= 0) {
      std::memcpy(current.data(), canvas.Bits(), current.size());
      const bool same = current == previous;
      repeat.push_back(same);
      if (!same && seen++ >= kSkip && distinct.size() < kDistinct) distinct.push_back(current);
      previous.swap(current);
      current.resize(previous.size());
    }
  }
};

void BM_EncodeOnly(benchmark::State& state) {
  const ReadyFrames ready;
  for (auto _ : state) {
    size_t handed = 0, next = 0;
    const std::vector<uint8_t>* last = &ready.distinct[0];
    state.counters["frames"] = double(ready.repeat.size());
    RunTask(state, [&](media::TFrameInputAdapter*, gfx::Canvas&, media::PInputFrameInfo info) {
      if (handed == ready.repeat.size()) return -1;
      if (!ready.repeat[handed++]) last = &ready.distinct[next++ % ready.distinct.size()];
      std::memcpy(info->Bitmap->Bits(), last->data(), last->size());
      return 0;
    });
  }
}

BENCHMARK(BM_EncodeOnly)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_Slideshow)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
