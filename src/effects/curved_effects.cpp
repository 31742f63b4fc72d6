// The new picture is uncovered in place through a rounded rectangle: an
// elliptic front sweeping in from an edge or a corner, a near-ellipse
// growing from or shrinking to the centre, or the frame around a shrinking
// rectangle.
#include "gfx/canvas.h"
#include "gfx/region.h"
#include "region_builders.h"
#include "shape_reveals.h"

namespace effects {

namespace {

void RevealRoundRect(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H,
                     const gfx::Rect& bounds, int ew, int eh) {
  RevealThroughRegion(Display, Image, W, H, gfx::Region::FromRoundRect(bounds, ew, eh));
}

// Gives up the excluded rectangle's clip area however the copy ends.
class ClipReset {
 public:
  explicit ClipReset(gfx::Canvas& canvas) : canvas_(canvas) {}
  ~ClipReset() { canvas_.SelectClipRegion(nullptr); }
  ClipReset(const ClipReset&) = delete;
  ClipReset& operator=(const ClipReset&) = delete;

 private:
  gfx::Canvas& canvas_;
};

}  // namespace

// The old picture remains as a centred rectangle that shrinks to nothing.
void Effect054(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  gfx::Canvas& canvas = Display.GetCanvas();
  ClipReset reset(canvas);
  canvas.ExcludeClipRect({X / 2, Y / 2, W - X / 2, H - Y / 2});
  canvas.CopyRect(0, 0, W, H, Image, 0, 0);
}

// An elliptic front sweeps in from the left edge.
void Effect058(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealRoundRect(Display, Image, W, H, {-2 * W, 0, 2 * X, H + 1}, 2 * W, 2 * W);
}

// An elliptic front sweeps in from the right edge.
void Effect059(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealRoundRect(Display, Image, W, H, {W - 2 * X, 0, 3 * W, H + 1}, 2 * W, 2 * W);
}

// An elliptic front sweeps down from the top edge.
void Effect069(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealRoundRect(Display, Image, W, H, {0, -2 * H, W + 1, 2 * Y}, 2 * H, 2 * H);
}

// An elliptic front sweeps up from the bottom edge.
void Effect070(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealRoundRect(Display, Image, W, H, {0, H - 2 * Y, W + 1, 3 * H}, 2 * H, 2 * H);
}

// A quarter ellipse grows out of the top left corner.
void Effect080(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealRoundRect(Display, Image, W, H, {-W, -H, 3 * X / 2, 3 * Y / 2}, 2 * W, 2 * H);
}

// A quarter ellipse grows out of the top right corner.
void Effect081(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealRoundRect(Display, Image, W, H, {W - 3 * X / 2, -H, 2 * W, 3 * Y / 2}, 2 * W, 2 * H);
}

// A quarter ellipse grows out of the bottom left corner.
void Effect082(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealRoundRect(Display, Image, W, H, {-W, H - 3 * Y / 2, 3 * X / 2, 2 * H}, 2 * W, 2 * H);
}

// A quarter ellipse grows out of the bottom right corner.
void Effect083(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealRoundRect(Display, Image, W, H, {W - 3 * X / 2, H - 3 * Y / 2, 2 * W, 2 * H}, 2 * W,
                  2 * H);
}

// A near-ellipse grows out of the centre. Corners of 9/10 of the full size
// make the rounded rectangle look elliptic.
void Effect084(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealRoundRect(Display, Image, W, H, {W / 2 - X, H / 2 - Y, W / 2 + X, H / 2 + Y},
                  X * 9 / 5, Y * 9 / 5);
}

// The old picture remains inside a near-ellipse that shrinks into the centre;
// at first the shape is twice the frame, so even the corners stay old.
void Effect085(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  const int d = W / 2, e = H / 2;
  const gfx::Region shape = gfx::Region::FromRoundRect(
      {X - d, Y - e, 3 * d - X, 3 * e - Y}, (W - X) * 9 / 5, (H - Y) * 9 / 5);
  RevealThroughRegion(
      Display, Image, W, H,
      gfx::Region::Combine(gfx::Region::FromRect({0, 0, W, H}), shape, gfx::CombineMode::Xor));
}

}  // namespace effects
