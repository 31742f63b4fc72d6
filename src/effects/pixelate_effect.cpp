// The old picture zooms into its centre until a few huge pixels fill the
// frame, the centre block cross-fades, and the new picture zooms back out.
#include <algorithm>

#include "gfx/arith.h"
#include "gfx/canvas.h"
#include "pixel_blend.h"
#include "pixel_effects.h"

namespace effects {

// Blocky zoom in on the old picture, blend, and blocky zoom out of the new one.
void Effect168(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress) {
  using gfx::MulDiv;
  const bool zoomingIn = Progress <= 50;
  const gfx::Bitmap* source = zoomingIn ? &Display : &Image;
  // f is the share of the progress extents (in percent) left out on each
  // side of the source block: it grows towards the middle of the transition.
  const int f = zoomingIn ? 180 - MulDiv(Progress, 82, 50) : MulDiv(Progress - 100, 82, 50) + 180;
  const int a = zoomingIn ? X : W - X, b = zoomingIn ? Y : H - Y;
  const int sx = MulDiv(a, f, 100), sy = MulDiv(b, f, 100);
  const int sw = std::max(W - 2 * sx, 2), sh = std::max(H - 2 * sy, 2);
  if (Progress >= 41 && Progress <= 59) {
    // Magnify the mixture of both pictures: 5 % new at 41, 95 % at 59.
    BlendRect(Display, Image, 5 * Progress - 200, sx, sy, sw, sh);
    source = &Display;
  }
  // Within Display the canvas reads the whole source block before writing.
  Display.GetCanvas().StretchRect(-2 * sx, -2 * sy, W + 4 * sx, H + 4 * sy, *source, sx, sy, sw,
                                  sh);
}

}  // namespace effects
