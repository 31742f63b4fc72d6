// Drawing-layer costs per frame at the largest frame size, 1280x960 at 32 bits.
#include <benchmark/benchmark.h>

extern "C" {
#include <libswscale/swscale.h>
}

#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include <emmintrin.h>

#include "gfx/arith.h"
#include "gfx/canvas.h"
#include "gfx/orientation.h"
#include "gfx/picture_file.h"
#include "gfx/region.h"
#include "gfx/row_copy.h"
#include "gfx/smooth_stretch.h"
#include "gfx/jpeg_writer.h"  // from the tests
#include "slideshow/slideshow_timeline.h"

namespace {

using namespace gfx;

constexpr int kW = 1280, kH = 960;

void Noise(Bitmap& b, uint32_t seed) {
  std::mt19937 rng(seed);
  for (int y = 0; y < b.Height(); ++y) {
    auto* row = reinterpret_cast<uint32_t*>(b.ScanLine(y));
    for (int x = 0; x < b.Width(); ++x) row[x] = rng();
  }
}

// Many thin horizontal rectangles, as a bar or shred pattern gives.
std::vector<Rect> BarPattern(int count) {
  std::vector<Rect> rs;
  std::mt19937 rng(1);
  const int perRow = 10;
  for (int i = 0; i < count; ++i) {
    const int row = (i / perRow) * 2 % kH;
    const int slot = i % perRow;
    const int left = slot * (kW / perRow) + int(rng() % 40);
    rs.push_back({left, row, left + 60 + int(rng() % 40), row + 1});
  }
  return rs;
}

// The zigzag band across the frame at half progress.
std::vector<Point> Zigzag(int progress) {
  const int s = kW / 10, n = kH / 10, m = kH / 2;
  const int x = MulDiv(kW, progress, 100), y = MulDiv(x, kH, kW);
  const int c = MulDiv(n, progress, 100) + y / 2;
  std::vector<Point> pts(24);
  for (int k = 1; k <= 12; ++k) {
    const bool odd = k % 2 == 1;
    pts[size_t(k - 1)] = {(k - 1) * s, odd ? m - c + n : m - c - n};
    pts[size_t(24 - k)] = {(k - 1) * s, odd ? m + c + n : m + c - n};
  }
  return pts;
}

void BM_CopyFullFrame(benchmark::State& state) {
  Bitmap src(kW, kH), dst(kW, kH);
  Noise(src, 1);
  for (auto _ : state) {
    dst.GetCanvas().CopyRect(0, 0, kW, kH, src, 0, 0);
    benchmark::DoNotOptimize(dst.Bits());
  }
}
BENCHMARK(BM_CopyFullFrame)->Unit(benchmark::kMicrosecond);

// Rows of a frame between two frame bitmaps that stay allocated, as the
// frame input's pooled bitmaps do: gfx::CopyBytes (what CopyRect uses)
// against the SSE2 loop it used before.
void HandLoopCopy(uint8_t* d, const uint8_t* s, size_t n) {
  for (; n >= 64; n -= 64, d += 64, s += 64) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 16));
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 32));
    const __m128i e = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 48));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d), a);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 16), b);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 32), c);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 48), e);
  }
  std::memcpy(d, s, n);
}

template <bool kHandLoop>
void BM_RowCopy(benchmark::State& state) {
  Bitmap src(kW, kH), dst(kW, kH);
  Noise(src, 1);
  const size_t row = size_t(src.Stride());
  for (auto _ : state) {
    for (int y = 0; y < kH; ++y) {
      if (kHandLoop) HandLoopCopy(dst.ScanLine(y), src.ScanLine(y), row);
      else gfx::CopyBytes(dst.ScanLine(y), src.ScanLine(y), row);
    }
    benchmark::DoNotOptimize(dst.Bits());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(row) * kH);
}
BENCHMARK(BM_RowCopy<false>)->Name("BM_RowCopy/CopyBytes")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RowCopy<true>)->Name("BM_RowCopy/sse2_hand_loop")->Unit(benchmark::kMicrosecond);

void BM_StretchLargePictureIntoFrame(benchmark::State& state) {
  Bitmap src(4000, 3000), dst(kW, kH);
  Noise(src, 2);
  for (auto _ : state) {
    dst.GetCanvas().StretchDraw({0, 0, kW, kH}, src);
    benchmark::DoNotOptimize(dst.Bits());
  }
}
BENCHMARK(BM_StretchLargePictureIntoFrame)->Unit(benchmark::kMicrosecond);

void BM_StretchSmallBlockUpToFrame(benchmark::State& state) {
  // The zoomed-in stage of a pixelation: a tiny block magnified past the frame.
  Bitmap src(kW, kH), dst(kW, kH);
  Noise(src, 3);
  for (auto _ : state) {
    dst.GetCanvas().StretchRect(-1228, -921, kW + 2456, kH + 1842, src, 614, 460, 52, 40);
    benchmark::DoNotOptimize(dst.Bits());
  }
}
BENCHMARK(BM_StretchSmallBlockUpToFrame)->Unit(benchmark::kMicrosecond);

void BM_SqueezeWithinFrame(benchmark::State& state) {
  Bitmap frame(kW, kH);
  Noise(frame, 4);
  for (auto _ : state) {
    frame.GetCanvas().StretchRect(640, 0, kW - 640, kH, frame, 0, 0, kW, kH);
    benchmark::DoNotOptimize(frame.Bits());
  }
}
BENCHMARK(BM_SqueezeWithinFrame)->Unit(benchmark::kMicrosecond);

void BM_MoveWithinFrame(benchmark::State& state) {
  Bitmap frame(kW, kH);
  Noise(frame, 5);
  for (auto _ : state) {
    frame.GetCanvas().CopyRect(0, 300, kW, kH - 300, frame, 0, 0);
    benchmark::DoNotOptimize(frame.Bits());
  }
}
BENCHMARK(BM_MoveWithinFrame)->Unit(benchmark::kMicrosecond);

void BM_RegionFrom5000Rects(benchmark::State& state) {
  const auto rs = BarPattern(5000);
  for (auto _ : state) {
    Region r = Region::FromRects(rs.data(), rs.size());
    benchmark::DoNotOptimize(r.Rects().data());
  }
}
BENCHMARK(BM_RegionFrom5000Rects)->Unit(benchmark::kMicrosecond);

void BM_CopyThrough5000RectRegion(benchmark::State& state) {
  const auto rs = BarPattern(5000);
  const Region clip = Region::FromRects(rs.data(), rs.size());
  Bitmap src(kW, kH), dst(kW, kH);
  Noise(src, 6);
  for (auto _ : state) {
    dst.GetCanvas().SelectClipRegion(&clip);
    dst.GetCanvas().CopyRect(0, 0, kW, kH, src, 0, 0);
    dst.GetCanvas().SelectClipRegion(nullptr);
    benchmark::DoNotOptimize(dst.Bits());
  }
  state.counters["rects"] = double(clip.Rects().size());
}
BENCHMARK(BM_CopyThrough5000RectRegion)->Unit(benchmark::kMicrosecond);

void BM_ZigzagPolygonRegion(benchmark::State& state) {
  const auto pts = Zigzag(50);
  for (auto _ : state) {
    Region r = Region::FromPolygon(pts.data(), pts.size(), FillMode::Winding);
    benchmark::DoNotOptimize(r.Rects().data());
  }
}
BENCHMARK(BM_ZigzagPolygonRegion)->Unit(benchmark::kMicrosecond);

void BM_TriangleGridUnion(benchmark::State& state) {
  // A shred grid: about 130 triangles or-ed into one region one by one.
  const int c = kW / 10 + 1, d = kH / 10 + 1;
  const int hw = MulDiv(c, 50, 50), hh = MulDiv(d, 50, 50);
  for (auto _ : state) {
    Region acc;
    for (int x = 0; x < kW; x += 2 * c)
      for (int y = 0; y < kH + d; y += 2 * d) {
        const Point tri[] = {{x + c - hw, y + d - hh}, {x + c, y + d + hh}, {x + c + hw, y + d - hh}};
        acc = Region::Combine(acc, Region::FromPolygon(tri, 3, FillMode::Winding),
                              CombineMode::Or);
      }
    benchmark::DoNotOptimize(acc.Rects().data());
  }
}
BENCHMARK(BM_TriangleGridUnion)->Unit(benchmark::kMicrosecond);

void BM_EllipseRing(benchmark::State& state) {
  // The frame minus a near-ellipse.
  const Region frame = Region::FromRect({0, 0, kW, kH});
  for (auto _ : state) {
    const Region e = Region::FromRoundRect({0, 0, kW, kH}, kW * 9 / 10, kH * 9 / 10);
    Region r = Region::Combine(frame, e, CombineMode::Xor);
    benchmark::DoNotOptimize(r.Rects().data());
  }
}
BENCHMARK(BM_EllipseRing)->Unit(benchmark::kMicrosecond);

// A 4000 x 3000 camera-sized photo: smooth shading with fine grain, so the
// entropy-coded data has a realistic size.
const std::string& CameraJpeg() {
  static const std::string path = [] {
    const int w = 4000, h = 3000;
    std::vector<uint8_t> rgb(size_t(w) * h * 3);
    std::mt19937 rng(7);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        uint8_t* p = &rgb[(size_t(y) * w + x) * 3];
        const int grain = int(rng() % 24);
        p[0] = uint8_t((x * 255 / w + grain) / 2 + 40);
        p[1] = uint8_t((y * 255 / h + grain) / 2 + 60);
        p[2] = uint8_t(((x + y) % 512 < 256 ? 200 : 60) + grain);
      }
    const std::string file = "/tmp/ls_bench_camera_4000x3000.jpg";
    const auto jpeg = jpegtest::Compress(rgb, w, h, TJPF_RGB, TJSAMP_420, 0, 90);
    std::FILE* f = std::fopen(file.c_str(), "wb");
    std::fwrite(jpeg.data(), 1, jpeg.size(), f);
    std::fclose(f);
    return file;
  }();
  return path;
}

// The whole picture decoded at full size, then stretched blockily into the frame.
void BM_DecodeFullAndStretch(benchmark::State& state) {
  const int fw = int(state.range(0)), fh = int(state.range(1));
  const std::string& path = CameraJpeg();
  Bitmap frame(fw, fh);
  for (auto _ : state) {
    Bitmap decoded;
    DecodePicture(path, decoded);
    const Rect dest =
        slideshow::TSlideshowTimeline::FitRect(decoded.Bounds(), {0, 0, fw, fh});
    frame.GetCanvas().StretchDraw(dest, decoded);
    benchmark::DoNotOptimize(frame.Bits());
  }
}
BENCHMARK(BM_DecodeFullAndStretch)->Args({1280, 960})->Args({320, 240})->Unit(benchmark::kMillisecond);

// The slideshow's own path: decode (at the frame's scale when smooth), fit,
// release. Arguments: frame width, height, smooth.
void BM_LoadPicture(benchmark::State& state) {
  slideshow::TSlideshowTimeline timeline;
  timeline.Pictures = {CameraJpeg()};
  slideshow::TimelineSettings settings;
  settings.FrameSize = std::to_string(state.range(0)) + "x" + std::to_string(state.range(1));
  settings.SmoothFit = state.range(2) != 0;
  timeline.PrepareTimeline(settings);
  for (auto _ : state) {
    timeline.LoadPicture(0);
    benchmark::DoNotOptimize(timeline.IncomingBitmap.Bits());
  }
}
BENCHMARK(BM_LoadPicture)
    ->ArgNames({"w", "h", "smooth"})
    ->Args({1280, 960, 0})
    ->Args({1280, 960, 1})
    ->Args({320, 240, 0})
    ->Args({320, 240, 1})
    ->Unit(benchmark::kMillisecond);

// libswscale's area downscale of the whole decoded picture into the fitted
// rectangle: the reference for the smooth fit's quality and a floor for its cost.
void SwsArea(const Bitmap& src, Bitmap& dst) {
  SwsContext* sws = sws_getContext(src.Width(), src.Height(), AV_PIX_FMT_BGR24, dst.Width(),
                                   dst.Height(), AV_PIX_FMT_BGR24, SWS_AREA | SWS_ACCURATE_RND,
                                   nullptr, nullptr, nullptr);
  const uint8_t* in[4] = {src.Bits()};
  const int in_stride[4] = {src.Stride()};
  uint8_t* out[4] = {dst.Bits()};
  const int out_stride[4] = {dst.Stride()};
  sws_scale(sws, in, in_stride, 0, src.Height(), out, out_stride);
  sws_freeContext(sws);
}

double MeanAbsoluteDifference(const Bitmap& a32, const Rect& r, const Bitmap& b24) {
  uint64_t sum = 0;
  for (int y = 0; y < b24.Height(); ++y) {
    const uint8_t* p = a32.ScanLine(r.Top + y) + r.Left * 4;
    const uint8_t* q = b24.ScanLine(y);
    for (int x = 0; x < b24.Width(); ++x)
      for (int c = 0; c < 3; ++c) sum += uint64_t(std::abs(int(p[x * 4 + c]) - int(q[x * 3 + c])));
  }
  return double(sum) / (3.0 * b24.Width() * b24.Height());
}

void BM_SwsAreaReference(benchmark::State& state) {
  const int fw = int(state.range(0)), fh = int(state.range(1));
  Bitmap whole;
  DecodeJpeg(CameraJpeg(), whole);
  const Rect fit = FitRect(whole.Bounds(), {0, 0, fw, fh});
  Bitmap reference(fit.Width(), fit.Height(), PixelFormat::pf24bit);
  for (auto _ : state) {
    Bitmap decoded;
    DecodeJpeg(CameraJpeg(), decoded);
    SwsArea(decoded, reference);
    benchmark::DoNotOptimize(reference.Bits());
  }
  // Quality of each fit against the reference, as mean absolute difference per channel.
  for (const bool smooth : {false, true}) {
    slideshow::TSlideshowTimeline timeline;
    timeline.Pictures = {CameraJpeg()};
    slideshow::TimelineSettings settings;
    settings.FrameSize = std::to_string(fw) + "x" + std::to_string(fh);
    settings.SmoothFit = smooth;
    timeline.PrepareTimeline(settings);
    timeline.LoadPicture(0);
    state.counters[smooth ? "mad_smooth" : "mad_blocky"] =
        MeanAbsoluteDifference(timeline.IncomingBitmap, fit, reference);
  }
  Bitmap area_only(fw, fh);
  SmoothStretch(area_only, fit, whole);
  state.counters["mad_area_whole"] = MeanAbsoluteDifference(area_only, fit, reference);
}
BENCHMARK(BM_SwsAreaReference)->Args({1280, 960})->Args({320, 240})->Unit(benchmark::kMillisecond);

void NoiseBytes(Bitmap& b) {
  std::mt19937 rng(2);
  uint8_t* p = b.Bits();
  for (size_t i = 0, n = size_t(b.Stride()) * b.Height(); i < n; ++i) p[i] = uint8_t(rng());
}

// Turning a 12-megapixel portrait photo upright (EXIF orientation 6), as
// every picture from a camera held sideways needs.
void BM_TurnPortraitUpright(benchmark::State& state) {
  const int bpp = int(state.range(0));
  const PixelFormat format = bpp == 3 ? PixelFormat::pf24bit : PixelFormat::pf32bit;
  Bitmap stored(4000, 3000, format);
  NoiseBytes(stored);
  for (auto _ : state) {
    state.PauseTiming();
    Bitmap turned(stored.Width(), stored.Height(), format);
    std::memcpy(turned.Bits(), stored.Bits(), size_t(stored.Stride()) * stored.Height());
    state.ResumeTiming();
    ApplyOrientation(turned, 6);
    benchmark::DoNotOptimize(turned.Bits());
  }
}
BENCHMARK(BM_TurnPortraitUpright)->Arg(3)->Arg(4)->Unit(benchmark::kMillisecond);

// The floor for the turn: the same bytes written once into a new picture,
// with the C library's copy.
void BM_CopyPortraitBytes(benchmark::State& state) {
  const int bpp = int(state.range(0));
  const PixelFormat format = bpp == 3 ? PixelFormat::pf24bit : PixelFormat::pf32bit;
  Bitmap stored(4000, 3000, format);
  NoiseBytes(stored);
  for (auto _ : state) {
    Bitmap copy(stored.Height(), stored.Width(), format);
    std::memcpy(copy.Bits(), stored.Bits(), size_t(stored.Stride()) * stored.Height());
    benchmark::DoNotOptimize(copy.Bits());
  }
}
BENCHMARK(BM_CopyPortraitBytes)->Arg(3)->Arg(4)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
