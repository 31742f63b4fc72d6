// Transition effects that reveal the new picture in place through polygon
// and ellipse regions: shape grids, turning shapes, V shapes, bow ties,
// crosses, zigzag bands and diamonds.
#pragma once

#include "effect.h"

namespace effects {

// Grids of shapes growing from their cell centres (shred_grid_effects.cpp).
void Effect118(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress);
void Effect153(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress);
void Effect164(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress);

// A rectangle or a star turning about a point (rotating_shape_effects.cpp).
void Effect150(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress);
void Effect151(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress);
void Effect152(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress);

// V shapes, bow ties, diagonal crosses, zigzag bands and diamonds
// (polygon_effects.cpp).
void Effect154(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress);
void Effect155(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress);
void Effect156(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress);
void Effect157(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress);
void Effect158(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress);
void Effect159(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress);
void Effect160(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress);
void Effect161(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress);
void Effect162(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress);
void Effect163(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress);
void Effect165(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress);
void Effect166(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress);
void Effect167(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress);

}  // namespace effects
