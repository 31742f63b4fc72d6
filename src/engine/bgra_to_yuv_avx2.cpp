// The chroma kernels in AVX2, chosen at run time: the build targets plain
// x86-64, so only these functions may use AVX2. Same integer arithmetic as
// the portable kernels, so the same samples.
#include "engine/bgra_to_yuv_rows.h"

#if defined(__x86_64__)
#include <immintrin.h>

namespace engine::chroma {
namespace {

// Four 16-bit coefficients, for the words B, G, R, A of a pixel pair.
__attribute__((target("avx2"))) __m256i Coefficients(int b, int g, int r) {
  return _mm256_set1_epi64x(int64_t(uint16_t(b)) | int64_t(uint16_t(g)) << 16 |
                            int64_t(uint16_t(r)) << 32);
}

// Sixteen pixels a step: pairs summed per channel in 16 bits, then each
// chroma as two multiply-adds of words into 32 bits.
__attribute__((target("avx2"))) void PairRowAvx2(const uint8_t* bgra, int pairs, int16_t* u,
                                                 int16_t* v) {
  // Per 128 bits: B0 B1 G0 G1 R0 R1 A0 A1 of two pairs, which a multiply-add
  // by ones turns into pair sums.
  const __m256i group = _mm256_setr_epi8(0, 4, 1, 5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15, 0,
                                         4, 1, 5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15);
  const __m256i ones = _mm256_set1_epi8(1);
  const __m256i coefU = Coefficients(kUb, kUg, kUr), coefV = Coefficients(kVb, kVg, kVr);
  const __m256i bias = _mm256_set1_epi32(kMid + kRound);
  // The horizontal adds leave pairs 0 1 4 5 | 2 3 6 7 in each chroma.
  const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
  int x = 0;
  for (; x + 8 <= pairs; x += 8) {
    const auto* p = reinterpret_cast<const __m256i*>(bgra + 8 * x);
    const __m256i lo = _mm256_maddubs_epi16(_mm256_shuffle_epi8(_mm256_loadu_si256(p), group), ones);
    const __m256i hi =
        _mm256_maddubs_epi16(_mm256_shuffle_epi8(_mm256_loadu_si256(p + 1), group), ones);
    __m256i cu = _mm256_hadd_epi32(_mm256_madd_epi16(lo, coefU), _mm256_madd_epi16(hi, coefU));
    __m256i cv = _mm256_hadd_epi32(_mm256_madd_epi16(lo, coefV), _mm256_madd_epi16(hi, coefV));
    cu = _mm256_srai_epi32(_mm256_add_epi32(cu, bias), kCoefBits);
    cv = _mm256_srai_epi32(_mm256_add_epi32(cv, bias), kCoefBits);
    const __m256i both = _mm256_permutevar8x32_epi32(_mm256_packs_epi32(cu, cv), order);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(u + x), _mm256_castsi256_si128(both));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(v + x), _mm256_extracti128_si256(both, 1));
  }
  if (x < pairs) PairRow(bgra + 8 * x, pairs - x, u + x, v + x);
}

// Two rows' samples summed, less 32768.
__attribute__((target("avx2"))) inline __m256i PairSum(const int16_t* a, const int16_t* b) {
  const __m256i sum = _mm256_add_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(a)),
                                       _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b)));
  return _mm256_xor_si256(sum, _mm256_set1_epi16(int16_t(0x8000)));
}

// Sixteen samples a step. Rows with the same tap are summed first; a sum
// (up to 61440) is taken less 32768 to fit a signed word, and the bias puts
// back what that takes from the total.
__attribute__((target("avx2"))) void HalveRowAvx2(const int16_t* const ring[8], int w,
                                                  uint8_t* out) {
  const int16_t* rows[8];
  for (int k = 0; k < 8; ++k) rows[k] = ring[k];
  const __m256i taps01 = _mm256_set1_epi32(int(uint16_t(kTaps[0])) | kTaps[1] << 16);
  const __m256i taps23 = _mm256_set1_epi32(int(uint16_t(kTaps[2])) | kTaps[3] << 16);
  const __m256i bias = _mm256_set1_epi32(((kTaps[0] + kTaps[1] + kTaps[2] + kTaps[3]) << 15) +
                                         (1 << (kHalveShift - 1)));
  int x = 0;
  for (; x + 16 <= w; x += 16) {
    const __m256i pair[4] = {PairSum(rows[0] + x, rows[7] + x), PairSum(rows[1] + x, rows[6] + x),
                             PairSum(rows[2] + x, rows[5] + x), PairSum(rows[3] + x, rows[4] + x)};
    // Low and high words of each 128 bits, which the pack puts back in order.
    __m256i lo = _mm256_add_epi32(_mm256_madd_epi16(_mm256_unpacklo_epi16(pair[0], pair[1]), taps01),
                                  _mm256_madd_epi16(_mm256_unpacklo_epi16(pair[2], pair[3]), taps23));
    __m256i hi = _mm256_add_epi32(_mm256_madd_epi16(_mm256_unpackhi_epi16(pair[0], pair[1]), taps01),
                                  _mm256_madd_epi16(_mm256_unpackhi_epi16(pair[2], pair[3]), taps23));
    lo = _mm256_srai_epi32(_mm256_add_epi32(lo, bias), kHalveShift);
    hi = _mm256_srai_epi32(_mm256_add_epi32(hi, bias), kHalveShift);
    const __m256i words = _mm256_packs_epi32(lo, hi);
    // Saturating packs clamp to 0..255; bytes 0-7 and 8-15 sit in the low
    // halves of the two 128-bit lanes.
    const __m256i bytes = _mm256_permute4x64_epi64(_mm256_packus_epi16(words, words), 0x08);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm256_castsi256_si128(bytes));
  }
  if (x < w) {
    const int16_t* rest[8];
    for (int k = 0; k < 8; ++k) rest[k] = rows[k] + x;
    HalveRow(rest, w - x, out + x);
  }
}

}  // namespace

const Kernels* Avx2Kernels() {
  static const Kernels kernels = {PairRowAvx2, HalveRowAvx2};
  return __builtin_cpu_supports("avx2") ? &kernels : nullptr;
}

}  // namespace engine::chroma

#else  // other processors take the portable kernels

const engine::chroma::Kernels* engine::chroma::Avx2Kernels() { return nullptr; }

#endif
