// Turning a decoded picture upright for its EXIF orientation (1..8).
#pragma once

#include "bitmap.h"

namespace gfx {

// 5..8 store the picture on its side: width and height trade places.
bool OrientationSwapsSides(int orientation);

// Turns a 24- or 32-bit picture upright: 2 mirrors it, 3 turns it half round,
// 4 flips it, 5 transposes it, 6 turns it a quarter clockwise, 7 transposes
// it across the other diagonal, 8 turns it a quarter anticlockwise. Flips
// happen in place; a quarter turn needs one picture-sized buffer.
void ApplyOrientation(Bitmap& bitmap, int orientation);

}  // namespace gfx
