// BGRA to YUV 4:2:0 per frame: libswscale's general path, which the filter
// graph runs today, against libyuv's luma with our own chroma (made as
// libswscale makes it, within one level), which replaces it where the graph
// only converts. One thread each. Arguments: width, height. Time them with
// --benchmark_enable_random_interleaving and repetitions, so the two paths
// alternate on a shared machine.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "engine/bgra_to_yuv.h"
#include "media/binding/ff_entry_points.h"
#include "media/binding/ff_loader.h"

namespace {

bool Libraries() {
  static const bool ok = media::FFLoader().LoadLibrarySet(media::LibraryBit(media::liAVUtil) |
                                                          media::LibraryBit(media::liSWScale));
  return ok;
}

struct Frames {
  int w, h;
  std::vector<uint8_t> bgra, yuv;
  uint8_t* planes[4];
  int strides[4];
  Frames(int width, int height) : w(width), h(height), bgra(size_t(w) * h * 4) {
    for (size_t i = 0; i < bgra.size(); ++i)
      bgra[i] = uint8_t(128 + 100 * std::sin(double(i % (size_t(w) * 4)) * 0.003 + double(i) * 1e-6));
    yuv.resize(size_t(ff::av_image_get_buffer_size(AV_PIX_FMT_YUV420P, w, h, 64)));
    ff::av_image_fill_arrays(planes, strides, yuv.data(), AV_PIX_FMT_YUV420P, w, h, 64);
  }
};

void BM_Libswscale(benchmark::State& state) {
  if (!Libraries()) return state.SkipWithError("libraries not loaded");
  Frames f(int(state.range(0)), int(state.range(1)));
  SwsContext* sws = ff::sws_getContext(f.w, f.h, AV_PIX_FMT_BGRA, f.w, f.h, AV_PIX_FMT_YUV420P,
                                       SWS_BICUBIC, nullptr, nullptr, nullptr);
  if (!sws) return state.SkipWithError("no scaler");
  const uint8_t* in[1] = {f.bgra.data()};
  const int inStride[1] = {f.w * 4};
  for (auto _ : state) ff::sws_scale(sws, in, inStride, 0, f.h, f.planes, f.strides);
  ff::sws_freeContext(sws);
}

// Argument 2: 0 for the fastest chroma kernels, 1 for the portable ones.
void BM_Libyuv(benchmark::State& state) {
  if (!Libraries()) return state.SkipWithError("libraries not loaded");
  Frames f(int(state.range(0)), int(state.range(1)));
  const auto kernels = state.range(2) ? engine::Kernels::kPortable : engine::Kernels::kFastest;
  std::vector<int16_t> scratch;
  if (!engine::ConvertPlain(AV_PIX_FMT_BGRA, f.bgra.data(), f.w * 4, AV_PIX_FMT_YUV420P, f.planes,
                            f.strides, f.w, f.h, scratch, kernels))
    return state.SkipWithError("no conversion");
  for (auto _ : state)
    benchmark::DoNotOptimize(engine::ConvertPlain(AV_PIX_FMT_BGRA, f.bgra.data(), f.w * 4,
                                                  AV_PIX_FMT_YUV420P, f.planes, f.strides, f.w, f.h,
                                                  scratch, kernels));
}

BENCHMARK(BM_Libswscale)->Args({1280, 960})->Args({1920, 1080})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Libyuv)
    ->Args({1280, 960, 0})
    ->Args({1920, 1080, 0})
    ->Args({1280, 960, 1})
    ->Args({1920, 1080, 1})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
