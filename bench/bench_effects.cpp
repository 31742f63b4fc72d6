// Time per frame of every transition that has a procedure, at the largest
// frame size, drawn as the slideshow draws it. Each benchmark runs progress
// 1..99 twice, so its mean is the mean over a whole transition. Restoring
// the old picture before each frame is not timed. Effects run on one thread,
// so the thread's CPU time is the frame time without the noise of other
// processes on a shared machine. Targets: every effect under 6 ms per
// frame, the median effect under 2 ms.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <time.h>
#include <unistd.h>
#include <vector>

#include "effects/effect.h"
#include "gfx/bitmap.h"
#include "gfx/canvas.h"
#include "gfx/random.h"

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 960;
constexpr int kPasses = 2;

struct Pictures {
  gfx::Bitmap oldPic{kWidth, kHeight};
  gfx::Bitmap newPic{kWidth, kHeight};
  gfx::Bitmap display{kWidth, kHeight};

  Pictures() {
    // Smooth but distinct content; effects do not branch on colour, but the
    // blending ones should work on something other than zeros.
    for (int y = 0; y < kHeight; ++y) {
      uint8_t* o = oldPic.ScanLine(y);
      uint8_t* n = newPic.ScanLine(y);
      for (int x = 0; x < kWidth; ++x) {
        o[4 * x] = uint8_t(x), o[4 * x + 1] = uint8_t(y), o[4 * x + 2] = uint8_t(x + y);
        n[4 * x] = uint8_t(y * 3), n[4 * x + 1] = uint8_t(x ^ y), n[4 * x + 2] = uint8_t(x * 5);
      }
    }
  }

  void Restore() {
    std::memcpy(display.Bits(), oldPic.Bits(), size_t(oldPic.Stride()) * oldPic.Height());
  }
};

double ThreadSeconds() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

void DrawFrames(benchmark::State& state, Pictures& pics, effects::TEffectProc proc) {
  gfx::Canvas& canvas = pics.display.GetCanvas();
  canvas.SetStretchMode(gfx::StretchMode::ColorOnColor);
  int progress = 0;
  for (auto _ : state) {
    progress = progress % 99 + 1;
    pics.Restore();
    const effects::Extents e = effects::ProgressExtents(kWidth, kHeight, progress);
    const double start = ThreadSeconds();
    proc(pics.display, pics.newPic, kWidth, kHeight, e.X, e.Y, progress);
    state.SetIterationTime(ThreadSeconds() - start);
  }
}

// Adds the median and the slowest effect to the usual console table.
class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  SummaryReporter() : ConsoleReporter(isatty(fileno(stdout)) ? OO_Defaults : OO_Tabular) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs)
      if (!r.error_occurred) means_.push_back({r.GetAdjustedRealTime(), r.benchmark_name()});
    ConsoleReporter::ReportRuns(runs);
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    if (means_.empty()) return;
    std::sort(means_.begin(), means_.end());
    const double median = means_.size() % 2
                              ? means_[means_.size() / 2].first
                              : (means_[means_.size() / 2 - 1].first + means_[means_.size() / 2].first) / 2;
    std::printf("\n%zu effects: median %.3f ms per frame, slowest %.3f ms (%s)\n", means_.size(),
                median, means_.back().first, means_.back().second.c_str());
  }

 private:
  std::vector<std::pair<double, std::string>> means_;  // ms per frame, name
};

std::string BenchmarkName(int row) {
  char prefix[16];
  std::snprintf(prefix, sizeof prefix, "Effect%03d/", row);
  std::string name = prefix;
  for (const char* c = effects::EffectAt(row).Name; *c; ++c) name += *c == ' ' ? '_' : *c;
  return name;
}

}  // namespace

int main(int argc, char** argv) {
  Pictures pics;
  gfx::SetRandSeed(1);
  for (int row = 1; row <= effects::kEffectCount; ++row) {
    const effects::TEffectProc proc = effects::EffectAt(row).Proc;
    benchmark::RegisterBenchmark(BenchmarkName(row).c_str(),
                                 [&pics, proc](benchmark::State& s) { DrawFrames(s, pics, proc); })
        ->UseManualTime()
        ->Iterations(99 * kPasses)
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
