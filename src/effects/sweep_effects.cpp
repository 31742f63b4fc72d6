// A sector turns about the frame centre like a clock hand, starting at
// twelve o'clock, 3.6 degrees per percent of progress, with one arc point per
// percent. The last arc point stops one step short of the end angle, so the
// swept angle is (Progress - 1) * 3.6 degrees and progress 1 shows nothing.
#include <cmath>
#include <cstdint>
#include <numbers>

#include "region_builders.h"
#include "shape_reveals.h"

namespace effects {

namespace {

// Smallest integer not below the distance from the centre to the farthest
// corner, so that the arc stays outside the frame. On an odd size the right
// and bottom corners lie one column or row further from half(W), half(H)
// than the left and top ones; measuring to those keeps the last pixels there
// from staying old for the whole sweep.
int CornerRadius(int W, int H) {
  const int64_t dx = W - W / 2, dy = H - H / 2;
  const int64_t n = dx * dx + dy * dy;
  auto r = int64_t(std::sqrt(static_cast<long double>(n)));
  while (r * r < n) ++r;
  while (r > 0 && (r - 1) * (r - 1) >= n) --r;
  return int(r);
}

void Sweep(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int Progress,
           long double turn) {
  const int cx = W / 2, cy = H / 2;
  const long double start = -std::numbers::pi_v<long double> / 2;
  RevealThroughRegion(Display, Image, W, H,
                      BuildSectorRegion(cx, cy, CornerRadius(W, H), start, start + turn,
                                        Progress));
}

}  // namespace

// A sector sweeps clockwise from twelve o'clock.
void Effect144(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  Sweep(Display, Image, W, H, Progress, Progress * std::numbers::pi_v<long double> / 50);
}

// A sector sweeps anticlockwise from twelve o'clock.
void Effect145(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  Sweep(Display, Image, W, H, Progress, -Progress * std::numbers::pi_v<long double> / 50);
}

}  // namespace effects
