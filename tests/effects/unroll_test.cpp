// The unroll transitions and the band shading behind their roll: roll width
// at both ends of the transition, the mirrored strip, and the shading ramp
// with its clamping, clipping and untouched fourth byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "effect_test_util.h"
#include "effects/edge_effects.h"
#include "effects/unroll_shading.h"

namespace {

using namespace effects;
using effect_test::EffectFrames;
using effect_test::FrameIs;
using effect_test::PixelAt;
using effect_test::Tag;

// A pixel with `v` added to blue, green and red, clamped; the fourth byte kept.
uint32_t Shaded(uint32_t pixel, int v) {
  uint32_t out = pixel & 0xFF000000u;
  for (int shift = 0; shift < 24; shift += 8) {
    const int c = std::clamp(int((pixel >> shift) & 0xFF) + v, 0, 255);
    out |= uint32_t(c) << shift;
  }
  return out;
}

TEST(Unroll, RollIsAsWideAsTheUncoveredPartAtFirst) {
  EffectFrames f(20, 2);
  f.Draw(Effect014, 1, 0);  // a tenth would be 2; only 1 column is uncovered
  std::vector<int> want(20, -1);
  want[0] = 0;
  want[1] = 2;  // one mirrored column, too narrow to shade
  EXPECT_TRUE(effect_test::MatchesColumns(f, want));
}

TEST(Unroll, FromLeftMirrorsTheNextStripAndShadesIt) {
  EffectFrames f(20, 2);
  f.Draw(Effect014, 10, 1);
  EXPECT_TRUE(FrameIs(f.display, [](int x, int y) {
    if (x < 10) return Tag(true, x, y);
    if (x == 10) return Shaded(Tag(true, 13, y), -64);
    if (x == 11) return Tag(true, 12, y);
    return Tag(false, x, y);
  }));
  // Three columns left: the roll shrinks to half of them.
  f.Draw(Effect014, 17, 2);
  EXPECT_TRUE(FrameIs(f.display, [](int x, int y) {
    return x < 17 ? Tag(true, x, y) : x == 17 ? Tag(true, 18, y) : Tag(false, x, y);
  }));
}

TEST(Unroll, NearTheEndTheRollSitsInTheLastColumns) {
  EffectFrames f(640, 1);
  f.Draw(Effect014, 635, 1);  // 5 columns left: roll of 2
  EXPECT_TRUE(FrameIs(f.display, [](int x, int y) {
    if (x < 635) return Tag(true, x, y);
    if (x == 635) return Shaded(Tag(true, 638, y), -64);
    if (x == 636) return Tag(true, 637, y);
    return Tag(false, x, y);
  }));
  f.Draw(Effect015, 635, 1);
  EXPECT_TRUE(FrameIs(f.display, [](int x, int y) {
    if (x >= 5) return Tag(true, x, y);
    if (x == 3) return Shaded(Tag(true, 1, y), -64);
    if (x == 4) return Tag(true, 0, y);
    return Tag(false, x, y);
  }));
}

TEST(Unroll, FromRightTakesTheStripOneColumnFurtherOut) {
  EffectFrames f(20, 2);
  f.Draw(Effect015, 10, 1);
  EXPECT_TRUE(FrameIs(f.display, [](int x, int y) {
    if (x >= 10) return Tag(true, x, y);
    if (x == 8) return Shaded(Tag(true, 6, y), -64);
    if (x == 9) return Tag(true, 5, y);
    return Tag(false, x, y);
  }));
}

TEST(Unroll, VerticalRollsShadeFromTheBandsBottomRow) {
  EffectFrames f(2, 20);
  f.Draw(Effect031, 1, 10);
  EXPECT_TRUE(FrameIs(f.display, [](int x, int y) {
    if (y < 10) return Tag(true, x, y);
    if (y == 10) return Shaded(Tag(true, x, 13), -128);
    if (y == 11) return Shaded(Tag(true, x, 12), -64);
    return Tag(false, x, y);
  }));
  f.Draw(Effect032, 1, 10);
  EXPECT_TRUE(FrameIs(f.display, [](int x, int y) {
    if (y >= 10) return Tag(true, x, y);
    if (y == 8) return Shaded(Tag(true, x, 6), -128);
    if (y == 9) return Shaded(Tag(true, x, 5), -64);
    return Tag(false, x, y);
  }));
}

// Shading on a plain grey picture whose fourth byte is a marker.
constexpr uint32_t kGrey200 = 0x77C8C8C8u;

gfx::Bitmap& Grey(gfx::Bitmap& b, uint32_t pixel = kGrey200) {
  effect_test::FillUniform(b, pixel);
  return b;
}

// The shading added at each column (or row) of a shaded grey picture.
std::vector<int> ColumnShades(const gfx::Bitmap& b, int y) {
  std::vector<int> v;
  for (int x = 0; x < b.Width(); ++x) v.push_back(int(PixelAt(b, x, y) & 0xFF) - 200);
  return v;
}

std::vector<int> RowShades(const gfx::Bitmap& b, int x) {
  std::vector<int> v;
  for (int y = 0; y < b.Height(); ++y) v.push_back(int(PixelAt(b, x, y) & 0xFF) - 200);
  return v;
}

bool AllGreyKeepMarker(const gfx::Bitmap& b) {
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) {
      const uint32_t p = PixelAt(b, x, y);
      const uint32_t c = p & 0xFF;
      if ((p >> 24) != 0x77 || ((p >> 8) & 0xFF) != c || ((p >> 16) & 0xFF) != c) return false;
    }
  return true;
}

TEST(ShadeColumns, DarkensTheEdgesAndLeavesTheRest) {
  gfx::Bitmap b(16, 3);
  ShadeColumns(Grey(b), 64, 3, 10);
  const std::vector<int> want = {0, 0, 0, -64, -52, -40, -28, -16, -4, -16, -28, -40, -52, 0, 0, 0};
  for (int y = 0; y < 3; ++y) EXPECT_EQ(ColumnShades(b, y), want) << "row " << y;
  EXPECT_TRUE(AllGreyKeepMarker(b));
}

TEST(ShadeColumns, StepsByOneWhenTheBandIsWiderThanTheAmount) {
  gfx::Bitmap b(8, 1);
  ShadeColumns(Grey(b), 2, 0, 8);
  EXPECT_EQ(ColumnShades(b, 0), (std::vector<int>{-2, -2, -1, -1, -2, -2, -3, -3}));
}

TEST(ShadeColumns, DoesNothingForOneColumnOrNoAmount) {
  gfx::Bitmap b(8, 2);
  Grey(b);
  const uint64_t before = effect_test::Checksum(b);
  ShadeColumns(b, 64, 2, 1);
  ShadeColumns(b, 64, 2, 0);
  ShadeColumns(b, 0, 2, 6);
  ShadeColumns(b, 64, 8, 4);    // entirely right of the frame
  ShadeColumns(b, 64, -6, 4);   // entirely left of it
  EXPECT_EQ(effect_test::Checksum(b), before);
}

TEST(ShadeColumns, ClampsAtBlackAndClipsToTheFrame) {
  gfx::Bitmap b(5, 2);
  Grey(b, 0x771E1E1Eu);  // 30: most of the ramp goes below black
  ShadeColumns(b, 64, -3, 10);  // columns 0..4 are ramp entries 3..7
  for (int x = 0; x < 5; ++x) {
    const int want = std::max(0, 30 + std::vector<int>{-28, -16, -4, -16, -28}[size_t(x)]);
    EXPECT_EQ(PixelAt(b, x, 1), 0x77000000u | uint32_t(want) * 0x010101u) << "column " << x;
  }
}

TEST(ShadeColumns, LeavesOtherPixelFormatsAlone) {
  gfx::Bitmap b(8, 2, gfx::PixelFormat::pf24bit);
  const uint64_t before = effect_test::Checksum(b);
  ShadeColumns(b, 64, 0, 8);
  ShadeRows(b, 64, 0, 2);
  EXPECT_EQ(effect_test::Checksum(b), before);
}

TEST(ShadeRows, RampRunsUpwardsFromTheBandsBottomRow) {
  gfx::Bitmap b(3, 12);
  ShadeRows(Grey(b), 64, 1, 10);
  // Top to bottom: row 0 untouched, rows 1..10 are ramp entries 9..0, row 11 untouched.
  const std::vector<int> want = {0, -76, -64, -52, -40, -28, -16, -28, -40, -52, -64, 0};
  for (int x = 0; x < 3; ++x) EXPECT_EQ(RowShades(b, x), want) << "column " << x;
  EXPECT_TRUE(AllGreyKeepMarker(b));
}

TEST(ShadeRows, ClipsABandThatStartsAboveTheFrame) {
  gfx::Bitmap b(2, 3);
  ShadeRows(Grey(b), 64, -5, 10);  // band rows -5..4; rows 2, 1, 0 are entries 2, 3, 4
  EXPECT_EQ(RowShades(b, 0), (std::vector<int>{-16, -28, -40}));
  gfx::Bitmap c(2, 3);
  Grey(c);
  const uint64_t before = effect_test::Checksum(c);
  ShadeRows(c, 64, 2, 1);
  ShadeRows(c, 64, 3, 5);
  ShadeRows(c, 0, 0, 3);
  EXPECT_EQ(effect_test::Checksum(c), before);
}

}  // namespace
