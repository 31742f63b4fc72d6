// Grids of triangles, circles and diamonds, each growing from the centre of
// its own cell until neighbours overlap and the frame is covered.
#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "gfx/arith.h"
#include "region_builders.h"
#include "shape_effects.h"

namespace effects {

namespace {

// The shapes of one grid, united as they are made. Uniting each shape into
// one growing region would rescan the whole union every time; equal-sized
// partial unions are merged instead, as in a merge sort.
class ShapeUnion {
 public:
  void Add(gfx::Region shape) {
    int level = 0;
    while (!pending_.empty() && pending_.back().level == level) {
      shape = gfx::Region::Combine(pending_.back().region, shape, gfx::CombineMode::Or);
      pending_.pop_back();
      ++level;
    }
    pending_.push_back({std::move(shape), level});
  }

  // None when no shape was made, so nothing is revealed.
  std::optional<gfx::Region> Take() {
    if (pending_.empty()) return std::nullopt;
    gfx::Region all = std::move(pending_.back().region);
    pending_.pop_back();
    for (; !pending_.empty(); pending_.pop_back())
      all = gfx::Region::Combine(pending_.back().region, all, gfx::CombineMode::Or);
    return all;
  }

 private:
  struct Partial {
    gfx::Region region;
    int level;  // holds 2^level shapes
  };
  std::vector<Partial> pending_;
};

}  // namespace

// Downward triangles on a grid grow until they tile the frame.
void Effect118(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  const int c = W / 10 + 1, d = H / 10 + 1;
  // Half the base and half the height; one grid pitch across at half-way.
  const int hw = gfx::MulDiv(c, Progress, 50), hh = gfx::MulDiv(d, Progress, 50);
  ShapeUnion shapes;
  // Cells start up to half a cell below the frame: the wide tops of their
  // triangles reach back up over the bottom rows.
  for (int x = 0; x < W; x += 2 * c)
    for (int y = 0; y < H + d; y += 2 * d) {
      const int mx = x + c, my = y + d;
      shapes.Add(PolygonRegion({mx - hw, my - hh, mx, my + hh, mx + hw, my - hh}));
    }
  RevealThroughRegion(Display, Image, W, H, shapes.Take());
}

// Circles on a square grid grow until they overlap and cover the frame.
void Effect153(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  const int a = std::min(W, H) / 10 + 1;
  const int b = gfx::MulDiv(3 * a, Progress, 200);  // radius up to 3/4 of the pitch
  ShapeUnion shapes;
  for (int x = 0; x < W; x += 2 * a)
    for (int y = 0; y < H; y += 2 * a)
      shapes.Add(gfx::Region::FromEllipse({x + a - b, y + a - b, x + a + b, y + a + b}));
  RevealThroughRegion(Display, Image, W, H, shapes.Take());
}

// Diamonds on a square grid grow until they cover the frame.
void Effect164(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  const int s = std::min(W, H) / 10 + 1;
  const int b = gfx::MulDiv(s, Progress, 50);
  ShapeUnion shapes;
  for (int x = 0; x < W; x += 2 * s)
    for (int y = 0; y < H; y += 2 * s) {
      const int mx = x + s, my = y + s;
      shapes.Add(PolygonRegion({mx - b, my, mx, my - b, mx + b, my, mx, my + b}));
    }
  RevealThroughRegion(Display, Image, W, H, shapes.Take());
}

}  // namespace effects
