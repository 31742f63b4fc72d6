// Corner, centre and quarter transitions: the new picture expands, slides in,
// is uncovered or shrinks to size towards a corner or the centre. Copies are
// made in the order written.
#include "edge_effects.h"

#include "gfx/canvas.h"

namespace effects {

// ---- corners ----

// The whole new picture grows out of the bottom right corner.
void Effect035(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  Display.GetCanvas().StretchRect(W - X, H - Y, X, Y, Image, 0, 0, W, H);
}

// The whole new picture grows out of the top right corner.
void Effect036(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  Display.GetCanvas().StretchRect(W - X, 0, X, Y, Image, 0, 0, W, H);
}

// The whole new picture grows out of the top left corner.
void Effect037(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  Display.GetCanvas().StretchRect(0, 0, X, Y, Image, 0, 0, W, H);
}

// The whole new picture grows out of the bottom left corner.
void Effect038(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  Display.GetCanvas().StretchRect(0, H - Y, X, Y, Image, 0, 0, W, H);
}

// The new picture slides in unscaled from the bottom right corner.
void Effect039(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  Display.GetCanvas().CopyRect(W - X, H - Y, W, H, Image, 0, 0);
}

// The new picture slides in unscaled from the top right corner.
void Effect040(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  Display.GetCanvas().CopyRect(W - X, Y - H, W, H, Image, 0, 0);
}

// The new picture slides in unscaled from the top left corner.
void Effect041(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  Display.GetCanvas().CopyRect(X - W, Y - H, W, H, Image, 0, 0);
}

// The new picture slides in unscaled from the bottom left corner.
void Effect042(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  Display.GetCanvas().CopyRect(X - W, H - Y, W, H, Image, 0, 0);
}

// The new picture is uncovered in place from the top left corner.
void Effect043(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  Display.GetCanvas().CopyRect(0, 0, X, Y, Image, 0, 0);
}

// The new picture is uncovered in place from the bottom left corner.
void Effect044(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  Display.GetCanvas().CopyRect(0, H - Y, X, Y, Image, 0, H - Y);
}

// The new picture is uncovered in place from the bottom right corner.
void Effect045(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  Display.GetCanvas().CopyRect(W - X, H - Y, X, Y, Image, W - X, H - Y);
}

// The new picture is uncovered in place from the top right corner.
void Effect046(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  Display.GetCanvas().CopyRect(W - X, 0, X, Y, Image, W - X, 0);
}

// The new picture appears magnified and contracts to size towards the top left.
void Effect047(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  Display.GetCanvas().StretchRect(0, 0, 2 * W - X, 2 * H - Y, Image, 0, 0, X, Y);
}

// The new picture appears magnified and contracts to size towards the bottom left.
void Effect048(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  Display.GetCanvas().StretchRect(0, Y - H, 2 * W - X, 2 * H - Y, Image, 0, H - Y, X, Y);
}

// The new picture appears magnified and contracts to size towards the bottom right.
void Effect049(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  Display.GetCanvas().StretchRect(X - W, Y - H, 2 * W - X, 2 * H - Y, Image, W - X, H - Y, X,
                                  Y);
}

// The new picture appears magnified and contracts to size towards the top right.
void Effect050(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  Display.GetCanvas().StretchRect(X - W, 0, 2 * W - X, 2 * H - Y, Image, W - X, 0, X, Y);
}

// ---- centre ----

// The middle of the new picture appears magnified and contracts to full size.
void Effect051(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  Display.GetCanvas().StretchRect(X - W, Y - H, 3 * W - 2 * X, 3 * H - 2 * Y, Image,
                                  (W - X) / 2, (H - Y) / 2, X, Y);
}

// The whole new picture grows out of the centre.
void Effect052(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  Display.GetCanvas().StretchRect((W - X) / 2, (H - Y) / 2, X, Y, Image, 0, 0, W, H);
}

// The new picture is uncovered in place outwards from the centre.
void Effect053(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  const int a = (W - X) / 2;
  const int b = (H - Y) / 2;
  Display.GetCanvas().CopyRect(a, b, X, Y, Image, a, b);
}

// ---- quarters ----

// The new picture is uncovered from the four corners towards the middle.
void Effect055(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  gfx::Canvas& c = Display.GetCanvas();
  const int h = X / 2;
  const int v = Y / 2;
  c.CopyRect(0, 0, h, v, Image, 0, 0);
  c.CopyRect(0, H - v, h, v, Image, 0, H - v);
  c.CopyRect(W - h, H - v, h, v, Image, W - h, H - v);
  c.CopyRect(W - h, 0, h, v, Image, W - h, 0);
}

// Each quarter of the new picture grows out of its own corner.
void Effect056(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  gfx::Canvas& c = Display.GetCanvas();
  const int h = X / 2;
  const int v = Y / 2;
  const int s = W / 2;
  const int t = H / 2;
  c.StretchRect(0, 0, h, v, Image, 0, 0, s, t);
  c.StretchRect(0, H - v, h, v, Image, 0, t, s, t);
  c.StretchRect(W - h, H - v, h, v, Image, s, t, s, t);
  c.StretchRect(W - h, 0, h, v, Image, s, 0, s, t);
}

// The four quarters slide in, one from each side, turning round the frame.
void Effect057(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  gfx::Canvas& c = Display.GetCanvas();
  const int s = W / 2;
  const int t = H / 2;
  c.CopyRect(X / 2 - s, 0, s, t, Image, 0, 0);      // top left, from the left
  c.CopyRect(s, Y / 2 - t, s, t, Image, s, 0);      // top right, from the top
  c.CopyRect(W - X / 2, t, s, t, Image, s, t);      // bottom right, from the right
  c.CopyRect(0, H - Y / 2, s, t, Image, 0, t);      // bottom left, from the bottom
}

}  // namespace effects
