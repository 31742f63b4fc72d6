// Darkening of a band of columns or rows, used for the rolled-up strip of the
// unroll transitions. Works on 32-bit pixel memory directly; other formats
// are left alone.
#pragma once

#include "gfx/bitmap.h"

namespace effects {

// Darkens the Count columns starting at First, over all rows, by a ramp that
// starts at -Amount, climbs towards the band's middle and falls after it.
// Blue, green and red are clamped to 0..255; the fourth byte is kept. Does
// nothing when Count < 2 or Amount is 0. Columns outside the frame are skipped.
void ShadeColumns(gfx::Bitmap& Display, int Amount, int First, int Count);

// The same for the Count rows starting at First, over all columns; the ramp
// starts at the band's bottom row and runs upwards.
void ShadeRows(gfx::Bitmap& Display, int Amount, int First, int Count);

}  // namespace effects
