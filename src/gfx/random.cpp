#include "random.h"

#include <chrono>

namespace gfx {

namespace {

// The whole generator: a 32-bit linear congruential sequence.
uint32_t g_seed = 0;

}  // namespace

uint32_t RandSeed() { return g_seed; }

void SetRandSeed(uint32_t seed) { g_seed = seed; }

void Randomize() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  g_seed = static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::microseconds>(now).count());
}

namespace {

constexpr uint32_t kMultiplier = 134775813u;

inline int Scale(uint32_t seed, int n) {
  return n <= 0 ? 0 : static_cast<int>((uint64_t(seed) * uint32_t(n)) >> 32);
}

}  // namespace

int Random(int n) {
  g_seed = g_seed * kMultiplier + 1u;
  return Scale(g_seed, n);
}

void RandomFill(int n, int* out, int count) {
  // Four interleaved strides of the same sequence: s(i+4) = a4*s(i) + c4,
  // so four independent multiplications are in flight instead of one chain.
  constexpr uint32_t a2 = kMultiplier * kMultiplier, c2 = kMultiplier + 1u;
  constexpr uint32_t a4 = a2 * a2, c4 = a2 * c2 + c2;
  int i = 0;
  if (count >= 4) {
    uint32_t s0 = g_seed * kMultiplier + 1u;
    uint32_t s1 = s0 * kMultiplier + 1u, s2 = s1 * kMultiplier + 1u, s3 = s2 * kMultiplier + 1u;
    for (;; i += 4) {
      out[i] = Scale(s0, n), out[i + 1] = Scale(s1, n);
      out[i + 2] = Scale(s2, n), out[i + 3] = Scale(s3, n);
      g_seed = s3;
      if (i + 8 > count) break;
      s0 = s0 * a4 + c4, s1 = s1 * a4 + c4, s2 = s2 * a4 + c4, s3 = s3 * a4 + c4;
    }
    i += 4;
  }
  for (; i < count; ++i) out[i] = Random(n);
}

}  // namespace gfx
