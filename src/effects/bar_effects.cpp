// Bars growing from the frame edges, and criss-cross patterns where
// horizontal and vertical bars grow at the same time.
#include "bars_family.h"
#include "region_builders.h"

namespace effects {

namespace {

void RevealBars(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int XLen,
                int YLen, int Horz, int Vert) {
  RevealThroughRegion(Display, Image, W, H, BuildBarsRegion(XLen, YLen, W, H, Horz, Vert));
}

}  // namespace

// Every other bar slides in from the right, then the bars between them.
void Effect060(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealBars(Display, Image, W, H, 2 * X, 0, 1, 0);
}

// Every other bar slides in from the left, then the bars between them.
void Effect061(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealBars(Display, Image, W, H, 2 * X, 0, 2, 0);
}

// Every other bar slides in from the left, the rest from the right.
void Effect062(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealBars(Display, Image, W, H, 2 * X, 0, 4, 0);
}

// Every other bar slides in from the right, the rest from the left.
void Effect063(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealBars(Display, Image, W, H, 2 * X, 0, 5, 0);
}

// Alternate bars slide in from the left and the right at once.
void Effect064(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealBars(Display, Image, W, H, X, 0, 3, 0);
}

// Every other column grows up from the bottom, then the columns between.
void Effect071(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealBars(Display, Image, W, H, 0, 2 * Y, 0, 1);
}

// Every other column grows down from the top, then the columns between.
void Effect072(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealBars(Display, Image, W, H, 0, 2 * Y, 0, 2);
}

// Every other column grows down from the top, the rest up from the bottom.
void Effect073(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealBars(Display, Image, W, H, 0, 2 * Y, 0, 4);
}

// Every other column grows up from the bottom, the rest down from the top.
void Effect074(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealBars(Display, Image, W, H, 0, 2 * Y, 0, 5);
}

// Alternate columns grow from the top and the bottom at once.
void Effect075(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealBars(Display, Image, W, H, 0, Y, 0, 3);
}

// A lattice of bars grows in from the right and up from the bottom.
void Effect086(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealBars(Display, Image, W, H, 2 * X, 2 * Y, 1, 1);
}

// A lattice of bars grows in from the right and down from the top.
void Effect087(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealBars(Display, Image, W, H, 2 * X, 2 * Y, 1, 2);
}

// A lattice of bars grows in from the left and up from the bottom.
void Effect088(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealBars(Display, Image, W, H, 2 * X, 2 * Y, 2, 1);
}

// A lattice of bars grows in from the left and down from the top.
void Effect089(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealBars(Display, Image, W, H, 2 * X, 2 * Y, 2, 2);
}

// A lattice grows from the top left; the bars between come from the bottom right.
void Effect090(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealBars(Display, Image, W, H, 2 * X, 2 * Y, 4, 4);
}

// A lattice grows from the bottom left; the bars between come from the top right.
void Effect091(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealBars(Display, Image, W, H, 2 * X, 2 * Y, 4, 5);
}

// A lattice grows from the top right; the bars between come from the bottom left.
void Effect092(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealBars(Display, Image, W, H, 2 * X, 2 * Y, 5, 4);
}

// A lattice grows from the bottom right; the bars between come from the top left.
void Effect093(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealBars(Display, Image, W, H, 2 * X, 2 * Y, 5, 5);
}

// Bars slide in from the right while columns grow from top and bottom.
void Effect094(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  // Only every other horizontal bar ever grows; the columns finish the frame.
  RevealBars(Display, Image, W, H, X, Y, 1, 3);
}

// Bars slide in from the left while columns grow from top and bottom.
void Effect095(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealBars(Display, Image, W, H, X, Y, 2, 3);
}

// Bars slide in from both sides while columns grow up from the bottom.
void Effect096(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealBars(Display, Image, W, H, X, Y, 3, 1);
}

// Bars slide in from both sides while columns grow down from the top.
void Effect097(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealBars(Display, Image, W, H, X, Y, 3, 2);
}

// Bars slide in from both sides while columns grow from top and bottom.
void Effect098(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealBars(Display, Image, W, H, X, Y, 3, 3);
}

// Only the crossings of a bottom-right and a top-left lattice open.
void Effect099(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  std::optional<gfx::Region> a = BuildBarsRegion(2 * X, 2 * Y, W, H, 1, 1);
  const std::optional<gfx::Region> b = BuildBarsRegion(2 * X, 2 * Y, W, H, 2, 2);
  // Where either lattice is missing, the intersection is nothing.
  if (!a || !b) return;
  RevealThroughRegion(Display, Image, W, H, gfx::Region::Combine(*a, *b, gfx::CombineMode::And));
}

}  // namespace effects
