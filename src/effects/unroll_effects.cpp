// The unroll transitions: the new picture is uncovered from one edge while a
// roll next to the uncovered part shows the strip just beyond it mirrored and
// darkened towards its edges.
#include "edge_effects.h"
#include "gfx/canvas.h"
#include "unroll_shading.h"

namespace effects {

namespace {

constexpr int kRollShade = 64;

// At most a tenth of the frame; as wide as the uncovered part while that is
// narrower, and shrinking to nothing at the far edge.
int RollWidth(int extent, int uncovered) {
  const int r = extent / 10;
  if (uncovered < r) return uncovered;
  if (extent - uncovered < 2 * r) return (extent - uncovered) / 2;
  return r;
}

}  // namespace

// The new picture unrolls from the left edge.
void Effect014(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  gfx::Canvas& c = Display.GetCanvas();
  const int r = RollWidth(W, X);
  c.StretchRect(X + r - 1, 0, -r, H, Image, X + r, 0, r, H);
  c.CopyRect(0, 0, X, H, Image, 0, 0);
  ShadeColumns(Display, kRollShade, X, r);
}

// The new picture unrolls from the right edge.
void Effect015(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  gfx::Canvas& c = Display.GetCanvas();
  const int r = RollWidth(W, X);
  const int d = W - X;
  c.StretchRect(d - 1, 0, -r, H, Image, d - 2 * r - 1, 0, r, H);
  c.CopyRect(d, 0, X, H, Image, d, 0);
  ShadeColumns(Display, kRollShade, d - r, r);
}

// The new picture unrolls from the top edge.
void Effect031(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  gfx::Canvas& c = Display.GetCanvas();
  const int r = RollWidth(H, Y);
  c.StretchRect(0, Y + r - 1, W, -r, Image, 0, Y + r, W, r);
  c.CopyRect(0, 0, W, Y, Image, 0, 0);
  ShadeRows(Display, kRollShade, Y, r);
}

// The new picture unrolls from the bottom edge.
void Effect032(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  gfx::Canvas& c = Display.GetCanvas();
  const int r = RollWidth(H, Y);
  const int d = H - Y;
  c.StretchRect(0, d - 1, W, -r, Image, 0, d - 2 * r - 1, W, r);
  c.CopyRect(0, d, W, Y, Image, 0, d);
  ShadeRows(Display, kRollShade, d - r, r);
}

}  // namespace effects
