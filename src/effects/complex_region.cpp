#include "complex_region.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>
#include <new>
#include <stdexcept>

namespace effects {

namespace {

static_assert(std::endian::native == std::endian::little,
              "the region data block is little-endian");
static_assert(sizeof(gfx::Rect) == TComplexRegion::kRectSize);

// Spare bytes after the last rectangle, as the platform block format has.
constexpr size_t kSlack = 4;

// Bounds that any first rectangle replaces. The right/bottom start is
// -2147483647, not INT_MIN, as in the block format we mirror.
constexpr gfx::Rect kEmptyBounds{INT_MAX, INT_MAX, -INT_MAX, -INT_MAX};

void PutInt(uint8_t* at, int32_t v) { std::memcpy(at, &v, sizeof v); }

}  // namespace

TComplexRegion::TComplexRegion() { Clear(); }

void TComplexRegion::Clear() {
  FData.reset();
  FCursor = nullptr;
  FCount = 0;
  FCapacity = 0;
  FBounds = kEmptyBounds;
}

void TComplexRegion::AddRect(int Left, int Top, int Right, int Bottom) {
  if (FCount == FCapacity) {
    if (FCapacity > INT32_MAX - kGrowBy) throw std::length_error("rectangle list too long");
    const int32_t capacity = FCapacity + kGrowBy;
    const size_t bytes = size_t(kRectSize) * size_t(capacity) + kHeaderSize + kSlack;
    // realloc keeps the rectangles already added; on failure the old block
    // stays owned and intact.
    void* grown = std::realloc(FData.get(), bytes);
    if (!grown) throw std::bad_alloc();
    (void)FData.release();
    FData.reset(static_cast<uint8_t*>(grown));
    FCapacity = capacity;
    FCursor = FData.get() + kHeaderSize + size_t(kRectSize) * size_t(FCount);
  }
  PutInt(FCursor, Left);
  PutInt(FCursor + 4, Top);
  PutInt(FCursor + 8, Right);
  PutInt(FCursor + 12, Bottom);
  FCursor += kRectSize;
  ++FCount;
  FBounds.Left = std::min(FBounds.Left, Left);
  FBounds.Top = std::min(FBounds.Top, Top);
  FBounds.Right = std::max(FBounds.Right, Right);
  FBounds.Bottom = std::max(FBounds.Bottom, Bottom);
}

std::optional<gfx::Region> TComplexRegion::CreateRegion() {
  if (!FData) return std::nullopt;
  uint8_t* header = FData.get();
  PutInt(header, kHeaderSize);
  PutInt(header + 4, 1);  // a list of rectangles
  PutInt(header + 8, FCount);
  PutInt(header + 12, kRectSize);
  PutInt(header + 16, FBounds.Left);
  PutInt(header + 20, FBounds.Top);
  PutInt(header + 24, FBounds.Right);
  PutInt(header + 28, FBounds.Bottom);
  // The block came from malloc/realloc, which create the Rect objects
  // implicitly; the rectangles are laid out exactly as gfx::Rect.
  const auto* rects = reinterpret_cast<const gfx::Rect*>(header + kHeaderSize);
  return gfx::Region::FromRects(rects, size_t(FCount));
}

}  // namespace effects
