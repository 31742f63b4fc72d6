// The headless renderer's run, in process: a 300-frame slideshow at 640x480
// paced in real time (wall time against the 10 s it plays) and unpaced (how
// far ahead of real time the machine renders it).
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>

#include "cli/media_checks.h"
#include "cli/output_summary.h"
#include "cli/slideshow_render.h"
#include "slideshow/test_pictures.h"

namespace {

namespace fs = std::filesystem;

// 4 pictures at 30/1: 30 x 5 transition frames + 37 x 4 hold frames + 2.
constexpr int kFrames = 300;
constexpr double kContentSeconds = kFrames / 30.0;

cli::RenderOptions Workload(const fs::path& dir) {
  cli::RenderOptions o;
  for (int k = 0; k < 4; ++k) {
    const fs::path p = dir / ("p" + std::to_string(k) + ".bmp");
    testpics::WriteBmp24(p, 800 - 100 * k, 600, [k](int x, int y) {
      return uint32_t((x * 255 / 800) << 16 | (y * 255 / 600) << 8 | 60 * k);
    });
    o.Pictures.push_back(p.string());
  }
  o.FrameSize = "640x480";
  o.PictureDelay = "1.2333";
  o.TransitionDelay = "1.0";
  o.Quiet = true;
  return o;
}

void BM_SlideshowRun(benchmark::State& state) {
  static const std::string loadError = cli::LoadMediaLibraries();
  if (!loadError.empty()) {
    state.SkipWithError(loadError.c_str());
    return;
  }
  const fs::path dir = testpics::ScratchDir("bench-render");
  cli::RenderOptions o = Workload(dir);
  o.RealTime = state.range(0) != 0;
  const std::string file = (dir / "out.mp4").string();
  double wall = 0;
  int64_t frames = 0;
  const std::string outputOptions =
      cli::OutputOptions(o, cli::PickVideoEncoder(o.Encoding, cli::MachineEncoderProbe()), false);
  for (auto _ : state) {
    cli::SlideshowRender render(o);
    const auto start = std::chrono::steady_clock::now();
    const cli::RenderOutcome outcome = render.Run(file, outputOptions, nullptr);
    wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (outcome.kind == cli::RenderOutcome::Failed) {
      state.SkipWithError(outcome.error.c_str());
      return;
    }
    frames = cli::CountVideoFrames(file);
  }
  state.counters["frames"] = double(frames);
  state.counters["wall_per_content"] = wall / double(state.iterations()) / kContentSeconds;
}
BENCHMARK(BM_SlideshowRun)
    ->ArgName("realtime")
    ->Arg(1)
    ->Arg(0)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
BENCHMARK_MAIN();
