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

int Random(int n) {
  g_seed = g_seed * 134775813u + 1u;
  if (n <= 0) return 0;
  return static_cast<int>((uint64_t(g_seed) * uint32_t(n)) >> 32);
}

}  // namespace gfx
