// Rows are mixed first (one weight for a whole target row, a loop the
// compiler turns into vector code), then columns from that mixed row.
#include "bilinear_sampler.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace gfx {

namespace {

// Weights in 1/128ths: a row mix of two bytes stays below 2^15, so the
// column mix is one signed 16-bit multiply-add per channel pair. A 128th of
// a pixel is far below what the eye or the smoothness bound can tell.
constexpr int kWeightBits = 7;
constexpr int kOne = 1 << kWeightBits;

// Left sample and right weight for the position u (in pixel-centre units).
void Split(double u, int size, int32_t& left, int16_t& weight) {
  const double fl = std::floor(u);
  int i = static_cast<int>(fl);
  int w = static_cast<int>(std::lround((u - fl) * kOne));
  if (w == kOne) {
    ++i;
    w = 0;
  }
  if (i < 0) {
    i = 0;
    w = 0;
  } else if (i >= size - 1) {
    i = size - 1;
    w = 0;
  }
  left = i;
  weight = int16_t(w);
}

// Target pixels from the mixed row: column[i] points at the left of the two
// neighbours (four channels each), weights[i] holds left | right << 16.
void MixColumns(const int16_t* m, const int32_t* column, const int32_t* weights, int n, uint8_t* out) {
  constexpr int kShift = 2 * kWeightBits;
  int x = 0;
#if defined(__SSE2__)
  const __m128i half = _mm_set1_epi32(1 << (kShift - 1));
  const __m128i colour = _mm_set1_epi32(0x00FFFFFF);
  auto one = [&](int i) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(m + column[i]));
    const __m128i pairs = _mm_unpacklo_epi16(v, _mm_srli_si128(v, 8));
    const __m128i sum = _mm_madd_epi16(pairs, _mm_set1_epi32(weights[i]));
    return _mm_srai_epi32(_mm_add_epi32(sum, half), kShift);
  };
  for (; x + 4 <= n; x += 4) {
    const __m128i lo = _mm_packs_epi32(one(x), one(x + 1));
    const __m128i hi = _mm_packs_epi32(one(x + 2), one(x + 3));
    const __m128i px = _mm_and_si128(_mm_packus_epi16(lo, hi), colour);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + size_t(x) * 4), px);
  }
#endif
  for (; x < n; ++x) {
    const int16_t* p = m + column[x];
    const int32_t l = weights[x] & 0xFFFF, r = weights[x] >> 16;
    uint8_t* o = out + size_t(x) * 4;
    for (int c = 0; c < 3; ++c) o[c] = uint8_t((p[c] * l + p[c + 4] * r + (1 << (kShift - 1))) >> kShift);
    o[3] = 0;
  }
}

// Two picture rows mixed with the weights wa and wb (summing to kOne).
void MixRows(const uint8_t* a, const uint8_t* b, int16_t wa, int16_t wb, size_t n, int16_t* m) {
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128(), va = _mm_set1_epi16(wa), vb = _mm_set1_epi16(wb);
  for (; i + 16 <= n; i += 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
    const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
    const __m128i lo = _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(x, zero), va),
                                     _mm_mullo_epi16(_mm_unpacklo_epi8(y, zero), vb));
    const __m128i hi = _mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(x, zero), va),
                                     _mm_mullo_epi16(_mm_unpackhi_epi8(y, zero), vb));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(m + i), lo);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(m + i + 8), hi);
  }
#endif
  for (; i < n; ++i) m[i] = int16_t(a[i] * wa + b[i] * wb);
}

}  // namespace

void BilinearSampler::Draw(const Bitmap& picture, const RectF& from, Bitmap& target, const Rect& dest) {
  if (picture.Format() != PixelFormat::pf32bit || target.Format() != PixelFormat::pf32bit)
    throw std::invalid_argument("BilinearSampler works on 32-bit bitmaps");
  const Rect visible = Intersect(dest, target.Bounds());
  const int pw = picture.Width(), ph = picture.Height();
  if (visible.IsEmpty() || pw == 0 || ph == 0 || !(from.w > 0) || !(from.h > 0)) return;

  const int dw = dest.Width(), dh = dest.Height();
  const double sx = from.w / dw, sy = from.h / dh;
  const int x0 = visible.Left, x1 = visible.Right;
  column_.resize(size_t(x1 - x0));
  weights_.resize(size_t(x1 - x0));
  int32_t lo = pw, hi = 0;
  for (int x = x0; x < x1; ++x) {
    const size_t k = size_t(x - x0);
    int16_t w = 0;
    Split(from.x + (x - dest.Left + 0.5) * sx - 0.5, pw, column_[k], w);
    weights_[k] = int32_t(kOne - w) | int32_t(w) << 16;
    lo = std::min(lo, column_[k]);
    hi = std::max(hi, column_[k]);
  }
  hi = std::min(hi + 1, pw - 1);
  // Only the picture columns this rectangle reads are mixed.
  const size_t span = size_t(hi - lo + 1) * 4;
  // One spare pixel: the last column's right neighbour has weight 0 but is read.
  blend_.assign(span + 4, 0);
  for (int32_t& c : column_) c = (c - lo) * 4;

  for (int y = visible.Top; y < visible.Bottom; ++y) {
    int32_t row = 0;
    int16_t fy = 0;
    Split(from.y + (y - dest.Top + 0.5) * sy - 0.5, ph, row, fy);
    const uint8_t* a = picture.ScanLine(row) + size_t(lo) * 4;
    const uint8_t* b = picture.ScanLine(std::min(row + 1, ph - 1)) + size_t(lo) * 4;
    const int16_t wa = int16_t(kOne - fy), wb = fy;
    int16_t* m = blend_.data();
    MixRows(a, b, wa, wb, span, m);

    MixColumns(m, column_.data(), weights_.data(), x1 - x0, target.ScanLine(y) + size_t(x0) * 4);
  }
}

}  // namespace gfx
