// Rasterising polygons, ellipses and rounded rectangles into banded regions.
// A pixel belongs to a shape when its centre (x + 0.5, y + 0.5) does; all
// tests are exact integer arithmetic on doubled coordinates, so mirrored
// shapes give mirrored pixel sets.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "region.h"
#include "region_builder.h"

namespace gfx {

namespace {

// Shape coordinates are limited to 27 bits, as on the classic platform; this
// keeps every product below within 64 bits (128 for the ellipse test).
constexpr int64_t kShapeLimit = int64_t(1) << 27;

int64_t Limit(int64_t v) { return std::clamp(v, -kShapeLimit, kShapeLimit); }

// Smallest integer >= n / d for d > 0.
int64_t CeilDiv(int64_t n, int64_t d) { return n >= 0 ? (n + d - 1) / d : -((-n) / d); }
// Largest integer <= n / d for d > 0.
int64_t FloorDiv(int64_t n, int64_t d) { return n >= 0 ? n / d : -((-n + d - 1) / d); }

uint64_t ISqrt(uint64_t v) {
  auto r = static_cast<uint64_t>(std::sqrt(static_cast<long double>(v)));
  while (r > 0 && static_cast<unsigned __int128>(r) * r > v) --r;
  while (static_cast<unsigned __int128>(r + 1) * (r + 1) <= v) ++r;
  return r;
}

struct Edge {
  int64_t ux, uy;  // upper end (smaller y)
  int64_t dx, dy;  // towards the lower end, dy > 0
  int dir;         // +1 when the polygon runs downwards along this edge
  int64_t Bottom() const { return uy + dy; }
  // First pixel column whose centre lies at or right of the crossing with
  // the centre line of row y: ceil(X - 0.5) with 2X = 2ux + (2y+1-2uy)dx/dy.
  int64_t Boundary(int64_t y) const {
    const int64_t n = 2 * ux * dy + (2 * y + 1 - 2 * uy) * dx;
    return CeilDiv(n - dy, 2 * dy);
  }
};

struct Crossing {
  int64_t x;
  int dir;
};

}  // namespace

Region Region::FromPolygon(const Point* points, size_t count, FillMode mode) {
  if (points == nullptr || count < 3) return Region();
  std::vector<Edge> edges;
  edges.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    const Point& p = points[i];
    const Point& q = points[(i + 1) % count];
    const int64_t px = Limit(p.x), py = Limit(p.y), qx = Limit(q.x), qy = Limit(q.y);
    if (py == qy) continue;  // horizontal edges never cross a row centre
    if (py < qy)
      edges.push_back({px, py, qx - px, qy - py, +1});
    else
      edges.push_back({qx, qy, px - qx, py - qy, -1});
  }
  if (edges.empty()) return Region();
  // Row centre y + 0.5 meets an edge when uy <= y + 0.5 < uy + dy, i.e. for
  // rows uy .. uy + dy - 1.
  std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) { return a.uy < b.uy; });

  RegionBuilder builder;
  std::vector<const Edge*> active;
  std::vector<Crossing> crossings;
  std::vector<Span> spans;
  size_t next = 0;
  int64_t y = edges.front().uy;
  while (next < edges.size() || !active.empty()) {
    std::erase_if(active, [y](const Edge* e) { return e->Bottom() <= y; });
    if (active.empty() && next < edges.size() && edges[next].uy > y) y = edges[next].uy;
    for (; next < edges.size() && edges[next].uy <= y; ++next) active.push_back(&edges[next]);
    if (active.empty()) continue;

    // The crossings keep their columns until an edge starts or ends when
    // every active edge is vertical: one band covers all those rows.
    int64_t rowsEnd = y + 1;
    if (std::all_of(active.begin(), active.end(), [](const Edge* e) { return e->dx == 0; })) {
      rowsEnd = next < edges.size() ? edges[next].uy : kShapeLimit + 1;
      for (const Edge* e : active) rowsEnd = std::min(rowsEnd, e->Bottom());
    }

    crossings.clear();
    for (const Edge* e : active) crossings.push_back({e->Boundary(y), e->dir});
    std::sort(crossings.begin(), crossings.end(),
              [](const Crossing& a, const Crossing& b) { return a.x < b.x; });
    spans.clear();
    int winding = 0, parity = 0;
    for (size_t k = 0; k + 1 < crossings.size(); ++k) {
      winding += crossings[k].dir;
      parity ^= 1;
      const bool inside = mode == FillMode::Winding ? winding != 0 : parity != 0;
      if (inside && crossings[k].x < crossings[k + 1].x)
        spans.push_back({int(crossings[k].x), int(crossings[k + 1].x)});
    }
    builder.AddBand(int(y), int(rowsEnd), spans);
    y = rowsEnd;
  }
  return builder.Finish();
}

Region Region::FromEllipse(const Rect& bounds) {
  const int64_t w = int64_t(bounds.Right) - bounds.Left, h = int64_t(bounds.Bottom) - bounds.Top;
  if (w <= 0 || h <= 0) return Region();
  return FromRoundRect(bounds, int(std::min<int64_t>(w, INT32_MAX)),
                       int(std::min<int64_t>(h, INT32_MAX)));
}

// Each row is the rectangle's row shortened at both ends by the corner
// ellipses. In doubled coordinates a corner ellipse has radii ew and eh and
// its centre at (2L + ew, 2T + eh) (likewise for the other corners).
Region Region::FromRoundRect(const Rect& bounds, int ew, int eh) {
  const int64_t l = Limit(bounds.Left), t = Limit(bounds.Top);
  const int64_t r = Limit(bounds.Right), b = Limit(bounds.Bottom);
  if (r <= l || b <= t) return Region();
  const int64_t a = std::clamp<int64_t>(ew, 0, r - l);  // horizontal radius, doubled space
  const int64_t c = std::clamp<int64_t>(eh, 0, b - t);  // vertical radius, doubled space
  const int64_t topCentre = 2 * t + c, bottomCentre = 2 * b - c;
  const int64_t leftCentre = 2 * l + a, rightCentre = 2 * r - a;

  RegionBuilder builder;
  auto addRow = [&](int64_t y, int64_t rowsEnd) {
    const int64_t py = 2 * y + 1;
    int64_t reach = a;  // how far a pixel centre may lie outside the inner columns
    if (py < topCentre || py > bottomCentre) {
      const int64_t dy = py < topCentre ? topCentre - py : py - bottomCentre;
      // Largest reach with reach^2 c^2 + dy^2 a^2 <= a^2 c^2.
      const unsigned __int128 k = static_cast<unsigned __int128>(a * a) * uint64_t(c * c - dy * dy);
      reach = int64_t(ISqrt(uint64_t(k / uint64_t(c * c))));
    }
    const int64_t x0 = CeilDiv(leftCentre - reach - 1, 2);
    const int64_t x1 = FloorDiv(rightCentre + reach - 1, 2) + 1;
    const Span span{int(x0), int(x1)};
    builder.AddBand(int(y), int(rowsEnd), &span, 1);
  };
  // Rows whose centres lie between the corner ellipses' centre lines are
  // whole rows of the rectangle.
  const int64_t midFirst = std::max(t, CeilDiv(topCentre - 1, 2));
  const int64_t midEnd = std::min(b, FloorDiv(bottomCentre - 1, 2) + 1);
  for (int64_t y = t; y < std::min(midFirst, b); ++y) addRow(y, y + 1);
  if (midFirst < midEnd) addRow(midFirst, midEnd);
  for (int64_t y = std::max(midEnd, midFirst); y < b; ++y) addRow(y, y + 1);
  return builder.Finish();
}

}  // namespace gfx
