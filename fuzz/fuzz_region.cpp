// Polygon, ellipse and rounded-rectangle regions from arbitrary coordinates,
// combined with each other: no overflow, every result in canonical banded
// form, and the set identities hold.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include "gfx/region.h"
#include "picture_check.h"

namespace {

using gfx::Point;
using gfx::Rect;
using gfx::Region;

// Shapes are clamped to this range; building costs time per row, so
// inputs whose clamped height exceeds kMaxRows are skipped, not found.
constexpr int64_t kShapeLimit = int64_t(1) << 27;
constexpr int64_t kMaxRows = 1 << 14;

int64_t Clamp(int64_t v) { return std::clamp(v, -kShapeLimit, kShapeLimit); }

int Coordinate(FuzzedDataProvider& in, int origin) {
  // Mostly near the origin (real shapes), sometimes anywhere in int.
  if (in.ConsumeBool()) return in.ConsumeIntegral<int>();
  return int(std::clamp<int64_t>(int64_t(origin) + in.ConsumeIntegralInRange(-300, 300), INT32_MIN,
                                 INT32_MAX));
}

bool RowsAffordable(int64_t top, int64_t bottom) { return Clamp(bottom) - Clamp(top) <= kMaxRows; }

bool BuildShape(FuzzedDataProvider& in, Region& out) {
  const int originX = in.ConsumeIntegral<int>();
  const int originY = in.ConsumeIntegral<int>();
  switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0:
    case 1: {
      std::vector<Point> points(in.ConsumeIntegralInRange<size_t>(0, 24));
      int64_t top = INT64_MAX, bottom = INT64_MIN;
      for (Point& p : points) {
        p = {Coordinate(in, originX), Coordinate(in, originY)};
        top = std::min<int64_t>(top, p.y);
        bottom = std::max<int64_t>(bottom, p.y);
      }
      if (!points.empty() && !RowsAffordable(top, bottom)) return false;
      const gfx::FillMode mode = in.ConsumeBool() ? gfx::FillMode::Winding : gfx::FillMode::Alternate;
      out = Region::FromPolygon(points.data(), points.size(), mode);
      return true;
    }
    default: {
      const Rect r{Coordinate(in, originX), Coordinate(in, originY), Coordinate(in, originX),
                   Coordinate(in, originY)};
      if (!RowsAffordable(r.Top, r.Bottom)) return false;
      if (in.ConsumeBool()) {
        out = Region::FromEllipse(r);
      } else {
        const int ew = in.ConsumeBool() ? in.ConsumeIntegral<int>() : in.ConsumeIntegralInRange(0, 600);
        const int eh = in.ConsumeBool() ? in.ConsumeIntegral<int>() : in.ConsumeIntegralInRange(0, 600);
        out = Region::FromRoundRect(r, ew, eh);
      }
      return true;
    }
  }
}

bool SameSpans(const std::vector<Rect>& rects, size_t a, size_t aEnd, size_t b, size_t bEnd) {
  if (aEnd - a != bEnd - b) return false;
  for (; a < aEnd; ++a, ++b)
    if (rects[a].Left != rects[b].Left || rects[a].Right != rects[b].Right) return false;
  return true;
}

// Bands top to bottom, each sorted, disjoint and not touching; touching
// bands never repeat the same spans.
void CheckCanonical(const Region& region) {
  const std::vector<Rect>& rects = region.Rects();
  size_t prevBand = 0, band = 0;
  bool havePrev = false;
  while (band < rects.size()) {
    size_t end = band;
    while (end < rects.size() && rects[end].Top == rects[band].Top) {
      const Rect& r = rects[end];
      if (r.IsEmpty()) fuzz::Fail("empty rectangle in a region");
      if (r.Bottom != rects[band].Bottom) fuzz::Fail("band with mixed bottoms");
      if (end > band && rects[end - 1].Right >= r.Left) fuzz::Fail("spans overlap or touch");
      ++end;
    }
    if (havePrev) {
      const Rect& prev = rects[prevBand];
      if (prev.Bottom > rects[band].Top) fuzz::Fail("bands overlap or are out of order");
      if (prev.Bottom == rects[band].Top && SameSpans(rects, prevBand, band, band, end))
        fuzz::Fail("equal touching bands not merged");
    }
    prevBand = band;
    havePrev = true;
    band = end;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  Region a, b;
  if (!BuildShape(in, a) || !BuildShape(in, b)) return 0;
  CheckCanonical(a);
  CheckCanonical(b);

  using gfx::CombineMode;
  const Region both = Region::Combine(a, b, CombineMode::And);
  const Region either = Region::Combine(a, b, CombineMode::Or);
  const Region onlyA = Region::Combine(a, b, CombineMode::Diff);
  const Region differ = Region::Combine(a, b, CombineMode::Xor);
  for (const Region* r : {&both, &either, &onlyA, &differ}) CheckCanonical(*r);

  if (Region::Combine(a, a, CombineMode::And) != a) fuzz::Fail("a and a is not a");
  if (!Region::Combine(a, a, CombineMode::Xor).IsEmpty()) fuzz::Fail("a xor a is not empty");
  if (!Region::Combine(onlyA, b, CombineMode::And).IsEmpty()) fuzz::Fail("a - b meets b");
  if (Region::Combine(onlyA, both, CombineMode::Or) != a) fuzz::Fail("(a - b) + (a & b) is not a");
  if (Region::Combine(either, both, CombineMode::Diff) != differ)
    fuzz::Fail("(a | b) - (a & b) is not a xor b");
  for (const Rect& r : a.Rects())
    if (!a.Contains(r.Left, r.Top) || !a.Contains(r.Right - 1, r.Bottom - 1))
      fuzz::Fail("a region does not contain its own corners");
  return 0;
}
