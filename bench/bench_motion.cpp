// One frame of a moving picture at 1920x1080 from a 24-megapixel photo: the
// per-frame cost of pan and zoom, beside libswscale's bilinear scale of the
// same kept picture onto the same frame (the library's way to do this work,
// though it cannot place the picture at fractions of a pixel).
#include <benchmark/benchmark.h>

extern "C" {
#include <libswscale/swscale.h>
}

#include <filesystem>
#include <memory>

#include "photo_file.h"
#include "slideshow/framing.h"

namespace {

constexpr int kW = 1920, kH = 1080;

// Made once: the 24-megapixel photo and its framed picture.
slideshow::FramedPicture& Framed() {
  static std::unique_ptr<slideshow::FramedPicture> framed = [] {
    const auto path = std::filesystem::temp_directory_path() / "ls_bench_motion_24mp.jpg";
    if (!std::filesystem::exists(path)) benchphotos::WritePhoto(path, 6000, 4000, 3);
    auto f = std::make_unique<slideshow::FramedPicture>();
    slideshow::MotionSpec motion;
    motion.kind = slideshow::MotionKind::ZoomIn;
    f->Make(path.string(), true, kW, kH, {slideshow::FitMode::Fill}, motion, 0);
    return f;
  }();
  return *framed;
}

void BM_MotionFrame1080p(benchmark::State& state) {
  slideshow::FramedPicture& framed = Framed();
  gfx::Bitmap frame(kW, kH);
  int step = 0;
  for (auto _ : state) {
    framed.PaintAt((step++ % 150) / 149.0, frame);
    benchmark::DoNotOptimize(frame.Bits());
  }
  state.counters["kept_w"] = framed.Kept().Width();
  state.counters["kept_h"] = framed.Kept().Height();
}
BENCHMARK(BM_MotionFrame1080p)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly();

void BM_SwsBilinearFloor(benchmark::State& state) {
  const gfx::Bitmap& kept = Framed().Kept();
  gfx::Bitmap frame(kW, kH);
  SwsContext* sws = sws_getContext(kept.Width(), kept.Height(), AV_PIX_FMT_BGRA, kW, kH,
                                   AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr);
  // Bottom-up bitmaps: start at the top row and walk with a negative stride.
  const uint8_t* in[4] = {kept.ScanLine(0)};
  const int inStride[4] = {-kept.Stride()};
  uint8_t* out[4] = {frame.ScanLine(0)};
  const int outStride[4] = {-frame.Stride()};
  for (auto _ : state) {
    sws_scale(sws, in, inStride, 0, kept.Height(), out, outStride);
    benchmark::DoNotOptimize(frame.Bits());
  }
  sws_freeContext(sws);
}
BENCHMARK(BM_SwsBilinearFloor)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly();

// Framing a 24-megapixel picture already in memory, still: fit against blur,
// whose difference is the blurred backdrop's cost, made once per picture.
void BM_FrameStill24mp(benchmark::State& state) {
  static gfx::Bitmap photo(6000, 4000);
  static bool drawn = false;
  for (int y = 0; !drawn && y < photo.Height(); ++y)
    for (int x = 0; x < photo.Width(); ++x)
      reinterpret_cast<uint32_t*>(photo.ScanLine(y))[x] = uint32_t(x * 7 + y * 13) * 2654435761u;
  drawn = true;
  const auto mode = static_cast<slideshow::FitMode>(state.range(0));
  slideshow::FramedPicture framed;
  for (auto _ : state) framed.Make(photo, kW, kH, {mode}, {}, 0);
}
BENCHMARK(BM_FrameStill24mp)->Arg(int(slideshow::FitMode::Fit))->Arg(int(slideshow::FitMode::Blur))
    ->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();

}  // namespace

BENCHMARK_MAIN();
