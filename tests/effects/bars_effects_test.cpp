#include <gtest/gtest.h>

#include <vector>

#include "bars_test_util.h"
#include "effects/bars_family.h"
#include "effects/effect.h"
#include "gfx/random.h"

namespace {

using bars_test::DrawFrame;
using bars_test::Mask;

// The rows of the bar, shred, speckle, square and blind family.
std::vector<int> FamilyRows() {
  std::vector<int> rows;
  for (int r = 60; r <= 68; ++r) rows.push_back(r);
  for (int r = 71; r <= 79; ++r) rows.push_back(r);
  for (int r = 86; r <= 109; ++r) rows.push_back(r);
  for (int r = 124; r <= 128; ++r) rows.push_back(r);
  for (int r = 137; r <= 143; ++r) rows.push_back(r);
  for (int r = 146; r <= 149; ++r) rows.push_back(r);
  return rows;
}

// Rows whose revealed area can only grow as the transition runs.
std::vector<int> GrowingRows() {
  std::vector<int> rows;
  for (int r = 60; r <= 64; ++r) rows.push_back(r);
  for (int r = 71; r <= 75; ++r) rows.push_back(r);
  for (int r = 86; r <= 99; ++r) rows.push_back(r);
  rows.insert(rows.end(), {128, 137, 138, 143});
  return rows;
}

TEST(BarsFamily, EveryPixelIsOldOrNewAndNoClipIsLeft) {
  ASSERT_EQ(FamilyRows().size(), 58u);
  struct Size {
    int w, h;
  };
  for (const Size s : {Size{17, 13}, Size{320, 240}, Size{13, 17}, Size{1, 1}}) {
    gfx::Bitmap image(s.w, s.h);
    bars_test::Paint(image, true);
    for (int row : FamilyRows()) {
      const effects::TEffectProc proc = effects::EffectAt(row).Proc;
      ASSERT_NE(proc, nullptr) << "row " << row;
      for (int progress : {1, 2, 30, 50, 51, 77, 99}) {
        SCOPED_TRACE(testing::Message() << "row " << row << ", " << s.w << "x" << s.h
                                        << ", progress " << progress);
        const auto frame = DrawFrame(proc, image, progress);
        EXPECT_FALSE(frame.clipLeft);
        int other = 0;
        for (const std::string& line : frame.mask)
          for (char c : line) other += c == '?';
        EXPECT_EQ(other, 0);
        // The new picture is read, never written.
        EXPECT_EQ(bars_test::CountNew(bars_test::ReadMask(image)), s.w * s.h) << "image changed";
        if (progress == 99 && s.w == 320) {
          EXPECT_GT(bars_test::CountNew(frame.mask), 320 * 240 / 3);
        }
      }
    }
  }
}

TEST(BarsFamily, ZeroExtentsDrawWithoutFault) {
  gfx::Bitmap image(40, 30);
  bars_test::Paint(image, true);
  for (int row : FamilyRows()) {
    SCOPED_TRACE(row);
    const auto frame = DrawFrame(effects::EffectAt(row).Proc, image, 1, 0, 0);
    EXPECT_FALSE(frame.clipLeft);
    for (const std::string& line : frame.mask) EXPECT_EQ(line.find('?'), std::string::npos);
  }
}

TEST(BarsFamily, GrowingRowsNeverHideWhatTheyShowed) {
  gfx::Bitmap image(40, 30);
  bars_test::Paint(image, true);
  for (int row : GrowingRows()) {
    SCOPED_TRACE(row);
    Mask before = DrawFrame(effects::EffectAt(row).Proc, image, 1).mask;
    for (int progress = 2; progress <= 99; ++progress) {
      const Mask now = DrawFrame(effects::EffectAt(row).Proc, image, progress).mask;
      ASSERT_TRUE(bars_test::Within(before, now)) << "progress " << progress;
      before = now;
    }
  }
}

// Three-by-three probes of a frame: '#' must show the new picture, '.' the
// old one, '?' either.
using Probe = std::vector<std::string>;

void ExpectProbes(const Mask& mask, const int (&xs)[3], const int (&ys)[3], const Probe& want) {
  for (int j = 0; j < 3; ++j)
    for (int i = 0; i < 3; ++i) {
      const char expected = want[j][i];
      if (expected == '?') continue;
      EXPECT_EQ(mask[ys[j]][xs[i]], expected) << "at " << xs[i] << "," << ys[j];
    }
}

TEST(BarsEffects, EachRowGrowsFromItsOwnSides) {
  // 100 x 100, bars 3 thick. At 25 percent the probes sit on even bars and
  // even columns (which grow first), at 75 percent on odd ones.
  struct Row {
    int row;
    Probe early, late;
  };
  const Row rows[] = {
      {60, {"..#", "..#", "..#"}, {"..#", "..#", "..#"}},
      {61, {"##.", "##.", "##."}, {"##.", "##.", "##."}},
      {62, {"##.", "##.", "##."}, {"..#", "..#", "..#"}},
      {63, {"..#", "..#", "..#"}, {"##.", "##.", "##."}},
      {64, {"..#", "..#", "..#"}, {"##.", "##.", "##."}},
      {71, {"...", "...", "###"}, {"...", "...", "###"}},
      {72, {"###", "###", "..."}, {"###", "###", "..."}},
      {73, {"###", "###", "..."}, {"...", "...", "###"}},
      {74, {"...", "...", "###"}, {"###", "###", "..."}},
      {75, {"...", "...", "###"}, {"###", "###", "..."}},
      {86, {"..#", "..#", "###"}, {"..#", "..#", "###"}},
      {87, {"###", "###", "..#"}, {"###", "###", "..#"}},
      {88, {"##.", "##.", "###"}, {"##.", "##.", "###"}},
      {89, {"###", "###", "##."}, {"###", "###", "##."}},
      {90, {"###", "###", "##."}, {"..#", "..#", "###"}},
      {91, {"##.", "##.", "###"}, {"###", "###", "..#"}},
      {92, {"###", "###", "..#"}, {"##.", "##.", "###"}},
      {93, {"..#", "..#", "###"}, {"###", "###", "##."}},
      {94, {"..#", "..#", "###"}, {"###", "###", "..."}},
      {95, {"#..", "#..", "###"}, {"###", "###", "..."}},
      {96, {"..#", "..#", "###"}, {"##.", "##.", "##."}},
      {97, {"###", "..#", "..#"}, {"##.", "##.", "##."}},
      {98, {"..#", "..#", "###"}, {"###", "###", "##."}},
  };
  gfx::Bitmap image(100, 100);
  bars_test::Paint(image, true);
  for (const Row& r : rows) {
    SCOPED_TRACE(r.row);
    const effects::TEffectProc proc = effects::EffectAt(r.row).Proc;
    ExpectProbes(DrawFrame(proc, image, 25).mask, {1, 49, 97}, {1, 49, 97}, r.early);
    ExpectProbes(DrawFrame(proc, image, 75).mask, {4, 46, 94}, {4, 46, 94}, r.late);
  }
}

TEST(ShredEffects, EachRowFraysFromItsOwnSides) {
  // 320 x 240 at half-way: horizontal shreds are 128..191 long, vertical
  // ones 96..143, so these probes are settled whatever the dice say.
  struct Row {
    int row;
    Probe want;
  };
  const Row rows[] = {
      {65, {".?#", ".?#", ".?#"}},  {66, {"#?.", "#?.", "#?."}},  {67, {".#.", ".#.", ".#."}},
      {68, {"#.#", "#.#", "#.#"}},  {76, {"...", "???", "###"}},  {77, {"###", "???", "..."}},
      {78, {"...", "###", "..."}},  {79, {"###", "...", "###"}},  {100, {".?#", "??#", "###"}},
      {101, {"###", "??#", ".?#"}}, {102, {"#?.", "#??", "###"}}, {103, {"###", "#??", "#?."}},
      {104, {".?#", "###", ".?#"}}, {105, {"#?.", "###", "#?."}}, {106, {".#.", "?#?", "###"}},
      {107, {"###", "?#?", ".#."}}, {108, {".#.", "###", ".#."}}, {109, {"###", "#.#", "###"}},
      // Speckles: solid up to the front at half-way, squares just ahead.
      {124, {".##", ".##", ".##"}}, {125, {"##.", "##.", "##."}}, {126, {"...", "###", "###"}},
      {127, {"###", "###", "..."}},
  };
  gfx::Bitmap image(320, 240);
  bars_test::Paint(image, true);
  gfx::SetRandSeed(4711);
  for (const Row& r : rows) {
    SCOPED_TRACE(r.row);
    for (int frame = 0; frame < 4; ++frame)
      ExpectProbes(DrawFrame(effects::EffectAt(r.row).Proc, image, 50).mask, {20, 160, 300},
                   {20, 120, 220}, r.want);
  }
}

TEST(BarsEffects, BarsInFromRightFillEvenBarsFirst) {
  EXPECT_EQ(effects::EffectAt(60).Proc, &effects::Effect060);
  gfx::Bitmap image(10, 6);
  bars_test::Paint(image, true);
  const Mask half = {"##########", "..........", "##########",
                     "..........", "##########", ".........."};
  EXPECT_EQ(DrawFrame(effects::Effect060, image, 50).mask, half);
  // Just after half-way the odd bars start from the right edge.
  const Mask after = {"##########", "........##", "##########",
                      "........##", "##########", "........##"};
  EXPECT_EQ(DrawFrame(effects::Effect060, image, 60).mask, after);
}

TEST(BarsEffects, BarsFromBothSidesInterleave) {
  EXPECT_EQ(effects::EffectAt(64).Proc, &effects::Effect064);
  gfx::Bitmap image(10, 6);
  bars_test::Paint(image, true);
  const Mask half = {".....#####", "#####.....", ".....#####",
                     "#####.....", ".....#####", "#####....."};
  EXPECT_EQ(DrawFrame(effects::Effect064, image, 50).mask, half);
}

TEST(BarsEffects, CrissCrossFromBottomRight) {
  EXPECT_EQ(effects::EffectAt(86).Proc, &effects::Effect086);
  gfx::Bitmap image(20, 10);
  bars_test::Paint(image, true);
  // Progress 30: bars 12 long from the right, columns 6 high from the bottom.
  const Mask expected = {
      "........############", "....................", "........############",
      "....................", "#.#.#.#.############", "#.#.#.#.#.#.#.#.#.#.",
      "#.#.#.#.############", "#.#.#.#.#.#.#.#.#.#.", "#.#.#.#.############",
      "#.#.#.#.#.#.#.#.#.#.",
  };
  EXPECT_EQ(DrawFrame(effects::Effect086, image, 30).mask, expected);
}

TEST(BarsEffects, CrissCrossBothWaysOpensOnlyWhereBothLatticesAre) {
  EXPECT_EQ(effects::EffectAt(99).Proc, &effects::Effect099);
  gfx::Bitmap image(20, 10);
  bars_test::Paint(image, true);
  const Mask expected = {
      "........#####.#.#.#.", "....................", "........#####.#.#.#.",
      "....................", "#.#.#.#.#####.#.#.#.", "#.#.#.#.#.#.#.#.#.#.",
      "#.#.#.#.####........", "....................", "#.#.#.#.####........",
      "....................",
  };
  EXPECT_EQ(DrawFrame(effects::Effect099, image, 30).mask, expected);
  // At the end both lattices cover the frame.
  EXPECT_EQ(bars_test::CountNew(DrawFrame(effects::Effect099, image, 99).mask), 200);
}

TEST(BlindEffects, VerticalBlindOpensSlatsFromTheirCentres) {
  EXPECT_EQ(effects::EffectAt(137).Proc, &effects::Effect137);
  // 80 wide: slats 6 wide; at half-way each is open 2 (1.5 rounded away
  // from zero) on both sides of its centre line.
  gfx::Bitmap image(80, 2);
  bars_test::Paint(image, true);
  std::string line;
  for (int x = 0; x < 80; ++x) line += (x % 6 >= 1 && x % 6 <= 4) ? '#' : '.';
  EXPECT_EQ(DrawFrame(effects::Effect137, image, 50).mask, Mask(2, line));
  // At 16 percent the opening rounds to nothing: no slat shows.
  EXPECT_EQ(bars_test::CountNew(DrawFrame(effects::Effect137, image, 16).mask), 0);
}

TEST(BlindEffects, NothingDrawnWithoutAPeriod) {
  gfx::Bitmap image(40, 30);
  bars_test::Paint(image, true);
  for (int row : {139, 140, 146, 147}) {
    SCOPED_TRACE(row);
    const auto frame = DrawFrame(effects::EffectAt(row).Proc, image, 5, 0, 3);
    EXPECT_EQ(bars_test::CountNew(frame.mask), 0);
    EXPECT_FALSE(frame.clipLeft);
  }
  for (int row : {141, 142, 148, 149}) {
    SCOPED_TRACE(row);
    EXPECT_EQ(bars_test::CountNew(DrawFrame(effects::EffectAt(row).Proc, image, 5, 3, 0).mask),
              0);
  }
  // Bands need a frame at least 20 high (146, 147) or wide (148, 149).
  gfx::Bitmap flat(40, 19);
  bars_test::Paint(flat, true);
  EXPECT_EQ(bars_test::CountNew(DrawFrame(effects::Effect146, flat, 50).mask), 0);
  EXPECT_GT(bars_test::CountNew(DrawFrame(effects::Effect148, flat, 50).mask), 0);
}

TEST(BlindEffects, UnevenBlindOpensTheProgressShareOfEachPeriod) {
  // 100 wide at 40 percent: period X = 40, each strip open 16.
  gfx::Bitmap image(100, 1);
  bars_test::Paint(image, true);
  const Mask left = {std::string(16, '#') + std::string(24, '.') + std::string(16, '#') +
                     std::string(24, '.') + std::string(16, '#') + std::string(4, '.')};
  EXPECT_EQ(DrawFrame(effects::Effect139, image, 40).mask, left);
  const Mask right = {std::string(4, '.') + std::string(16, '#') + std::string(24, '.') +
                      std::string(16, '#') + std::string(24, '.') + std::string(16, '#')};
  EXPECT_EQ(DrawFrame(effects::Effect140, image, 40).mask, right);
}

TEST(RandomSquares, PatternIsStableGrowsAndLeavesTheGeneratorAlone) {
  EXPECT_EQ(effects::EffectAt(128).Proc, &effects::Effect128);
  gfx::Bitmap image(320, 240);
  bars_test::Paint(image, true);

  gfx::SetRandSeed(2024);
  const uint32_t seed = gfx::RandSeed();
  const Mask at30 = DrawFrame(effects::Effect128, image, 30).mask;
  EXPECT_EQ(gfx::RandSeed(), seed);
  const Mask again = DrawFrame(effects::Effect128, image, 30).mask;
  EXPECT_EQ(at30, again);
  const Mask at60 = DrawFrame(effects::Effect128, image, 60).mask;
  EXPECT_TRUE(bars_test::Within(at30, at60));
  // About the progress share of the frame, in whole 10-pixel squares.
  const int shown30 = bars_test::CountNew(at30);
  EXPECT_EQ(shown30 % 100, 0);
  EXPECT_GT(shown30, 320 * 240 / 5);
  EXPECT_LT(shown30, 320 * 240 * 2 / 5);
  EXPECT_GT(bars_test::CountNew(at60), shown30);

  // The caller's sequence continues as if the effect had not run.
  gfx::SetRandSeed(555);
  const int first = gfx::Random(1000000);
  const int second = gfx::Random(1000000);
  gfx::SetRandSeed(555);
  EXPECT_EQ(gfx::Random(1000000), first);
  (void)DrawFrame(effects::Effect128, image, 45);
  EXPECT_EQ(gfx::Random(1000000), second);

  // Another picture gets another pattern.
  gfx::Bitmap other(320, 240);
  bars_test::Paint(other, true);
  ASSERT_NE(other.Handle(), image.Handle());
  EXPECT_NE(DrawFrame(effects::Effect128, other, 30).mask, at30);
}

TEST(ShredEffects, FlickerFromFrameToFrame) {
  gfx::Bitmap image(320, 240);
  bars_test::Paint(image, true);
  gfx::SetRandSeed(8);
  for (int row : {65, 76, 108, 124}) {
    SCOPED_TRACE(row);
    const Mask a = DrawFrame(effects::EffectAt(row).Proc, image, 40).mask;
    const Mask b = DrawFrame(effects::EffectAt(row).Proc, image, 40).mask;
    EXPECT_NE(a, b);
  }
}

}  // namespace
