// Transitions that move, stretch or uncover the new picture along an edge,
// a corner, the middle lines or the centre of the frame: one to four block
// copies each, plus a shaded mirrored roll for the four unroll effects.
#pragma once

#include "gfx/bitmap.h"

namespace effects {

// Along x (edge_effects.cpp; 14 and 15 in unroll_effects.cpp).
void Effect001(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);
void Effect002(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);
void Effect003(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);
void Effect004(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);
void Effect005(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);
void Effect006(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);
void Effect007(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);
void Effect008(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);
void Effect009(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);
void Effect010(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);
void Effect011(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);
void Effect012(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);
void Effect013(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);
void Effect014(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);
void Effect015(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);
void Effect016(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);
void Effect017(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);

// Along y (edge_effects.cpp; 31 and 32 in unroll_effects.cpp).
void Effect018(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);
void Effect019(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);
void Effect020(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);
void Effect021(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);
void Effect022(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);
void Effect023(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);
void Effect024(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);
void Effect025(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);
void Effect026(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);
void Effect027(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);
void Effect028(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);
void Effect029(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);
void Effect030(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);
void Effect031(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);
void Effect032(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);
void Effect033(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);
void Effect034(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);

// Corners and centre (corner_effects.cpp).
void Effect035(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);
void Effect036(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);
void Effect037(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);
void Effect038(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);
void Effect039(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);
void Effect040(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);
void Effect041(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);
void Effect042(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);
void Effect043(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);
void Effect044(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);
void Effect045(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);
void Effect046(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);
void Effect047(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);
void Effect048(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);
void Effect049(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);
void Effect050(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);
void Effect051(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);
void Effect052(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);
void Effect053(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);
void Effect055(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);
void Effect056(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);
void Effect057(gfx::Bitmap& Display, const gfx::Bitmap& Image, int Width, int Height, int X,
               int Y, int Progress);

}  // namespace effects
