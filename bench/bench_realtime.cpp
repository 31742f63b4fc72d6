// Pacing of a real-time ("-re") frame source: wall time of a run against the
// length of the video it makes. The counter "pace" is their ratio (1.0 is
// exact; above it the run falls behind real time).
//
// BM_RealTimeSlideshow: a 10 s slideshow of three generated 4000x3000
// photos at 640x480, 30/1: frames written, duplicates and drops, and the
// longest frame request (the composer's time for one frame) against one
// frame period ("longest_request_periods" below 1 keeps the clock).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "photo_file.h"
#include "slideshow/slideshow_timeline.h"

#include "engine/transcoder.h"
#include "media/binding/ff_loader.h"
#include "media/binding/ff_logger.h"
#include "media/frame_source/frame_input_adapter.h"
#include "media/bridges/main_thread.h"

namespace {

// Loads the media libraries once per benchmark; false (and skipped) without them.
bool MediaReady(benchmark::State& state) {
  media::InitMainThread();
  media::FFLoader().SetLibraryFolder("");
  if (!media::FFLoader().LoadLibrarySet(media::kAllLibraries)) {
    state.SkipWithError("media libraries not found");
    return false;
  }
  media::RegisterFrameInputFormat();
  media::DefaultLogger().SetLogLevel(media::llError);
  return true;
}

constexpr int kFrames = 60;
constexpr int kRate = 20;

void BM_RealTimeSource(benchmark::State& state) {
  if (!MediaReady(state)) return;
  const std::string out =
      (std::filesystem::temp_directory_path() / "ls_bench_realtime.mp4").string();
  for (auto _ : state) {
    int drawn = 0;
    media::TFrameInputAdapter adapter;
    adapter.OnReadFrameCanvas = [&](media::TFrameInputAdapter*, gfx::Canvas& canvas,
                                    media::PInputFrameInfo) {
      if (drawn == kFrames) return -1;
      canvas.FillRect(canvas.Owner().Bounds(), gfx::Color(0x102030 + drawn++ * 4));
      return 0;
    };
    engine::TTranscoder engine;
    engine.ParseOptions("-f frameinput -re -input_type canvas -pix_fmt bgra -r 20/1 -s 320x240");
    if (engine.OpenInput(adapter.InputFileName()) < 0) {
      state.SkipWithError(engine.LastErrorText().c_str());
      return;
    }
    engine.ParseOptions("-c:v libx264 -r 20/1 -s 320x240");
    if (engine.OpenOutput(out) < 0) {
      state.SkipWithError(engine.LastErrorText().c_str());
      return;
    }
    const auto start = std::chrono::steady_clock::now();
    engine.Run();
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (engine.ErrorOccurred()) state.SkipWithError(engine.ErrorMessage().c_str());
    // The last frame is due one frame before the end.
    state.counters["pace"] = wall / (double(kFrames - 1) / kRate);
  }
  std::filesystem::remove(out);
}

BENCHMARK(BM_RealTimeSource)->Iterations(3)->Unit(benchmark::kSecond)->UseRealTime();

void BM_RealTimeSlideshow(benchmark::State& state) {
  if (!MediaReady(state)) return;
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "ls_bench_realtime";
  std::filesystem::create_directories(dir);
  std::vector<std::string> pictures;
  for (int i = 0; i < 3; ++i) {
    const std::filesystem::path p = dir / ("photo" + std::to_string(i) + ".jpg");
    if (!std::filesystem::exists(p)) benchphotos::WritePhoto(p, 4000, 3000, i);
    pictures.push_back(p.string());
  }
  const std::string out = (dir / "slideshow.mp4").string();
  for (auto _ : state) {
    slideshow::TSlideshowTimeline timeline;
    timeline.Pictures = pictures;
    timeline.BreakWhenNoPictures = false;
    slideshow::TimelineSettings settings;
    settings.FrameSize = "640x480";
    timeline.PrepareTimeline(settings);
    double longest = 0, longestLater = 0;
    int requests = 0;
    media::TFrameInputAdapter adapter;
    adapter.OnReadFrameCanvas = [&](media::TFrameInputAdapter*, gfx::Canvas& canvas,
                                    media::PInputFrameInfo) {
      const auto start = std::chrono::steady_clock::now();
      const int r = timeline.ReadFrameOntoKeptCanvas(canvas);
      const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      longest = std::max(longest, took);
      if (++requests > 1) longestLater = std::max(longestLater, took);
      return r == slideshow::TSlideshowTimeline::kFrameKept ? media::kFrameUnchanged : r;
    };
    int32_t written = 0;
    engine::TTranscoder engine;
    engine.OnProgress = [&](const engine::ProgressValues& v) { written = std::max(written, v.FrameNumber); };
    engine.ParseOptions("-f frameinput -re -input_type canvas -pix_fmt bgra -r 30/1 -s 640x480");
    if (engine.OpenInput(adapter.InputFileName()) < 0) {
      state.SkipWithError(engine.LastErrorText().c_str());
      return;
    }
    engine.ParseOptions("-c:v libx264 -r 30/1 -s 640x480");
    if (engine.OpenOutput(out) < 0) {
      state.SkipWithError(engine.LastErrorText().c_str());
      return;
    }
    engine.Run();
    if (engine.ErrorOccurred()) state.SkipWithError(engine.ErrorMessage().c_str());
    state.counters["frames"] = double(timeline.TotalFrames());
    state.counters["written"] = written;
    state.counters["dups"] = double(engine.DupCount());
    state.counters["drops"] = double(engine.DropCount());
    state.counters["longest_request_ms"] = longest * 1000;
    state.counters["longest_request_periods"] = longest * 30;
    // The first request waits for the first picture if it is not made yet.
    state.counters["longest_later_request_ms"] = longestLater * 1000;
  }
  std::filesystem::remove(out);
}

BENCHMARK(BM_RealTimeSlideshow)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
