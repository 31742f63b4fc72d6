// Edge, corner and centre transitions on tiny frames whose pixels name their
// origin, against frames worked out by hand; and the mirror symmetry that ties
// each vertical or corner effect to its partner.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "effect_test_util.h"
#include "effects/edge_effects.h"

namespace {

using namespace effects;
using effect_test::EffectFrames;
using effect_test::Identity;
using effect_test::MatchesColumns;
using effect_test::MatchesGrid;
using effect_test::MatchesMap;

constexpr int O = -1;  // the old picture's own pixel

TEST(EdgeEffects, ExpandSqueezesTheWholePictureIntoTheStrip) {
  EffectFrames f(10, 4);
  f.Draw(Effect001, 5, 2);
  EXPECT_TRUE(MatchesColumns(f, {O, O, O, O, O, 1, 3, 5, 7, 9}));
  f.Draw(Effect001, 3, 1);
  EXPECT_TRUE(MatchesColumns(f, {O, O, O, O, O, O, O, 1, 5, 8}));
  f.Draw(Effect001, 0, 0);  // a zero-wide strip shows nothing
  EXPECT_TRUE(MatchesColumns(f, {O, O, O, O, O, O, O, O, O, O}));
}

TEST(EdgeEffects, SlideMovesAndRevealUncoversInPlace) {
  EffectFrames f(10, 4);
  f.Draw(Effect003, 3, 1);
  EXPECT_TRUE(MatchesColumns(f, {O, O, O, O, O, O, O, 0, 1, 2}));
  f.Draw(Effect006, 3, 1);
  EXPECT_TRUE(MatchesColumns(f, {O, O, O, O, O, O, O, 7, 8, 9}));
  f.Draw(Effect004, 0, 0);  // still entirely left of the frame
  EXPECT_TRUE(MatchesColumns(f, {O, O, O, O, O, O, O, O, O, O}));
  f.Draw(Effect004, 4, 2);
  EXPECT_TRUE(MatchesColumns(f, {6, 7, 8, 9, O, O, O, O, O, O}));
}

TEST(EdgeEffects, ExpandInShrinksTowardsTrueSizeAnchoredLeft) {
  EffectFrames f(10, 4);
  f.Draw(Effect007, 5, 2);
  EXPECT_TRUE(MatchesColumns(f, {0, 0, 0, 1, 1, 1, 2, 2, 2, 3}));
  f.Draw(Effect007, 8, 3);
  EXPECT_TRUE(MatchesColumns(f, {0, 1, 1, 2, 3, 3, 4, 5, 5, 6}));
}

TEST(EdgeEffects, ExpandInFromSidesSqueezesEachHalfToItsSide) {
  EffectFrames f(10, 4);
  f.Draw(Effect013, 6, 2);
  EXPECT_TRUE(MatchesColumns(f, {0, 2, 4, O, O, O, O, 5, 7, 9}));
  f.Draw(Effect013, 1, 0);  // half of 1 is nothing
  EXPECT_TRUE(MatchesColumns(f, {O, O, O, O, O, O, O, O, O, O}));
}

TEST(EdgeEffects, BuildUpStretchesTheNextStripOverTheRest) {
  EffectFrames f(20, 2);
  f.Draw(Effect016, 10, 1);
  std::vector<int> want = Identity(10);
  for (int i = 0; i < 10; ++i) want.push_back(i < 5 ? 10 : 11);
  EXPECT_TRUE(MatchesColumns(f, want));

  f.Draw(Effect017, 10, 1);
  want = {8, 8, 8, 8, 8, 9, 9, 9, 9, 9};
  for (int i = 10; i < 20; ++i) want.push_back(i);
  EXPECT_TRUE(MatchesColumns(f, want));
  // Near the end the strip starts at the picture's left edge: plain copy.
  f.Draw(Effect017, 19, 2);
  EXPECT_TRUE(MatchesColumns(f, Identity(20)));
}

TEST(CornerEffects, AppearAndContractShrinksFromTheCorner) {
  EffectFrames f(10, 6);
  f.Draw(Effect047, 5, 3);
  EXPECT_TRUE(MatchesMap(f, {0, 0, 0, 1, 1, 1, 2, 2, 2, 3}, {0, 0, 0, 1, 1, 1}));
}

TEST(CornerEffects, AppearAndContractToMiddleMagnifiesTheCentre) {
  EffectFrames f(10, 6);
  f.Draw(Effect051, 5, 3);
  EXPECT_TRUE(MatchesMap(f, {3, 3, 3, 4, 4, 4, 4, 5, 5, 5}, {1, 2, 2, 2, 2, 3}));
}

TEST(CornerEffects, QuartersSlideInFromFourSides) {
  EffectFrames f(8, 4);
  f.Draw(Effect057, 4, 2);
  EXPECT_TRUE(MatchesGrid(f, {"20 30 .. .. 41 51 61 71",
                              "21 31 .. .. .. .. .. ..",
                              ".. .. .. .. .. .. 42 52",
                              "02 12 22 32 .. .. 43 53"}));
}

TEST(CornerEffects, QuartersRevealAndExpandWorkFromTheCorners) {
  EffectFrames f(8, 4);
  f.Draw(Effect055, 4, 2);
  EXPECT_TRUE(MatchesGrid(f, {"00 10 .. .. .. .. 60 70",
                              ".. .. .. .. .. .. .. ..",
                              ".. .. .. .. .. .. .. ..",
                              "03 13 .. .. .. .. 63 73"}));
  f.Draw(Effect056, 4, 2);
  EXPECT_TRUE(MatchesGrid(f, {"11 31 .. .. .. .. 51 71",
                              ".. .. .. .. .. .. .. ..",
                              ".. .. .. .. .. .. .. ..",
                              "13 33 .. .. .. .. 53 73"}));
}

// Swapping x and y turns an effect along x into its partner along y (and a
// corner effect into the one at the mirrored corner), pixel for pixel.
void Transpose(const gfx::Bitmap& b, gfx::Bitmap& t) {
  t.SetSize(b.Height(), b.Width());
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x)
      effect_test::SetPixel(t, y, x, effect_test::PixelAt(b, x, y));
}

TEST(EdgeEffects, VerticalAndMirroredCornerFormsAreTranspositions) {
  const std::pair<TEffectProc, TEffectProc> pairs[] = {
      {Effect001, Effect018}, {Effect002, Effect019}, {Effect003, Effect020},
      {Effect004, Effect021}, {Effect005, Effect022}, {Effect006, Effect023},
      {Effect007, Effect024}, {Effect008, Effect025}, {Effect009, Effect026},
      {Effect010, Effect027}, {Effect011, Effect028}, {Effect012, Effect029},
      {Effect013, Effect030}, {Effect016, Effect033}, {Effect017, Effect034},
      {Effect035, Effect035}, {Effect036, Effect038}, {Effect037, Effect037},
      {Effect039, Effect039}, {Effect040, Effect042}, {Effect041, Effect041},
      {Effect043, Effect043}, {Effect044, Effect046}, {Effect045, Effect045},
      {Effect047, Effect047}, {Effect048, Effect050}, {Effect049, Effect049},
      {Effect051, Effect051}, {Effect052, Effect052}, {Effect053, Effect053},
      {Effect055, Effect055}, {Effect056, Effect056}};
  for (auto [w, h] : {std::pair{23, 11}, std::pair{30, 20}}) {
    EffectFrames f(w, h), t(h, w);
    Transpose(f.oldPic, t.oldPic);
    Transpose(f.newPic, t.newPic);
    gfx::Bitmap expected;
    for (size_t i = 0; i < std::size(pairs); ++i)
      for (int p : {1, 13, 37, 50, 71, 96, 99}) {
        const Extents e = ProgressExtents(w, h, p);
        f.Draw(pairs[i].first, e.X, e.Y, p);
        t.Draw(pairs[i].second, e.Y, e.X, p);
        Transpose(f.display, expected);
        EXPECT_TRUE(effect_test::FrameIs(t.display, [&](int x, int y) {
          return effect_test::PixelAt(expected, x, y);
        })) << "pair " << i << " on " << w << "x" << h << " at " << p;
      }
  }
}

}  // namespace
