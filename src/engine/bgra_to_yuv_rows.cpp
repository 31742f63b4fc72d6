// The portable chroma kernels, for processors without AVX2 and for the
// tails of rows the AVX2 kernels leave. -O2 vectorises a loop only when its
// count is a multiple of the vector width, so each kernel runs a loop over
// the largest multiple of 16 and then one over the rest.
#include "engine/bgra_to_yuv_rows.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace engine::chroma {
namespace {

static_assert(std::endian::native == std::endian::little, "BGRA read as 32-bit pixels");
// A pixel read whole (bytes read one by one at a stride of eight keep the
// loop scalar): B, G, R, A from the lowest byte up.
inline uint32_t Pixel(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

constexpr int kBlock = 16;

inline void Pair(const uint8_t* bgra, int x, int16_t* u, int16_t* v) {
  const uint32_t p = Pixel(bgra + 8 * x), q = Pixel(bgra + 8 * x + 4);
  const int b = int((p & 0xff) + (q & 0xff));
  const int g = int((p >> 8 & 0xff) + (q >> 8 & 0xff));
  const int r = int((p >> 16 & 0xff) + (q >> 16 & 0xff));
  u[x] = int16_t((kMid + kUr * r + kUg * g + kUb * b + kRound) >> kCoefBits);
  v[x] = int16_t((kMid + kVr * r + kVg * g + kVb * b + kRound) >> kCoefBits);
}

// The taps are symmetric: pairs of rows first. Spelled out, as -O2 keeps
// a loop over them, which stops the vectoriser.
inline uint8_t Halve(const int16_t* const r[8], int x) {
  const int sum = (1 << (kHalveShift - 1)) + kTaps[0] * (r[0][x] + r[7][x]) +
                  kTaps[1] * (r[1][x] + r[6][x]) + kTaps[2] * (r[2][x] + r[5][x]) +
                  kTaps[3] * (r[3][x] + r[4][x]);
  return uint8_t(std::clamp(sum >> kHalveShift, 0, 255));
}

}  // namespace

void PairRow(const uint8_t* __restrict bgra, int pairs, int16_t* __restrict u,
             int16_t* __restrict v) {
  const int body = pairs / kBlock * kBlock;
  for (int x = 0; x < body; ++x) Pair(bgra, x, u, v);
  for (int x = body; x < pairs; ++x) Pair(bgra, x, u, v);
}

void HalveRow(const int16_t* const ring[8], int w, uint8_t* __restrict out) {
  // Copied, or every write to out (a byte may alias anything) reloads them.
  const int16_t* rows[8];
  std::copy(ring, ring + 8, rows);
  const int body = w / kBlock * kBlock;
  for (int x = 0; x < body; ++x) out[x] = Halve(rows, x);
  for (int x = body; x < w; ++x) out[x] = Halve(rows, x);
}

const Kernels kPortable = {PairRow, HalveRow};

}  // namespace engine::chroma
