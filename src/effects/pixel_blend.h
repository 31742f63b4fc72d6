// Blending of the new picture into the frame, byte by byte on 32-bit pixel
// memory: a byte o moves towards n as o + floor((n - o) * k / 256).
#pragma once

#include <array>
#include <cstdint>

#include "gfx/bitmap.h"

namespace effects {

// Weights 0..256 for the blue, green and red bytes and the fourth byte of a
// pixel. 0 leaves a byte alone, 256 takes the new byte exactly.
using ByteWeights = std::array<int, 4>;

// The same weight for blue, green and red; the fourth byte carries no colour.
constexpr ByteWeights ColourWeights(int k) { return {k, k, k, 0}; }

// Blends count pixels of src into dst.
void BlendPixels(uint8_t* dst, const uint8_t* src, int count, const ByteWeights& weights);

// Blends the block (left, top, width, height) of Image into Display with
// weight MulDiv(256, percent, 100). The block is limited to the frame.
void BlendRect(gfx::Bitmap& Display, const gfx::Bitmap& Image, int percent, int left, int top,
               int width, int height);

}  // namespace effects
