// The copy of whole rows between bitmaps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace gfx {

// Copies n bytes between blocks that do not overlap. A hand-written SSE2
// loop once beat the C library's memcpy between frame bitmaps (large
// allocations at the same offset within a page); measured again between
// frame bitmaps that stay allocated, as the frame input's pooled ones do,
// memcpy is the faster by 15 to 20 % here (bench_gfx, BM_RowCopy cases).
inline void CopyBytes(uint8_t* d, const uint8_t* s, size_t n) { std::memcpy(d, s, n); }

}  // namespace gfx
