// The row kernels of 4:2:0's chroma, made as libswscale makes it: BGRA
// pixel pairs to chroma in 1/128 level, then eight such rows filtered down
// to one output row. The AVX2 kernels give the same samples as the
// portable ones.
#pragma once

#include <cstdint>

namespace engine::chroma {

// The bicubic kernel (B = 0, C = 0.6) at distances 0.25, 0.75, 1.25 and 1.75
// of a source row from an output row's centre (between rows 2i and 2i + 1),
// halved so the eight taps sum to one; in 1/16384.
constexpr int kTapBits = 14;
constexpr int kTaps[8] = {-231, -691, 1971, 7143, 7143, 1971, -691, -231};

// Chroma is kept in 1/128 of a level between the passes, as libswscale
// keeps it in 15 bits: rounding once at the end keeps it within one level.
constexpr int kFractionBits = 7;
// BT.601 limited range for the sum of two pixels, in 1/128 level x 2^8:
// U = 128 + (-0.168736 R - 0.331264 G + 0.5 B) x 224 / 255, V likewise.
constexpr int kCoefBits = 8;
constexpr int Coef(double c) {
  const double v = c * 224.0 / 255.0 / 2 * (1 << (kFractionBits + kCoefBits));
  return int(v < 0 ? v - 0.5 : v + 0.5);
}
constexpr int kUr = Coef(-0.168736), kUg = Coef(-0.331264), kUb = Coef(0.5);
constexpr int kVr = Coef(0.5), kVg = Coef(-0.418688), kVb = Coef(-0.081312);
constexpr int kMid = 128 << (kFractionBits + kCoefBits);
constexpr int kRound = 1 << (kCoefBits - 1);
constexpr int kHalveShift = kTapBits + kFractionBits;

// One row of BGRA to the chroma of its `pairs` pixel pairs.
using PairRowFn = void (*)(const uint8_t* bgra, int pairs, int16_t* u, int16_t* v);
// One output row of `w` samples from the eight chroma rows around it.
using HalveRowFn = void (*)(const int16_t* const rows[8], int w, uint8_t* out);

struct Kernels {
  PairRowFn pairRow;
  HalveRowFn halveRow;
};

extern const Kernels kPortable;
// Null where the processor lacks AVX2.
const Kernels* Avx2Kernels();

void PairRow(const uint8_t* bgra, int pairs, int16_t* u, int16_t* v);
void HalveRow(const int16_t* const rows[8], int w, uint8_t* out);

}  // namespace engine::chroma
