// Edge and middle-line transitions: the new picture expands, slides in, is
// uncovered or shrinks to size along x or along y. Copies are made in the
// order written; destinations outside the frame are clipped by the canvas.
#include "edge_effects.h"

#include <algorithm>

#include "gfx/canvas.h"

namespace effects {

// ---- along x ----

// The whole new picture is squeezed into a strip growing from the right edge.
void Effect001(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  Display.GetCanvas().StretchRect(W - X, 0, X, H, Image, 0, 0, W, H);
}

// The whole new picture is squeezed into a strip growing from the left edge.
void Effect002(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  Display.GetCanvas().StretchRect(0, 0, X, H, Image, 0, 0, W, H);
}

// The new picture slides in unscaled from the right edge.
void Effect003(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  Display.GetCanvas().CopyRect(W - X, 0, W, H, Image, 0, 0);
}

// The new picture slides in unscaled from the left edge.
void Effect004(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  Display.GetCanvas().CopyRect(X - W, 0, W, H, Image, 0, 0);
}

// The new picture is uncovered in place from the left edge.
void Effect005(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  Display.GetCanvas().CopyRect(0, 0, X, H, Image, 0, 0);
}

// The new picture is uncovered in place from the right edge.
void Effect006(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  Display.GetCanvas().CopyRect(W - X, 0, X, H, Image, W - X, 0);
}

// The new picture starts magnified at the left edge and shrinks to its size.
void Effect007(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  Display.GetCanvas().StretchRect(0, 0, 2 * W - X, H, Image, 0, 0, X, H);
}

// The new picture starts magnified at the right edge and shrinks to its size.
void Effect008(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  Display.GetCanvas().StretchRect(X - W, 0, 2 * W - X, H, Image, W - X, 0, X, H);
}

// The middle of the new picture starts magnified and shrinks to full width.
void Effect009(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  Display.GetCanvas().StretchRect(X - W, 0, 3 * W - 2 * X, H, Image, (W - X) / 2, 0, X, H);
}

// The whole new picture grows out of the vertical middle line.
void Effect010(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  Display.GetCanvas().StretchRect((W - X) / 2, 0, X, H, Image, 0, 0, W, H);
}

// The new picture is uncovered outwards from the vertical middle line.
void Effect011(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  const int a = (W - X) / 2;
  Display.GetCanvas().CopyRect(a, 0, X, H, Image, a, 0);
}

// The new picture is uncovered from both sides towards the middle.
void Effect012(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  gfx::Canvas& c = Display.GetCanvas();
  const int h = X / 2;
  c.CopyRect(0, 0, h, H, Image, 0, 0);
  c.CopyRect(W - h, 0, h, H, Image, W - h, 0);
}

// Each half of the new picture is squeezed into a strip growing from its side.
void Effect013(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  gfx::Canvas& c = Display.GetCanvas();
  const int h = X / 2;
  const int s = W / 2;
  c.StretchRect(0, 0, h, H, Image, 0, 0, s, H);
  c.StretchRect(W - h, 0, h, H, Image, s, 0, s, H);
}

// The new picture is uncovered from the left; the rest of the frame shows the
// next strip (at most a tenth of the width) stretched over it.
void Effect016(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  gfx::Canvas& c = Display.GetCanvas();
  c.CopyRect(0, 0, X, H, Image, 0, 0);
  const int s = std::min(W - X, W / 10);
  c.StretchRect(X, 0, W - X, H, Image, X, 0, s, H);
}

// The new picture is uncovered from the right; the rest of the frame shows the
// strip just left of it stretched over it.
void Effect017(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  gfx::Canvas& c = Display.GetCanvas();
  const int d = W - X;
  c.CopyRect(d, 0, X, H, Image, d, 0);
  const int a = std::max(d - W / 10, 0);
  c.StretchRect(0, 0, d, H, Image, a, 0, d - a, H);
}

// ---- along y ----

// The whole new picture is squeezed into a band growing from the bottom edge.
void Effect018(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  Display.GetCanvas().StretchRect(0, H - Y, W, Y, Image, 0, 0, W, H);
}

// The whole new picture is squeezed into a band growing from the top edge.
void Effect019(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  Display.GetCanvas().StretchRect(0, 0, W, Y, Image, 0, 0, W, H);
}

// The new picture slides in unscaled from the bottom edge.
void Effect020(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  Display.GetCanvas().CopyRect(0, H - Y, W, H, Image, 0, 0);
}

// The new picture slides in unscaled from the top edge.
void Effect021(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  Display.GetCanvas().CopyRect(0, Y - H, W, H, Image, 0, 0);
}

// The new picture is uncovered in place from the top edge.
void Effect022(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  Display.GetCanvas().CopyRect(0, 0, W, Y, Image, 0, 0);
}

// The new picture is uncovered in place from the bottom edge.
void Effect023(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  Display.GetCanvas().CopyRect(0, H - Y, W, Y, Image, 0, H - Y);
}

// The new picture starts magnified at the top edge and shrinks to its size.
void Effect024(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  Display.GetCanvas().StretchRect(0, 0, W, 2 * H - Y, Image, 0, 0, W, Y);
}

// The new picture starts magnified at the bottom edge and shrinks to its size.
void Effect025(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  Display.GetCanvas().StretchRect(0, Y - H, W, 2 * H - Y, Image, 0, H - Y, W, Y);
}

// The middle band of the new picture starts magnified and shrinks to full height.
void Effect026(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  Display.GetCanvas().StretchRect(0, Y - H, W, 3 * H - 2 * Y, Image, 0, (H - Y) / 2, W, Y);
}

// The whole new picture grows out of the horizontal middle line.
void Effect027(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  Display.GetCanvas().StretchRect(0, (H - Y) / 2, W, Y, Image, 0, 0, W, H);
}

// The new picture is uncovered outwards from the horizontal middle line.
void Effect028(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  const int a = (H - Y) / 2;
  Display.GetCanvas().CopyRect(0, a, W, Y, Image, 0, a);
}

// The new picture is uncovered from the top and bottom towards the middle.
void Effect029(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  gfx::Canvas& c = Display.GetCanvas();
  const int h = Y / 2;
  c.CopyRect(0, 0, W, h, Image, 0, 0);
  c.CopyRect(0, H - h, W, h, Image, 0, H - h);
}

// Each half of the new picture is squeezed into a band growing from its edge.
void Effect030(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  gfx::Canvas& c = Display.GetCanvas();
  const int h = Y / 2;
  const int s = H / 2;
  c.StretchRect(0, 0, W, h, Image, 0, 0, W, s);
  c.StretchRect(0, H - h, W, h, Image, 0, s, W, s);
}

// The new picture is uncovered from the top; the rest of the frame shows the
// next band (at most a tenth of the height) stretched over it.
void Effect033(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  gfx::Canvas& c = Display.GetCanvas();
  c.CopyRect(0, 0, W, Y, Image, 0, 0);
  const int s = std::min(H - Y, H / 10);
  c.StretchRect(0, Y, W, H - Y, Image, 0, Y, W, s);
}

// The new picture is uncovered from the bottom; the rest of the frame shows
// the band just above it stretched over it.
void Effect034(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  gfx::Canvas& c = Display.GetCanvas();
  const int d = H - Y;
  c.CopyRect(0, d, W, Y, Image, 0, d);
  const int a = std::max(d - H / 10, 0);
  c.StretchRect(0, 0, W, d, Image, 0, a, W, d - a);
}

}  // namespace effects
