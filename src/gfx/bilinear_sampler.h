// Sub-pixel resampling for moving pictures: a rectangle of a picture given
// in fractional pixel coordinates, drawn onto a whole-pixel rectangle of a
// frame with bilinear filtering, so that a move of a hundredth of a pixel
// shows as such instead of snapping to the next whole pixel.
#pragma once

#include <cstdint>
#include <vector>

#include "bitmap.h"
#include "geometry.h"

namespace gfx {

// A rectangle in a picture's pixel coordinates: (0, 0) is the top left
// corner of the top left pixel, (Width, Height) the far corner.
struct RectF {
  double x = 0;
  double y = 0;
  double w = 0;
  double h = 0;
  friend bool operator==(const RectF&, const RectF&) = default;
};

// Keeps its tables between frames, so drawing allocates nothing once warm.
class BilinearSampler {
 public:
  // Draws `from` of a 32-bit picture onto `dest` of a 32-bit target: the
  // centre of target pixel i lands on from.x + (i + 0.5) * from.w / width
  // and is interpolated between the four nearest picture pixel centres
  // (weights in 1/128ths). Beyond the picture's edge the border pixel
  // repeats. Parts of dest outside the target are left out.
  void Draw(const Bitmap& picture, const RectF& from, Bitmap& target, const Rect& dest);

 private:
  std::vector<int32_t> column_;   // left picture column per target column
  std::vector<int32_t> weights_;  // left weight | right weight << 16, in 128ths
  std::vector<int16_t> blend_;    // two picture rows mixed, 7 bits of fraction
};

}  // namespace gfx
