// The old picture is moved within the frame, then the new picture fills the
// strip it freed. Moves and squeezes read their whole source block before
// writing (the canvas guarantees it within one bitmap), so nothing smears.
#include "push_effects.h"

#include "gfx/canvas.h"

namespace effects {

namespace {

// Copies the w x h block of Display at (sx, sy) to (dx, dy) of Display.
void Move(gfx::Bitmap& Display, int sx, int sy, int w, int h, int dx, int dy) {
  Display.GetCanvas().CopyRect(dx, dy, w, h, Display, sx, sy);
}

// Stretches the whole old picture onto the block (dx, dy, dw, dh).
void Squeeze(gfx::Bitmap& Display, int dx, int dy, int dw, int dh) {
  Display.GetCanvas().StretchRect(dx, dy, dw, dh, Display, 0, 0, Display.Width(), Display.Height());
}

// Copies the w x h block of Image at (sx, sy) to (dx, dy) of Display.
void Copy(gfx::Bitmap& Display, const gfx::Bitmap& Image, int dx, int dy, int w, int h, int sx,
          int sy) {
  Display.GetCanvas().CopyRect(dx, dy, w, h, Image, sx, sy);
}

}  // namespace

// ---- along x ----

// The new picture enters from the left and pushes the old one out to the right.
void Effect129(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  Move(Display, 0, 0, W - X, H, X, 0);
  Copy(Display, Image, 0, 0, X, H, W - X, 0);
}

// The new picture enters from the right and pushes the old one out to the left.
void Effect130(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  Move(Display, X, 0, W - X, H, 0, 0);
  Copy(Display, Image, W - X, 0, X, H, 0, 0);
}

// The new picture enters from the left and squeezes the old one to the right.
void Effect131(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  Squeeze(Display, X, 0, W - X, H);
  Copy(Display, Image, 0, 0, X, H, W - X, 0);
}

// The new picture enters from the right and squeezes the old one to the left.
void Effect132(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  Squeeze(Display, 0, 0, W - X, H);
  Copy(Display, Image, W - X, 0, X, H, 0, 0);
}

// ---- along y ----

// The new picture enters from the top and pushes the old one out at the bottom.
void Effect133(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  Move(Display, 0, 0, W, H - Y, 0, Y);
  Copy(Display, Image, 0, 0, W, Y, 0, H - Y);
}

// The new picture enters from the bottom and pushes the old one out at the top.
void Effect134(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  Move(Display, 0, Y, W, H - Y, 0, 0);
  Copy(Display, Image, 0, H - Y, W, Y, 0, 0);
}

// The new picture enters from the top and squeezes the old one downwards.
void Effect135(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  Squeeze(Display, 0, Y, W, H - Y);
  Copy(Display, Image, 0, 0, W, Y, 0, H - Y);
}

// The new picture enters from the bottom and squeezes the old one upwards.
void Effect136(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  Squeeze(Display, 0, 0, W, H - Y);
  Copy(Display, Image, 0, H - Y, W, Y, 0, 0);
}

// ---- slide-outs ----

// The old picture slides out to the right, uncovering the new one from the left.
void Effect173(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  Move(Display, 0, 0, W - X, H, X, 0);
  Copy(Display, Image, 0, 0, X, H, 0, 0);
}

// The old picture slides out to the left, uncovering the new one from the right.
void Effect174(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  Move(Display, X, 0, W - X, H, 0, 0);
  Copy(Display, Image, W - X, 0, X, H, W - X, 0);
}

// The old picture slides down, uncovering the new one from the top.
void Effect175(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  Move(Display, 0, 0, W, H - Y, 0, Y);
  Copy(Display, Image, 0, 0, W, Y, 0, 0);
}

// The old picture slides up, uncovering the new one from the bottom.
void Effect176(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  Move(Display, 0, Y, W, H - Y, 0, 0);
  Copy(Display, Image, 0, H - Y, W, Y, 0, H - Y);
}

}  // namespace effects
