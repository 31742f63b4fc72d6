// The one process-wide pseudo-random generator. Its whole state is a 32-bit
// seed, so saving, setting and restoring the seed saves, sets and restores
// the sequence. Used from the composing thread only.
#pragma once

#include <cstdint>

namespace gfx {

uint32_t RandSeed();
void SetRandSeed(uint32_t seed);
void Randomize();  // reseed from the clock

// 0 <= r < n; 0 when n <= 0.
int Random(int n);

// The next count values of Random(n), in order, as count calls would give
// them; for effects that draw one number per pixel.
void RandomFill(int n, int* out, int count);

// Restores the seed on scope exit, however the scope is left.
class RandSeedGuard {
 public:
  RandSeedGuard() : saved_(RandSeed()) {}
  ~RandSeedGuard() { SetRandSeed(saved_); }
  RandSeedGuard(const RandSeedGuard&) = delete;
  RandSeedGuard& operator=(const RandSeedGuard&) = delete;

 private:
  uint32_t saved_;
};

}  // namespace gfx
