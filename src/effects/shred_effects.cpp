// Shreds: bars whose lengths jitter around the progress front, drawn anew
// from the shared generator in every frame so the edge flickers.
#include "bars_family.h"
#include "region_builders.h"

namespace effects {

// Ragged bars reach in from the right.
void Effect065(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealThroughRegion(Display, Image, W, H, BuildShredRegion(X, 0, W, H, 1, 0));
}

// Ragged bars reach in from the left.
void Effect066(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealThroughRegion(Display, Image, W, H, BuildShredRegion(X, 0, W, H, 2, 0));
}

// Ragged bars spread out both ways from the vertical middle line.
void Effect067(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealThroughRegion(Display, Image, W, H, BuildShredRegion(X, 0, W, H, 3, 0));
}

// Ragged bars reach in from both sides towards the middle.
void Effect068(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealThroughRegion(Display, Image, W, H, BuildShredRegion(X, 0, W, H, 4, 0));
}

// Ragged columns rise from the bottom.
void Effect076(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealThroughRegion(Display, Image, W, H, BuildShredRegion(0, Y, W, H, 0, 1));
}

// Ragged columns hang down from the top.
void Effect077(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealThroughRegion(Display, Image, W, H, BuildShredRegion(0, Y, W, H, 0, 2));
}

// Ragged columns spread up and down from the horizon.
void Effect078(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealThroughRegion(Display, Image, W, H, BuildShredRegion(0, Y, W, H, 0, 3));
}

// Ragged columns close in from top and bottom towards the horizon.
void Effect079(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealThroughRegion(Display, Image, W, H, BuildShredRegion(0, Y, W, H, 0, 4));
}

// Ragged bars from the right and ragged columns from the bottom.
void Effect100(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealThroughRegion(Display, Image, W, H, BuildShredRegion(X, Y, W, H, 1, 1));
}

// Ragged bars from the right and ragged columns from the top.
void Effect101(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealThroughRegion(Display, Image, W, H, BuildShredRegion(X, Y, W, H, 1, 2));
}

// Ragged bars from the left and ragged columns from the bottom.
void Effect102(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealThroughRegion(Display, Image, W, H, BuildShredRegion(X, Y, W, H, 2, 1));
}

// Ragged bars from the left and ragged columns from the top.
void Effect103(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealThroughRegion(Display, Image, W, H, BuildShredRegion(X, Y, W, H, 2, 2));
}

// Ragged bars from the right and ragged columns out from the horizon.
void Effect104(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealThroughRegion(Display, Image, W, H, BuildShredRegion(X, Y, W, H, 1, 3));
}

// Ragged bars from the left and ragged columns out from the horizon.
void Effect105(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealThroughRegion(Display, Image, W, H, BuildShredRegion(X, Y, W, H, 2, 3));
}

// Ragged bars out from the vertical middle, ragged columns from the bottom.
void Effect106(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealThroughRegion(Display, Image, W, H, BuildShredRegion(X, Y, W, H, 3, 1));
}

// Ragged bars out from the vertical middle, ragged columns from the top.
void Effect107(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealThroughRegion(Display, Image, W, H, BuildShredRegion(X, Y, W, H, 3, 2));
}

// Ragged bars and columns spread out from the centre lines.
void Effect108(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealThroughRegion(Display, Image, W, H, BuildShredRegion(X, Y, W, H, 3, 3));
}

// Ragged bars and columns close in from all four edges.
void Effect109(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealThroughRegion(Display, Image, W, H, BuildShredRegion(X, Y, W, H, 4, 4));
}

}  // namespace effects
