// The effect table is an interface: callers pick rows by index, so the
// order and the names must never drift.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <utility>

#include "effect_test_util.h"
#include "effects/effect.h"

namespace {

using effects::EffectAt;
using effects::Effects;
using effects::kEffectCount;

const char* const kNames[] = {
    "Expand from right",
    "Expand from left",
    "Slide in from right",
    "Slide in from left",
    "Reveal from left",
    "Reveal from right",
    "Expand in from right",
    "Expand in from left",
    "Expand in to middle",
    "Expand out from middle",
    "Reveal out from middle",
    "Reveal in from sides",
    "Expand in from sides",
    "Unroll from left",
    "Unroll from right",
    "Build up from right",
    "Build up from left",
    "Expand from bottom",
    "Expand from top",
    "Slide in from bottom",
    "Slide in from top",
    "Reveal from top",
    "Reveal from bottom",
    "Expand in from bottom",
    "Expand in from top",
    "Expand in to middle (horizontal)",
    "Expand out from middle (horizontal)",
    "Reveal from middle (horizontal)",
    "Slide in from top and bottom",
    "Expand in from top and bottom",
    "Unroll from top",
    "Unroll from bottom",
    "Expand from bottom",
    "Expand in from top",
    "Expand from bottom right",
    "Expand from top right",
    "Expand from top left",
    "Expand from bottom left",
    "Slide in from bottom right",
    "Slide in from top right",
    "Slide in from top left",
    "Slide in from bottom left",
    "Reveal from top left",
    "Reveal from bottom left",
    "Reveal from bottom right",
    "Reveal from top right",
    "Appear and Contract to top left",
    "Appear and Contract to bottom left",
    "Appear and Contract to bottom right",
    "Appear and Contract to top right",
    "Appear and Contract to middle",
    "Expand out from centre",
    "Reveal out from centre",
    "Reveal in to centre",
    "Quarters Reveal in to middle",
    "Quarters Expand to middle",
    "Quarters Slide in to middle",
    "Curved Reveal from left",
    "Curved Reveal from right",
    "Bars in from right",
    "Bars in from left",
    "Bars left then right",
    "Bars right then left",
    "Bars from both sides",
    "Uneven shred from right",
    "Uneven shred from left",
    "Uneven shred out from middle (horizontal)",
    "Uneven shred in to middle (horizontal)",
    "Curved Reveal from top",
    "Curved Reveal from bottom",
    "Bars from bottom",
    "Bars from top",
    "Bars top then bottom",
    "Bars bottom then top",
    "Bars from top and bottom",
    "Unven shred from bottom",
    "Uneven shred from top",
    "Uneven shred from horizon",
    "Uneven shred in to horizon",
    "Curved reveal from top left",
    "Curved reveal from top right",
    "Curved reveal from bottom left",
    "Curved reveal from bottom right",
    "Elliptic reveal out from centre",
    "Elliptic reveal in to centre",
    "Criss Cross reveal from bottom right",
    "Criss Cross reveal from top right",
    "Criss Cross reveal from bottom left",
    "Criss Cross reveal from top left",
    "Criss Cross reveal bounce from top left",
    "Criss Cross reveal bounce from bottom left",
    "Criss Cross reveal bounce from top right",
    "Criss Cross reveal bounce from bottom right",
    "Criss Cross reveal from right top and bottom",
    "Criss Cross reveal from left top and bottom",
    "Criss Cross reveal from left right and bottom",
    "Criss Cross reveal from left right and top",
    "Criss Cross reveal from top left right and bottom",
    "Criss Cross reveal from bottom left top right",
    "Uneven shred from bottom and right",
    "Uneven shred from top and right",
    "Uneven shred from bottom and left",
    "Uneven shred from top and left",
    "Uneven shred from horizon and right",
    "Uneven shred from horizon and left",
    "Uneven shred from bottom and vert middle",
    "Uneven shred from top and vert middle",
    "Uneven shred from centre",
    "Uneven shred to centre",
    "Reveal diagonal from top left",
    "Reveal diagonal from top right",
    "Reveal diagonal from bottom left",
    "Reveal diagonal from bottom right",
    "Diagonal sweep from top left bottom right anticlockwise",
    "Diagonal sweep from top left bottom right clockwise",
    "Starburst clockwise from center",
    "Starburst anticlockwise from center",
    "Triangular shred",
    "Fade",
    "Pivot from top left",
    "Pivot from bottom left",
    "Pivot from top right",
    "Pivot from bottom right",
    "Speckle appear from right",
    "Speckle appear from left",
    "Speckle appear from bottom",
    "Speckle appear from top",
    "Random squares appear",
    "Push right",
    "Push left",
    "Push and squeeze right",
    "Push and squeeze left",
    "Push down",
    "Push up",
    "Push and sqeeze down",
    "Push and sqeeze up",
    "Blind vertically",
    "Blind horizontally",
    "Uneven blind from left",
    "Uneven blind from right",
    "Uneven blind from top",
    "Uneven blind from bottom",
    "Rectangular shred",
    "Sweep clockwise",
    "Sweep anticlockwise",
    "Rectangles apear from left and disapear to right",
    "Rectangles apear from right and disapear to left",
    "Rectangles apear from up and disapear to bottom",
    "Rectangles apear from bottom and disapear to up",
    "Rotational rectangle in center",
    "Rotational star in center",
    "Spiral rectangle",
    "Circular shred",
    "Reveal V from left",
    "Reveal V from right",
    "Reveal V from top",
    "Reveal V from bottom",
    "Bow Tie Horizontal",
    "Bow Tie Vertical",
    "Diagonal Cross In",
    "Diagonal Cross Out",
    "Zigzag Horizontal",
    "Zigzag Vertical",
    "Diamond shred",
    "Reveal diamond out from centre",
    "Reveal diamond in to centre",
    "Diagonal Box Out",
    "Pixelate",
    "Dissolve",
    "Random Bars Horizontal",
    "Random Bars Vertical",
    "Channel Mix",
    "Slide out from right",
    "Slide out from left",
    "Slide out from bottom",
    "Slide out from top",
};

TEST(EffectTable, HoldsEveryNameInItsPlace) {
  static_assert(sizeof(kNames) / sizeof(kNames[0]) == 176);
  ASSERT_EQ(kEffectCount, 176);
  for (int i = 1; i <= kEffectCount; ++i) {
    EXPECT_EQ(std::string(EffectAt(i).Name), kNames[i - 1]) << "row " << i;
    EXPECT_EQ(&EffectAt(i), &Effects[i - 1]) << "row " << i;
  }
  EXPECT_EQ(std::string(EffectAt(1).Name), "Expand from right");
  EXPECT_EQ(std::string(EffectAt(176).Name), "Slide out from top");
}

TEST(EffectTable, HasNoRowOutsideOneTo176) {
  EXPECT_THROW(EffectAt(0), std::out_of_range);
  EXPECT_THROW(EffectAt(177), std::out_of_range);
  EXPECT_THROW(EffectAt(-1), std::out_of_range);
}

// Two names appear twice; every other name is unique.
TEST(EffectTable, OnlyRows33And34RepeatANameAndTheyDrawDifferently) {
  for (int i = 1; i <= kEffectCount; ++i)
    for (int j = i + 1; j <= kEffectCount; ++j) {
      const bool same = std::string(EffectAt(i).Name) == EffectAt(j).Name;
      const bool expected = (i == 18 && j == 33) || (i == 25 && j == 34);
      EXPECT_EQ(same, expected) << "rows " << i << " and " << j;
    }

  for (auto [a, b] : {std::pair{18, 33}, std::pair{25, 34}}) {
    if (!EffectAt(a).Proc || !EffectAt(b).Proc) continue;
    ASSERT_NE(EffectAt(a).Proc, EffectAt(b).Proc);
    effect_test::EffectFrames first(40, 30), second(40, 30);
    first.DrawAt(EffectAt(a).Proc, 50);
    second.DrawAt(EffectAt(b).Proc, 50);
    EXPECT_NE(effect_test::Checksum(first.display), effect_test::Checksum(second.display))
        << "rows " << a << " and " << b;
  }
}

TEST(ProgressExtents, RoundsTheLongerSideAndDerivesTheOther) {
  struct Case {
    int w, h, progress, x, y;
  };
  const Case cases[] = {
      {640, 480, 50, 320, 240},
      {480, 640, 33, 158, 211},
      {320, 240, 1, 3, 2},
      {320, 240, 33, 106, 80},  // 79.5 rounds away from zero
      {240, 320, 50, 120, 160},
      {100, 100, 99, 99, 99},   // a tie counts as wider
      {1, 1, 49, 0, 0},         // small frames give empty extents
      {1, 1, 50, 1, 1},
  };
  for (const Case& c : cases) {
    const effects::Extents e = effects::ProgressExtents(c.w, c.h, c.progress);
    EXPECT_EQ(e.X, c.x) << c.w << "x" << c.h << " at " << c.progress;
    EXPECT_EQ(e.Y, c.y) << c.w << "x" << c.h << " at " << c.progress;
  }
}

}  // namespace
