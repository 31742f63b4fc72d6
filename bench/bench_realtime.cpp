// Pacing of a real-time ("-re") frame source: wall time of a run against the
// length of the video it makes. The counter "pace" is their ratio (1.0 is
// exact; above it the run falls behind real time).
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>

#include "engine/transcoder.h"
#include "media/ff_loader.h"
#include "media/ff_logger.h"
#include "media/frame_input_adapter.h"
#include "media/main_thread.h"

namespace {

constexpr int kFrames = 60;
constexpr int kRate = 20;

void BM_RealTimeSource(benchmark::State& state) {
  media::InitMainThread();
  media::FFLoader().SetLibraryFolder("");
  if (!media::FFLoader().LoadLibrarySet(media::kAllLibraries)) {
    state.SkipWithError("media libraries not found");
    return;
  }
  media::RegisterFrameInputFormat();
  media::DefaultLogger().SetLogLevel(media::llError);
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

}  // namespace

BENCHMARK_MAIN();
