// Clip regions: sets of pixels kept as y-x banded rectangles. A pixel belongs
// to a shape when its centre does. Coordinates far outside any frame are
// legal; drawing clips them.
#pragma once

#include <cstddef>
#include <vector>

#include "geometry.h"

namespace gfx {

enum class FillMode { Alternate = 1, Winding = 2 };
enum class CombineMode { And = 1, Or = 2, Xor = 3, Diff = 4, Copy = 5 };

class Region {
 public:
  Region() = default;  // empty

  // A rectangle with Right <= Left or Bottom <= Top is empty (no swapping).
  static Region FromRect(const Rect& r);
  // Union of the rectangles, given in any order, overlapping or empty.
  static Region FromRects(const Rect* rects, size_t count);
  static Region FromPolygon(const Point* points, size_t count, FillMode mode);
  // The ellipse inscribed in the bounds.
  static Region FromEllipse(const Rect& bounds);
  // Corner quarter-ellipses of total size ew x eh, each limited to the
  // rectangle's width or height.
  static Region FromRoundRect(const Rect& bounds, int ew, int eh);

  static Region Combine(const Region& a, const Region& b, CombineMode mode);

  bool IsEmpty() const { return rects_.empty(); }
  bool Contains(int x, int y) const;
  Rect Bounds() const;  // (0,0,0,0) when empty
  void Offset(int dx, int dy);

  // Disjoint rectangles sorted by band (top) and, within a band, by left.
  // All rectangles of one band share Top and Bottom; touching bands with
  // equal spans are merged.
  const std::vector<Rect>& Rects() const { return rects_; }

  friend bool operator==(const Region&, const Region&) = default;

 private:
  std::vector<Rect> rects_;
  friend class RegionBuilder;
};

}  // namespace gfx
