// The 176 transition effects in their fixed order. The order is part of the
// interface: runs step through it and random choice draws an index. Rows 18
// and 33, 25 and 34 share a name but draw differently.
#include "effect.h"

#include "bars_family.h"
#include "edge_effects.h"
#include "pixel_effects.h"
#include "push_effects.h"
#include "shape_effects.h"
#include "shape_reveals.h"

#include <stdexcept>
#include <string>

#include "gfx/arith.h"

namespace effects {

const TEffect Effects[kEffectCount] = {
    {"Expand from right", Effect001},  //   1 edge
    {"Expand from left", Effect002},  //   2 edge
    {"Slide in from right", Effect003},  //   3 edge
    {"Slide in from left", Effect004},  //   4 edge
    {"Reveal from left", Effect005},  //   5 edge
    {"Reveal from right", Effect006},  //   6 edge
    {"Expand in from right", Effect007},  //   7 edge
    {"Expand in from left", Effect008},  //   8 edge
    {"Expand in to middle", Effect009},  //   9 edge
    {"Expand out from middle", Effect010},  //  10 edge
    {"Reveal out from middle", Effect011},  //  11 edge
    {"Reveal in from sides", Effect012},  //  12 edge
    {"Expand in from sides", Effect013},  //  13 edge
    {"Unroll from left", Effect014},  //  14 edge
    {"Unroll from right", Effect015},  //  15 edge
    {"Build up from right", Effect016},  //  16 edge
    {"Build up from left", Effect017},  //  17 edge
    {"Expand from bottom", Effect018},  //  18 edge
    {"Expand from top", Effect019},  //  19 edge
    {"Slide in from bottom", Effect020},  //  20 edge
    {"Slide in from top", Effect021},  //  21 edge
    {"Reveal from top", Effect022},  //  22 edge
    {"Reveal from bottom", Effect023},  //  23 edge
    {"Expand in from bottom", Effect024},  //  24 edge
    {"Expand in from top", Effect025},  //  25 edge
    {"Expand in to middle (horizontal)", Effect026},  //  26 edge
    {"Expand out from middle (horizontal)", Effect027},  //  27 edge
    {"Reveal from middle (horizontal)", Effect028},  //  28 edge
    {"Slide in from top and bottom", Effect029},  //  29 edge
    {"Expand in from top and bottom", Effect030},  //  30 edge
    {"Unroll from top", Effect031},  //  31 edge
    {"Unroll from bottom", Effect032},  //  32 edge
    {"Expand from bottom", Effect033},  //  33 edge
    {"Expand in from top", Effect034},  //  34 edge
    {"Expand from bottom right", Effect035},  //  35 edge
    {"Expand from top right", Effect036},  //  36 edge
    {"Expand from top left", Effect037},  //  37 edge
    {"Expand from bottom left", Effect038},  //  38 edge
    {"Slide in from bottom right", Effect039},  //  39 edge
    {"Slide in from top right", Effect040},  //  40 edge
    {"Slide in from top left", Effect041},  //  41 edge
    {"Slide in from bottom left", Effect042},  //  42 edge
    {"Reveal from top left", Effect043},  //  43 edge
    {"Reveal from bottom left", Effect044},  //  44 edge
    {"Reveal from bottom right", Effect045},  //  45 edge
    {"Reveal from top right", Effect046},  //  46 edge
    {"Appear and Contract to top left", Effect047},  //  47 edge
    {"Appear and Contract to bottom left", Effect048},  //  48 edge
    {"Appear and Contract to bottom right", Effect049},  //  49 edge
    {"Appear and Contract to top right", Effect050},  //  50 edge
    {"Appear and Contract to middle", Effect051},  //  51 edge
    {"Expand out from centre", Effect052},  //  52 edge
    {"Reveal out from centre", Effect053},  //  53 edge
    {"Reveal in to centre", Effect054},  //  54 curve
    {"Quarters Reveal in to middle", Effect055},  //  55 edge
    {"Quarters Expand to middle", Effect056},  //  56 edge
    {"Quarters Slide in to middle", Effect057},  //  57 edge
    {"Curved Reveal from left", Effect058},  //  58 curve
    {"Curved Reveal from right", Effect059},  //  59 curve
    {"Bars in from right", Effect060},  //  60 bars
    {"Bars in from left", Effect061},  //  61 bars
    {"Bars left then right", Effect062},  //  62 bars
    {"Bars right then left", Effect063},  //  63 bars
    {"Bars from both sides", Effect064},  //  64 bars
    {"Uneven shred from right", Effect065},  //  65 bars
    {"Uneven shred from left", Effect066},  //  66 bars
    {"Uneven shred out from middle (horizontal)", Effect067},  //  67 bars
    {"Uneven shred in to middle (horizontal)", Effect068},  //  68 bars
    {"Curved Reveal from top", Effect069},  //  69 curve
    {"Curved Reveal from bottom", Effect070},  //  70 curve
    {"Bars from bottom", Effect071},  //  71 bars
    {"Bars from top", Effect072},  //  72 bars
    {"Bars top then bottom", Effect073},  //  73 bars
    {"Bars bottom then top", Effect074},  //  74 bars
    {"Bars from top and bottom", Effect075},  //  75 bars
    {"Unven shred from bottom", Effect076},  //  76 bars
    {"Uneven shred from top", Effect077},  //  77 bars
    {"Uneven shred from horizon", Effect078},  //  78 bars
    {"Uneven shred in to horizon", Effect079},  //  79 bars
    {"Curved reveal from top left", Effect080},  //  80 curve
    {"Curved reveal from top right", Effect081},  //  81 curve
    {"Curved reveal from bottom left", Effect082},  //  82 curve
    {"Curved reveal from bottom right", Effect083},  //  83 curve
    {"Elliptic reveal out from centre", Effect084},  //  84 curve
    {"Elliptic reveal in to centre", Effect085},  //  85 curve
    {"Criss Cross reveal from bottom right", Effect086},  //  86 bars
    {"Criss Cross reveal from top right", Effect087},  //  87 bars
    {"Criss Cross reveal from bottom left", Effect088},  //  88 bars
    {"Criss Cross reveal from top left", Effect089},  //  89 bars
    {"Criss Cross reveal bounce from top left", Effect090},  //  90 bars
    {"Criss Cross reveal bounce from bottom left", Effect091},  //  91 bars
    {"Criss Cross reveal bounce from top right", Effect092},  //  92 bars
    {"Criss Cross reveal bounce from bottom right", Effect093},  //  93 bars
    {"Criss Cross reveal from right top and bottom", Effect094},  //  94 bars
    {"Criss Cross reveal from left top and bottom", Effect095},  //  95 bars
    {"Criss Cross reveal from left right and bottom", Effect096},  //  96 bars
    {"Criss Cross reveal from left right and top", Effect097},  //  97 bars
    {"Criss Cross reveal from top left right and bottom", Effect098},  //  98 bars
    {"Criss Cross reveal from bottom left top right", Effect099},  //  99 bars
    {"Uneven shred from bottom and right", Effect100},  // 100 bars
    {"Uneven shred from top and right", Effect101},  // 101 bars
    {"Uneven shred from bottom and left", Effect102},  // 102 bars
    {"Uneven shred from top and left", Effect103},  // 103 bars
    {"Uneven shred from horizon and right", Effect104},  // 104 bars
    {"Uneven shred from horizon and left", Effect105},  // 105 bars
    {"Uneven shred from bottom and vert middle", Effect106},  // 106 bars
    {"Uneven shred from top and vert middle", Effect107},  // 107 bars
    {"Uneven shred from centre", Effect108},  // 108 bars
    {"Uneven shred to centre", Effect109},  // 109 bars
    {"Reveal diagonal from top left", Effect110},  // 110 curve
    {"Reveal diagonal from top right", Effect111},  // 111 curve
    {"Reveal diagonal from bottom left", Effect112},  // 112 curve
    {"Reveal diagonal from bottom right", Effect113},  // 113 curve
    {"Diagonal sweep from top left bottom right anticlockwise", Effect114},  // 114 curve
    {"Diagonal sweep from top left bottom right clockwise", Effect115},  // 115 curve
    {"Starburst clockwise from center", Effect116},  // 116 curve
    {"Starburst anticlockwise from center", Effect117},  // 117 curve
    {"Triangular shred", Effect118},  // 118 shape
    {"Fade", Effect119},  // 119 pixel
    {"Pivot from top left", Effect120},  // 120 pixel
    {"Pivot from bottom left", Effect121},  // 121 pixel
    {"Pivot from top right", Effect122},  // 122 pixel
    {"Pivot from bottom right", Effect123},  // 123 pixel
    {"Speckle appear from right", Effect124},  // 124 bars
    {"Speckle appear from left", Effect125},  // 125 bars
    {"Speckle appear from bottom", Effect126},  // 126 bars
    {"Speckle appear from top", Effect127},  // 127 bars
    {"Random squares appear", Effect128},  // 128 bars
    {"Push right", Effect129},  // 129 push
    {"Push left", Effect130},  // 130 push
    {"Push and squeeze right", Effect131},  // 131 push
    {"Push and squeeze left", Effect132},  // 132 push
    {"Push down", Effect133},  // 133 push
    {"Push up", Effect134},  // 134 push
    {"Push and sqeeze down", Effect135},  // 135 push
    {"Push and sqeeze up", Effect136},  // 136 push
    {"Blind vertically", Effect137},  // 137 bars
    {"Blind horizontally", Effect138},  // 138 bars
    {"Uneven blind from left", Effect139},  // 139 bars
    {"Uneven blind from right", Effect140},  // 140 bars
    {"Uneven blind from top", Effect141},  // 141 bars
    {"Uneven blind from bottom", Effect142},  // 142 bars
    {"Rectangular shred", Effect143},  // 143 bars
    {"Sweep clockwise", Effect144},  // 144 curve
    {"Sweep anticlockwise", Effect145},  // 145 curve
    {"Rectangles apear from left and disapear to right", Effect146},  // 146 bars
    {"Rectangles apear from right and disapear to left", Effect147},  // 147 bars
    {"Rectangles apear from up and disapear to bottom", Effect148},  // 148 bars
    {"Rectangles apear from bottom and disapear to up", Effect149},  // 149 bars
    {"Rotational rectangle in center", Effect150},  // 150 shape
    {"Rotational star in center", Effect151},  // 151 shape
    {"Spiral rectangle", Effect152},  // 152 shape
    {"Circular shred", Effect153},  // 153 shape
    {"Reveal V from left", Effect154},  // 154 shape
    {"Reveal V from right", Effect155},  // 155 shape
    {"Reveal V from top", Effect156},  // 156 shape
    {"Reveal V from bottom", Effect157},  // 157 shape
    {"Bow Tie Horizontal", Effect158},  // 158 shape
    {"Bow Tie Vertical", Effect159},  // 159 shape
    {"Diagonal Cross In", Effect160},  // 160 shape
    {"Diagonal Cross Out", Effect161},  // 161 shape
    {"Zigzag Horizontal", Effect162},  // 162 shape
    {"Zigzag Vertical", Effect163},  // 163 shape
    {"Diamond shred", Effect164},  // 164 shape
    {"Reveal diamond out from centre", Effect165},  // 165 shape
    {"Reveal diamond in to centre", Effect166},  // 166 shape
    {"Diagonal Box Out", Effect167},  // 167 shape
    {"Pixelate", Effect168},  // 168 pixel
    {"Dissolve", Effect169},  // 169 pixel
    {"Random Bars Horizontal", Effect170},  // 170 pixel
    {"Random Bars Vertical", Effect171},  // 171 pixel
    {"Channel Mix", Effect172},  // 172 pixel
    {"Slide out from right", Effect173},  // 173 push
    {"Slide out from left", Effect174},  // 174 push
    {"Slide out from bottom", Effect175},  // 175 push
    {"Slide out from top", Effect176},  // 176 push
};

const TEffect& EffectAt(int index) {
  if (index < 1 || index > kEffectCount)
    throw std::out_of_range("No transition effect with index " + std::to_string(index));
  return Effects[index - 1];
}

bool DrawsFromSharedGenerator(int index) {
  return (index >= 65 && index <= 68) || (index >= 76 && index <= 79) || (index >= 100 && index <= 109) ||
         (index >= 124 && index <= 127);
}

bool SeedsFromPicture(int index) {
  return index == 128 || (index >= 150 && index <= 152) || (index >= 169 && index <= 172);
}

Extents ProgressExtents(int width, int height, int progress) {
  if (height > width) {
    const int y = gfx::MulDiv(height, progress, 100);
    return {gfx::MulDiv(y, width, height), y};
  }
  const int x = gfx::MulDiv(width, progress, 100);
  return {x, gfx::MulDiv(x, height, width)};
}

}  // namespace effects
