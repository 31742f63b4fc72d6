// The smooth alternative to the blocky stretch, for fitting pictures.
#pragma once

#include "bitmap.h"
#include "geometry.h"

namespace gfx {

// Draws a 24- or 32-bit picture into dest of a 32-bit bitmap. Shrinking
// averages each target pixel over exactly the source area it covers (pixels
// cut by its edges count with their covered part); enlarging interpolates
// linearly between pixel centres. Parts of dest outside the bitmap are left out.
void SmoothStretch(Bitmap& target, const Rect& dest, const Bitmap& picture);

}  // namespace gfx
