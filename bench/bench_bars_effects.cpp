// Cost of one frame of each bar, shred, speckle, square and blind transition
// at the largest frame size, averaged over the whole transition (1..99).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <string>

#include "effects/effect.h"
#include "gfx/bitmap.h"
#include "gfx/random.h"

namespace {

constexpr int kW = 1280, kH = 960;

void Noise(gfx::Bitmap& b, uint32_t seed) {
  std::mt19937 rng(seed);
  for (int y = 0; y < b.Height(); ++y) {
    auto* row = reinterpret_cast<uint32_t*>(b.ScanLine(y));
    for (int x = 0; x < b.Width(); ++x) row[x] = rng();
  }
}

// One iteration draws the 99 frames of a transition; the counter gives the
// mean (CPU) time of one frame in seconds.
void BM_Row(benchmark::State& state, int row) {
  gfx::Bitmap display(kW, kH), image(kW, kH);
  Noise(display, 1);
  Noise(image, 2);
  const effects::TEffectProc proc = effects::EffectAt(row).Proc;
  if (!proc) {
    state.SkipWithError("row not bound");
    return;
  }
  gfx::SetRandSeed(1);
  for (auto _ : state) {
    for (int progress = 1; progress <= 99; ++progress) {
      const effects::Extents e = effects::ProgressExtents(kW, kH, progress);
      proc(display, image, kW, kH, e.X, e.Y, progress);
    }
    benchmark::DoNotOptimize(display.Bits());
  }
  state.counters["s_per_frame"] = benchmark::Counter(
      99, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

const int kRows[] = {60,  61,  62,  63,  64,  65,  66,  67,  68,  71,  72,  73,  74,  75,  76,
                     77,  78,  79,  86,  87,  88,  89,  90,  91,  92,  93,  94,  95,  96,  97,
                     98,  99,  100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 124, 125, 126,
                     127, 128, 137, 138, 139, 140, 141, 142, 143, 146, 147, 148, 149};

const bool kRegistered = [] {
  for (int row : kRows) {
    const std::string name = "BM_Row/" + std::to_string(row);
    benchmark::RegisterBenchmark(name.c_str(), BM_Row, row)->Unit(benchmark::kMillisecond);
  }
  return true;
}();

}  // namespace

BENCHMARK_MAIN();
