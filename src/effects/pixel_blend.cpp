#include "pixel_blend.h"

#include <algorithm>

#include "gfx/arith.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace effects {

namespace {

inline uint8_t BlendByte(uint8_t o, uint8_t n, int k) {
  // The product is signed and >> rounds towards minus infinity, so the
  // result stays between o and n.
  return uint8_t(o + (((int(n) - int(o)) * k) >> 8));
}

#if defined(__SSE2__)
// Eight bytes widened to 16 bits: o + ((n - o) * k >> 8). The product needs
// up to 17 bits, so both halves are formed and the middle 16 bits kept;
// the result fits in 16 bits, so those are exact.
inline __m128i BlendLanes(__m128i o, __m128i n, __m128i k) {
  const __m128i diff = _mm_sub_epi16(n, o);
  const __m128i lo = _mm_mullo_epi16(diff, k);
  const __m128i hi = _mm_mulhi_epi16(diff, k);
  return _mm_add_epi16(o, _mm_or_si128(_mm_srli_epi16(lo, 8), _mm_slli_epi16(hi, 8)));
}
#endif

}  // namespace

void BlendPixels(uint8_t* dst, const uint8_t* src, int count, const ByteWeights& w) {
  int i = 0;
#if defined(__SSE2__)
  const __m128i k = _mm_set_epi16(short(w[3]), short(w[2]), short(w[1]), short(w[0]), short(w[3]),
                                  short(w[2]), short(w[1]), short(w[0]));
  const __m128i zero = _mm_setzero_si128();
  for (; i + 4 <= count; i += 4) {
    uint8_t* d = dst + 4 * i;
    const __m128i o = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d));
    const __m128i n = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * i));
    const __m128i low = BlendLanes(_mm_unpacklo_epi8(o, zero), _mm_unpacklo_epi8(n, zero), k);
    const __m128i high = BlendLanes(_mm_unpackhi_epi8(o, zero), _mm_unpackhi_epi8(n, zero), k);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_packus_epi16(low, high));
  }
#endif
  for (; i < count; ++i)
    for (int c = 0; c < 4; ++c) dst[4 * i + c] = BlendByte(dst[4 * i + c], src[4 * i + c], w[c]);
}

void BlendRect(gfx::Bitmap& Display, const gfx::Bitmap& Image, int percent, int left, int top,
               int width, int height) {
  const ByteWeights weights = ColourWeights(gfx::MulDiv(256, percent, 100));
  // Pixelate asks for a block of at least 2x2 even on frames narrower than
  // that, so the block is cut to the frame before touching memory.
  const int l = std::max(left, 0), r = std::min(left + width, Display.Width());
  const int t = std::max(top, 0), b = std::min(top + height, Display.Height());
  if (l >= r) return;
  for (int y = b - 1; y >= t; --y)
    BlendPixels(Display.ScanLine(y) + 4 * l, Image.ScanLine(y) + 4 * l, r - l, weights);
}

}  // namespace effects
