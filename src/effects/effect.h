// The contract shared by every transition effect and the table that names
// them. An effect paints over Display (which holds the old picture) the part
// of Image (the new picture) that Progress reveals; it keeps no state.
#pragma once

#include <span>

#include "gfx/bitmap.h"

namespace effects {

// Display and Image are Width x Height, 32 bits per pixel, bottom-up.
// 0 <= X <= Width, 0 <= Y <= Height, 1 <= Progress <= 99. Display has no
// clip region on entry and must have none on return; Image is never written.
using TEffectProc = void (*)(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width,
                             int Height, int X, int Y, int Progress);

struct TEffect {
  const char* Name;
  TEffectProc Proc;
};

constexpr int kEffectCount = 176;

// Rows 1..176; there is no row 0.
extern const TEffect Effects[kEffectCount];

// Row by its one-based index; std::out_of_range outside 1..176.
const TEffect& EffectAt(int index);

// Rows whose effect draws from the process-wide generator as it paints (the
// shredded and speckled edges): a run that passes over their frames must
// still make their draws, or the frames after them change.
bool DrawsFromSharedGenerator(int index);
// Rows whose effect depends on the new picture's bitmap handle (as a seed or
// a direction): their frames depend on every bitmap the run made before.
bool SeedsFromPicture(int index);

struct Extents {
  int X;
  int Y;
};

// The progress-scaled extents: rounded once on the longer side (the width
// on a tie), then derived for the other so that X/W and Y/H stay equal.
Extents ProgressExtents(int width, int height, int progress);

}  // namespace effects
