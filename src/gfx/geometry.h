// Plain integer geometry shared by the drawing layer and the effects.
#pragma once

namespace gfx {

struct Point {
  int x = 0;
  int y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

// Covers columns Left..Right-1 and rows Top..Bottom-1. A rectangle with
// Right <= Left or Bottom <= Top is empty.
struct Rect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;

  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

// Intersection; empty rectangles come back as (0,0,0,0).
Rect Intersect(const Rect& a, const Rect& b);

// Aspect-preserving fit of a picture into a frame: it touches two opposite
// edges and the same margin (rounded half to even) is left on both other sides.
Rect FitRect(const Rect& picture, const Rect& frame);

}  // namespace gfx
