// A Gaussian-like blur from repeated box averages, for blurred backdrops.
#pragma once

#include "bitmap.h"

namespace gfx {

// Blurs a 32-bit bitmap in place with `passes` box averages of width
// 2*radius+1 along each axis (three passes come within a few percent of a
// Gaussian of sigma ~ radius). Edges repeat the border pixel, so a picture
// blurred to the edge never darkens there. Linear time in the pixel count
// whatever the radius.
void BoxBlur(Bitmap& bitmap, int radius, int passes = 3);

// Scales every colour channel by num/256 (darkening for num < 256).
void ScaleBrightness(Bitmap& bitmap, int num);

}  // namespace gfx
