// Blinds and rectangle patterns: slats that open from their centre lines,
// strips whose period follows the progress, and growing squares.
#include <algorithm>

#include "bars_family.h"
#include "complex_region.h"
#include "gfx/arith.h"
#include "region_builders.h"

namespace effects {

namespace {

// Columns of the given period from the left, each opened c pixels from its
// left edge. A period of 0 or less would never end, so it shows nothing.
void AddColumnsFromLeft(TComplexRegion& list, int W, int H, int period, int c) {
  if (period <= 0) return;
  for (int x = 0; x < W; x += period) list.AddRect(x, 0, x + c, H);
}

void AddColumnsFromRight(TComplexRegion& list, int W, int H, int period, int c) {
  if (period <= 0) return;
  for (int x = W; x > 0; x -= period) list.AddRect(x - c, 0, x, H);
}

void AddRowsFromTop(TComplexRegion& list, int W, int H, int period, int c) {
  if (period <= 0) return;
  for (int y = 0; y < H; y += period) list.AddRect(0, y, W, y + c);
}

void AddRowsFromBottom(TComplexRegion& list, int W, int H, int period, int c) {
  if (period <= 0) return;
  for (int y = H; y > 0; y -= period) list.AddRect(0, y - c, W, y);
}

// Bands of half-height a around y = -n, 2n, 5n, ... (period 3n).
void AddBandRows(TComplexRegion& list, int W, int H, int n, int a) {
  for (int y = -n; y < H; y += 3 * n) list.AddRect(0, y - a, W, y + a);
}

void AddBandColumns(TComplexRegion& list, int W, int H, int n, int a) {
  for (int x = -n; x < W; x += 3 * n) list.AddRect(x - a, 0, x + a, H);
}

// An empty list gives no region; revealing nothing is then the right thing.
void Reveal(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H,
            TComplexRegion& list) {
  RevealThroughRegion(Display, Image, W, H, list.CreateRegion());
}

}  // namespace

// Vertical slats open from their centre lines like a blind.
void Effect137(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  TComplexRegion list;
  const int n = W / 40 + 1;
  const int a = gfx::MulDiv(n, Progress, 100);
  for (int x = 0; x < W; x += 2 * n) list.AddRect(x + n - a, 0, x + n + a, H);
  Reveal(Display, Image, W, H, list);
}

// Horizontal slats open from their centre lines like a blind.
void Effect138(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  TComplexRegion list;
  const int n = H / 40 + 1;
  const int a = gfx::MulDiv(n, Progress, 100);
  for (int y = 0; y < H; y += 2 * n) list.AddRect(0, y + n - a, W, y + n + a);
  Reveal(Display, Image, W, H, list);
}

// Restless vertical strips open rightwards from their left edges.
void Effect139(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  TComplexRegion list;
  AddColumnsFromLeft(list, W, H, X, gfx::MulDiv(X, Progress, 100));
  Reveal(Display, Image, W, H, list);
}

// Restless vertical strips open leftwards from their right edges.
void Effect140(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  TComplexRegion list;
  AddColumnsFromRight(list, W, H, X, gfx::MulDiv(X, Progress, 100));
  Reveal(Display, Image, W, H, list);
}

// Restless horizontal strips open downwards from their top edges.
void Effect141(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  TComplexRegion list;
  AddRowsFromTop(list, W, H, Y, gfx::MulDiv(Y, Progress, 100));
  Reveal(Display, Image, W, H, list);
}

// Restless horizontal strips open upwards from their bottom edges.
void Effect142(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  TComplexRegion list;
  AddRowsFromBottom(list, W, H, Y, gfx::MulDiv(Y, Progress, 100));
  Reveal(Display, Image, W, H, list);
}

// Squares grow from the centres of a grid until they tile the frame.
void Effect143(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  TComplexRegion list;
  const int n = std::min(W, H) / 10 + 1;
  const int a = gfx::MulDiv(n, Progress, 100);
  for (int x = 0; x < W; x += 2 * n)
    for (int y = 0; y < H; y += 2 * n) list.AddRect(x + n - a, y + n - a, x + n + a, y + n + a);
  Reveal(Display, Image, W, H, list);
}

// Horizontal bands widen while restless strips open from the left.
void Effect146(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  const int n = H / 20;
  if (X <= 0 || n <= 0) return;
  TComplexRegion list;
  AddBandRows(list, W, H, n, gfx::MulDiv(n, Progress, 100));
  AddColumnsFromLeft(list, W, H, X, gfx::MulDiv(X, Progress, 100));
  Reveal(Display, Image, W, H, list);
}

// Horizontal bands widen while restless strips open from the right.
void Effect147(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  const int n = H / 20;
  if (X <= 0 || n <= 0) return;
  TComplexRegion list;
  AddBandRows(list, W, H, n, gfx::MulDiv(n, Progress, 100));
  AddColumnsFromRight(list, W, H, X, gfx::MulDiv(X, Progress, 100));
  Reveal(Display, Image, W, H, list);
}

// Vertical bands widen while restless strips open from the top.
void Effect148(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  const int n = W / 20;
  if (n <= 0 || Y <= 0) return;
  TComplexRegion list;
  AddBandColumns(list, W, H, n, gfx::MulDiv(n, Progress, 100));
  AddRowsFromTop(list, W, H, Y, gfx::MulDiv(Y, Progress, 100));
  Reveal(Display, Image, W, H, list);
}

// Vertical bands widen while restless strips open from the bottom.
void Effect149(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  const int n = W / 20;
  if (n <= 0 || Y <= 0) return;
  TComplexRegion list;
  AddBandColumns(list, W, H, n, gfx::MulDiv(n, Progress, 100));
  AddRowsFromBottom(list, W, H, Y, gfx::MulDiv(Y, Progress, 100));
  Reveal(Display, Image, W, H, list);
}

}  // namespace effects
