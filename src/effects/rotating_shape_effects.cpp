// A rectangle or a four-pointed star that grows while it makes one full turn.
// Which way it turns comes from the new picture, so it never reverses within
// a transition but differs from picture to picture.
#include <array>
#include <numbers>

#include "region_builders.h"
#include "shape_effects.h"

namespace effects {

namespace {

// 3.6 degrees per percent; positive turns clockwise on screen, and the lowest
// bit of the picture's handle turns the other way.
long double TurnAngle(const gfx::Bitmap& Image, int Progress) {
  const long double a = Progress * std::numbers::pi_v<long double> / 50;
  return (Image.Handle() & 1u) ? -a : a;
}

template <size_t N>
void RevealTurned(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H,
                  std::array<gfx::Point, N> points, gfx::Point centre, int Progress) {
  RotatePoints(points.data(), int(N), centre.x, centre.y, TurnAngle(Image, Progress));
  RevealThroughRegion(Display, Image, W, H,
                      gfx::Region::FromPolygon(points.data(), N, gfx::FillMode::Winding));
}

// The X by Y rectangle centred on the frame (each side halved first).
std::array<gfx::Point, 4> CentredRectangle(int W, int H, int X, int Y) {
  const int cx = W / 2, cy = H / 2, hx = X / 2, hy = Y / 2;
  return {{{cx - hx, cy - hy}, {cx + hx, cy - hy}, {cx + hx, cy + hy}, {cx - hx, cy + hy}}};
}

}  // namespace

// A rectangle grows from the centre while it turns once about it.
void Effect150(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealTurned(Display, Image, W, H, CentredRectangle(W, H, X, Y), {W / 2, H / 2}, Progress);
}

// A four-pointed star grows from the centre while it turns once about it.
void Effect151(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  const int cx = W / 2, cy = H / 2, hx = X / 2, hy = Y / 2;
  // Tips four times as far out as the waist.
  const std::array<gfx::Point, 8> star = {{{cx - 2 * X, cy},
                                           {cx - hx, cy - hy},
                                           {cx, cy - 2 * Y},
                                           {cx + hx, cy - hy},
                                           {cx + 2 * X, cy},
                                           {cx + hx, cy + hy},
                                           {cx, cy + 2 * Y},
                                           {cx - hx, cy + hy}}};
  RevealTurned(Display, Image, W, H, star, {cx, cy}, Progress);
}

// The growing centre rectangle swings once round a pivot that travels from
// the top left corner to the bottom right one.
void Effect152(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealTurned(Display, Image, W, H, CentredRectangle(W, H, X, Y), {X, Y}, Progress);
}

}  // namespace effects
