// Drawing set text: glyph coverage from FreeType (anti-aliased, at
// fractional pen positions), an outline grown with FreeType's stroker, a
// drop shadow, composed into an overlay that is laid over frames.
#pragma once

#include <cstdint>
#include <vector>

#include "bitmap.h"
#include "text_layout.h"

namespace gfx {

// Coverage, one byte a pixel, top row first.
struct TextMasks {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> fill;     // the glyphs' ink
  std::vector<uint8_t> outline;  // the ink grown by the outline width (empty without one)
};

// Lines centred in the block's width, the first baseline `ascent` below the
// top, everything moved in by `pad` pixels on all sides.
TextMasks RasterizeText(const TextBlock& block, double outlineWidth, int pad);

struct TextPaint {
  Color fill = clWhite;
  Color outline = clBlack;
  Color shadow = clBlack;
  double shadowOffset = 0;  // pixels right and down; 0: no shadow
  int shadowOpacity = 160;  // of 255
};

// A 32-bit overlay of the masks' size: colours premultiplied by the alpha
// in the fourth byte.
void PaintText(const TextMasks& masks, const TextPaint& paint, Bitmap& overlay);

// Lays the overlay over a 32-bit frame with its top left at (x, y), its
// alpha scaled by opacity/256. Parts outside the frame are left out.
void BlendOverlay(Bitmap& frame, const Bitmap& overlay, int x, int y, int opacity);

}  // namespace gfx
