// Per-frame costs of the media front end at the largest frame size, and the
// cost of a library log line.
#include <benchmark/benchmark.h>

#include <cstdarg>
#include <vector>

#include "media/binding/ff_entry_points.h"
#include "media/binding/ff_loader.h"
#include "media/binding/ff_logger.h"
#include "media/picture/format_converter.h"
#include "media/bridges/main_thread.h"

namespace {

using namespace media;

constexpr int kW = 1280, kH = 960;

struct Picture {
  std::vector<uint8_t> memory;
  TPicture p;
  Picture(AVPixelFormat f, int w, int h) {
    memory.resize(size_t(ff::av_image_get_buffer_size(f, w, h, 1)));
    ff::av_image_fill_arrays(p.data, p.linesize, memory.data(), f, w, h, 1);
  }
};

bool Libraries() {
  static const bool ok = FFLoader().LoadLibrarySet(LibraryBit(liAVUtil) | LibraryBit(liSWScale));
  return ok;
}

// A frame already in the bitmap's format: one row copy per line.
void BM_LoadMatchingFrame(benchmark::State& state) {
  if (!Libraries()) return state.SkipWithError("libraries not loaded");
  TFormatConverter c;
  c.SetBitsPerPixel(32);
  Picture frame(AV_PIX_FMT_BGRA, kW, kH);
  for (auto _ : state) benchmark::DoNotOptimize(c.LoadFramePicture(frame.p, AV_PIX_FMT_BGRA, kW, kH, true));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LoadMatchingFrame)->Unit(benchmark::kMillisecond);

// A decoded frame (planar YUV) into a 32-bit bitmap.
void BM_LoadYuvFrame(benchmark::State& state) {
  if (!Libraries()) return state.SkipWithError("libraries not loaded");
  TFormatConverter c;
  c.SetBitsPerPixel(32);
  Picture frame(AV_PIX_FMT_YUV420P, kW, kH);
  for (auto _ : state) benchmark::DoNotOptimize(c.LoadFramePicture(frame.p, AV_PIX_FMT_YUV420P, kW, kH, true));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LoadYuvFrame)->Unit(benchmark::kMillisecond);

// The bitmap back into an encoder's planar picture.
void BM_StoreYuvFrame(benchmark::State& state) {
  if (!Libraries()) return state.SkipWithError("libraries not loaded");
  TFormatConverter c;
  c.SetBitsPerPixel(32);
  Picture frame(AV_PIX_FMT_BGRA, kW, kH);
  Picture out(AV_PIX_FMT_YUV420P, kW, kH);
  c.LoadFramePicture(frame.p, AV_PIX_FMT_BGRA, kW, kH, true);
  for (auto _ : state) benchmark::DoNotOptimize(c.StorePicture(out.p, AV_PIX_FMT_YUV420P, kW, kH));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_StoreYuvFrame)->Unit(benchmark::kMillisecond);

void LibraryLog(int level, const char* format, ...) {
  va_list args;
  va_start(args, format);
  LibraryLogCallback(nullptr, level, format, args);
  va_end(args);
}

// A library line delivered to a handler on the main thread.
void BM_LibraryLogLine(benchmark::State& state) {
  InitMainThread();
  TFFLogger logger;
  size_t total = 0;
  logger.SetOnLog([&](const void*, uint32_t, TLogLevel, const std::string& m) { total += m.size(); });
  int n = 0;
  for (auto _ : state) LibraryLog(AV_LOG_ERROR, "frame=%d fps=%d q=%.1f\n", ++n, 30, 23.5);
  benchmark::DoNotOptimize(total);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LibraryLogLine);

// A line above the level in force: must cost next to nothing.
void BM_LibraryLogFiltered(benchmark::State& state) {
  for (auto _ : state) LibraryLog(AV_LOG_DEBUG, "packet %d\n", 1);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LibraryLogFiltered);

}  // namespace

BENCHMARK_MAIN();
