// The portable chroma kernels: plain loops, for processors without AVX2 and
// for the tails of rows the AVX2 kernels leave.
#include "engine/bgra_to_yuv_rows.h"

#include <algorithm>

namespace engine::chroma {

void PairRow(const uint8_t* __restrict bgra, int pairs, int16_t* __restrict u,
             int16_t* __restrict v) {
  for (int x = 0; x < pairs; ++x) {
    const uint8_t* p = bgra + 8 * x;
    const int b = p[0] + p[4], g = p[1] + p[5], r = p[2] + p[6];
    u[x] = int16_t((kMid + kUr * r + kUg * g + kUb * b + kRound) >> kCoefBits);
    v[x] = int16_t((kMid + kVr * r + kVg * g + kVb * b + kRound) >> kCoefBits);
  }
}

void HalveRow(const int16_t* const ring[8], int w, uint8_t* __restrict out) {
  // Copied, or every write to out (a byte may alias anything) reloads them.
  const int16_t* rows[8];
  std::copy(ring, ring + 8, rows);
  // The taps are symmetric: pairs of rows first (chroma is positive, so a
  // pair fits 16 bits unsigned).
  for (int x = 0; x < w; ++x) {
    int sum = 1 << (kHalveShift - 1);
    for (int k = 0; k < 4; ++k) sum += kTaps[k] * int(uint16_t(rows[k][x] + rows[7 - k][x]));
    out[x] = uint8_t(std::clamp(sum >> kHalveShift, 0, 255));
  }
}

const Kernels kPortable = {PairRow, HalveRow};

}  // namespace engine::chroma
