// The new picture is uncovered in place through triangles: one opening from
// a corner, two fans sweeping from opposite corners, or four fans from the
// centre each hinged at a corner.
#include "gfx/region.h"
#include "region_builders.h"
#include "shape_reveals.h"

namespace effects {

namespace {

gfx::Region Triangle(gfx::Point a, gfx::Point b, gfx::Point c) {
  return PolygonRegion({a.x, a.y, b.x, b.y, c.x, c.y});
}

gfx::Region Union(const gfx::Region& a, const gfx::Region& b) {
  return gfx::Region::Combine(a, b, gfx::CombineMode::Or);
}

// Four fans from the centre c, one per corner.
gfx::Region FourFans(gfx::Point c, const gfx::Point (&corner)[4], const gfx::Point (&edge)[4]) {
  gfx::Region r = Triangle(c, corner[0], edge[0]);
  for (int i = 1; i < 4; ++i) r = Union(r, Triangle(c, corner[i], edge[i]));
  return r;
}

}  // namespace

// A triangle opens from the top left corner; its legs grow twice as fast as
// the progress, so it passes the opposite corner half-way.
void Effect110(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealThroughRegion(Display, Image, W, H, Triangle({0, 0}, {2 * X, 0}, {0, 2 * Y}));
}

// A triangle opens from the top right corner.
void Effect111(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealThroughRegion(Display, Image, W, H, Triangle({W, 0}, {W - 2 * X, 0}, {W, 2 * Y}));
}

// A triangle opens from the bottom left corner.
void Effect112(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealThroughRegion(Display, Image, W, H, Triangle({0, H}, {2 * X, H}, {0, H - 2 * Y}));
}

// A triangle opens from the bottom right corner.
void Effect113(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealThroughRegion(Display, Image, W, H,
                      Triangle({W, H}, {W - 2 * X, H}, {W, H - 2 * Y}));
}

// Two fans hinged at the top left and bottom right corners turn
// anticlockwise until they meet on the diagonal.
void Effect114(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealThroughRegion(Display, Image, W, H,
                      Union(Triangle({0, H}, {0, 0}, {X, H}),
                            Triangle({W, H}, {W, 0}, {W - X, 0})));
}

// Two fans hinged at the top left and bottom right corners turn clockwise
// until they meet on the diagonal.
void Effect115(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealThroughRegion(Display, Image, W, H,
                      Union(Triangle({W, 0}, {0, 0}, {W, Y}),
                            Triangle({W, H}, {0, H}, {0, H - Y})));
}

// Four fans from the centre, each hinged at a corner, sweep clockwise along
// the edges.
void Effect116(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealThroughRegion(
      Display, Image, W, H,
      FourFans({W / 2, H / 2}, {{0, 0}, {0, H}, {W, H}, {W, 0}},
               {{X, 0}, {0, H - Y}, {W - X, H}, {W, Y}}));
}

// Four fans from the centre, each hinged at a corner, sweep anticlockwise
// along the edges.
void Effect117(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealThroughRegion(
      Display, Image, W, H,
      FourFans({W / 2, H / 2}, {{0, 0}, {0, H}, {W, H}, {W, 0}},
               {{0, Y}, {X, H}, {W, H - Y}, {W - X, 0}}));
}

}  // namespace effects
