// Speckled fronts (a solid edge with loose squares flickering ahead of it)
// and squares appearing at random in a pattern that holds for a transition.
#include <algorithm>

#include "bars_family.h"
#include "complex_region.h"
#include "gfx/random.h"
#include "region_builders.h"

namespace effects {

// A solid front moves in from the right with squares scattered ahead of it.
void Effect124(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealThroughRegion(Display, Image, W, H, BuildSpeckleRegion(X, Y, W, H, 1, 0));
}

// A solid front moves in from the left with squares scattered ahead of it.
void Effect125(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealThroughRegion(Display, Image, W, H, BuildSpeckleRegion(X, Y, W, H, 2, 0));
}

// A solid front rises from the bottom with squares scattered above it.
void Effect126(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealThroughRegion(Display, Image, W, H, BuildSpeckleRegion(X, Y, W, H, 0, 1));
}

// A solid front comes down from the top with squares scattered below it.
void Effect127(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  RevealThroughRegion(Display, Image, W, H, BuildSpeckleRegion(X, Y, W, H, 0, 2));
}

// Grid squares switch to the new picture at random, and once shown they stay.
void Effect128(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  std::optional<gfx::Region> region;
  {
    // Seeding from the picture gives every frame of a transition the same
    // numbers, so the pattern only grows; the caller's sequence is put back.
    gfx::RandSeedGuard keep;
    gfx::SetRandSeed(Image.Handle());
    TComplexRegion list;
    const int side = 2 * (std::min(W, H) / 50 + 1);
    for (int x = 0; x < W; x += side) {
      for (int y = 0; y < H; y += side) {
        // One number per square whether it shows or not, so the draw order
        // never shifts.
        if (gfx::Random(100) < Progress) list.AddRect(x, y, x + side, y + side);
      }
    }
    region = list.CreateRegion();
  }
  RevealThroughRegion(Display, Image, W, H, std::move(region));
}

}  // namespace effects
