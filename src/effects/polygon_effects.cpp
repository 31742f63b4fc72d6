// V shapes, bow ties, diagonal crosses, zigzag bands and diamonds: one
// polygon, or a few of them united or xor-ed with the frame, through which
// the new picture shows in place.
#include <array>
#include <span>
#include <utility>

#include "gfx/arith.h"
#include "region_builders.h"
#include "shape_effects.h"

namespace effects {

namespace {

gfx::Region Union(const gfx::Region& a, const gfx::Region& b) {
  return gfx::Region::Combine(a, b, gfx::CombineMode::Or);
}

gfx::Region Xor(const gfx::Region& a, const gfx::Region& b) {
  return gfx::Region::Combine(a, b, gfx::CombineMode::Xor);
}

gfx::Region Frame(int W, int H) { return gfx::Region::FromRect({0, 0, W, H}); }

// Eleven steps along a zigzag band have to reach past the far edge. A tenth
// of the length falls short on frames under 110 pixels whose length is not a
// multiple of ten (and is 0 under 10), which kept a strip of the old picture
// to the very end; those frames round the step up instead.
int ZigzagStep(int length) {
  const int s = length / 10;
  return 11 * s >= length ? s : (length + 9) / 10;
}

// The band between two parallel zigzag lines c either side of the middle
// line `middle`, each swinging by `swing` across it at every step. Corners
// are (along, across): out along the first line, back along the second.
std::array<gfx::Point, 24> ZigzagBand(int step, int swing, int middle, int c) {
  std::array<gfx::Point, 24> band;
  for (int k = 1; k <= 12; ++k) {
    const int along = (k - 1) * step;
    const int lean = k % 2 ? swing : -swing;
    band[size_t(k - 1)] = {along, middle - c + lean};
    band[size_t(24 - k)] = {along, middle + c + lean};
  }
  return band;
}

gfx::Region Polygon(std::span<const gfx::Point> points) {
  return gfx::Region::FromPolygon(points.data(), points.size(), gfx::FillMode::Winding);
}

}  // namespace

// ---- V shapes ----

// A wedge pointing right pushes in from the left edge.
void Effect154(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  const int cy = H / 2;
  RevealThroughRegion(Display, Image, W, H, PolygonRegion({0, cy - Y, 2 * X, cy, 0, cy + Y}));
}

// A wedge pointing left pushes in from the right edge.
void Effect155(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  const int cy = H / 2;
  RevealThroughRegion(Display, Image, W, H,
                      PolygonRegion({W, cy - Y, W - 2 * X, cy, W, cy + Y}));
}

// A wedge pointing down pushes in from the top edge.
void Effect156(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  const int cx = W / 2;
  RevealThroughRegion(Display, Image, W, H, PolygonRegion({cx - X, 0, cx, 2 * Y, cx + X, 0}));
}

// A wedge pointing up pushes in from the bottom edge.
void Effect157(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  const int cx = W / 2;
  RevealThroughRegion(Display, Image, W, H,
                      PolygonRegion({cx - X, H, cx, H - 2 * Y, cx + X, H}));
}

// ---- bow ties and crosses ----

// Wedges from the left and right edges meet in the middle at half-way.
void Effect158(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  const int cy = H / 2;
  RevealThroughRegion(Display, Image, W, H,
                      Union(PolygonRegion({0, cy - Y, X, cy, 0, cy + Y}),
                            PolygonRegion({W, cy - Y, W - X, cy, W, cy + Y})));
}

// Wedges from the top and bottom edges meet in the middle a quarter of the way in.
void Effect159(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  const int cx = W / 2;
  RevealThroughRegion(Display, Image, W, H,
                      Union(PolygonRegion({cx - X, 0, cx, 2 * Y, cx + X, 0}),
                            PolygonRegion({cx - X, H, cx, H - 2 * Y, cx + X, H})));
}

// Wedges from all four edges close in on the centre along the diagonals.
void Effect160(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  const int cx = W / 2, cy = H / 2, u = X / 2, v = Y / 2;
  const gfx::Region sides = Union(PolygonRegion({0, cy - v, u, cy, 0, cy + v}),
                                  PolygonRegion({W, cy - v, W - u, cy, W, cy + v}));
  const gfx::Region ends = Union(PolygonRegion({cx - u, 0, cx, v, cx + u, 0}),
                                 PolygonRegion({cx - u, H, cx, H - v, cx + u, H}));
  RevealThroughRegion(Display, Image, W, H, Union(sides, ends));
}

// A cross along the diagonals widens as the four wedges between its arms
// shrink back to the edges.
void Effect161(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  const int cx = W / 2, cy = H / 2, u = (W - X) / 2, v = (H - Y) / 2;
  gfx::Region cross = Frame(W, H);
  cross = Xor(cross, PolygonRegion({0, cy - v, u, cy, 0, cy + v}));
  cross = Xor(cross, PolygonRegion({W, cy - v, W - u, cy, W, cy + v}));
  cross = Xor(cross, PolygonRegion({cx - u, 0, cx, v, cx + u, 0}));
  cross = Xor(cross, PolygonRegion({cx - u, H, cx, H - v, cx + u, H}));
  RevealThroughRegion(Display, Image, W, H, std::move(cross));
}

// ---- zigzag bands ----

// A zigzag band along the horizontal middle line widens up and down.
void Effect162(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  const int n = H / 10;
  const int c = gfx::MulDiv(n, Progress, 100) + Y / 2;
  const std::array<gfx::Point, 24> band = ZigzagBand(ZigzagStep(W), n, H / 2, c);
  RevealThroughRegion(Display, Image, W, H, Polygon(band));
}

// A zigzag band along the vertical middle line widens left and right.
void Effect163(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  const int n = W / 10;
  const int c = gfx::MulDiv(n, Progress, 100) + X / 2;
  std::array<gfx::Point, 24> band = ZigzagBand(ZigzagStep(H), n, W / 2, c);
  for (gfx::Point& p : band) p = {p.y, p.x};
  RevealThroughRegion(Display, Image, W, H, Polygon(band));
}

// ---- diamonds ----

// A diamond grows out of the centre.
void Effect165(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  const int cx = W / 2, cy = H / 2;
  RevealThroughRegion(Display, Image, W, H,
                      PolygonRegion({cx - X, cy, cx, cy - Y, cx + X, cy, cx, cy + Y}));
}

// The old picture shrinks into the centre inside a diamond that starts
// around the whole frame.
void Effect166(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  const int cx = W / 2, cy = H / 2;
  const gfx::Region old =
      PolygonRegion({X - cx, cy, cx, Y - cy, 3 * cx - X, cy, cx, 3 * cy - Y});
  RevealThroughRegion(Display, Image, W, H, Xor(Frame(W, H), old));
}

// A diamond ring starts on the diamond inscribed in the frame and widens
// both outwards and inwards.
void Effect167(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  const int cx = W / 2, cy = H / 2, u = X / 2, v = Y / 2;
  const gfx::Region outer =
      PolygonRegion({-u, cy, cx, -v, 2 * cx + u, cy, cx, 2 * cy + v});
  const gfx::Region inner = PolygonRegion({u, cy, cx, v, 2 * cx - u, cy, cx, 2 * cy - v});
  RevealThroughRegion(Display, Image, W, H, Xor(outer, inner));
}

}  // namespace effects
