// A growable list of rectangles that becomes one clip region in a single
// call. Effects that reveal through thousands of rectangles collect them here
// instead of uniting regions one by one.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>

#include "gfx/region.h"

namespace effects {

class TComplexRegion {
 public:
  TComplexRegion();
  TComplexRegion(const TComplexRegion&) = delete;
  TComplexRegion& operator=(const TComplexRegion&) = delete;

  // Drops every rectangle and the data block.
  void Clear();
  // Appends (Left, Top, Right, Bottom) as given: no normalising, no clipping.
  // Rectangles with Right < Left or Bottom < Top are kept but cover nothing.
  void AddRect(int Left, int Top, int Right, int Bottom);
  // The union of all rectangles; none when no rectangle was ever added.
  // Fills the block's header; the list stays usable.
  std::optional<gfx::Region> CreateRegion();

  int Count() const { return FCount; }
  int Capacity() const { return FCapacity; }
  const gfx::Rect& Bounds() const { return FBounds; }
  // The region data block (32-byte header, then 16 bytes per rectangle).
  const uint8_t* Data() const { return FData.get(); }

  static constexpr int kHeaderSize = 32;
  static constexpr int kRectSize = 16;
  static constexpr int kGrowBy = 500;

 private:
  struct FreeBlock {
    void operator()(uint8_t* p) const { std::free(p); }
  };

  std::unique_ptr<uint8_t[], FreeBlock> FData;
  int32_t FCapacity = 0;
  int32_t FCount = 0;
  gfx::Rect FBounds;
  uint8_t* FCursor = nullptr;  // where the next rectangle goes
};

}  // namespace effects
