// Transition effects that work on pixel memory rather than through regions:
// cross-fades, rotations about a corner, a zoom-and-blend pixelation, random
// per-pixel, per-row and per-column switches and a channel-wise change-over.
#pragma once

#include "effect.h"

namespace effects {

// Cross-fades (blend_effects.cpp).
void Effect119(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress);
void Effect172(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress);

// The new picture swings in about a point just outside a corner (pivot_effects.cpp).
void Effect120(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress);
void Effect121(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress);
void Effect122(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress);
void Effect123(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress);

// Zoom into the old picture's centre and out of the new one's (pixelate_effect.cpp).
void Effect168(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress);

// Pixels, rows or columns switched in a pattern that holds for a whole
// transition (random_switch_effects.cpp).
void Effect169(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress);
void Effect170(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress);
void Effect171(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H, int X, int Y,
               int Progress);

}  // namespace effects
