#include "effects/region_builders.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <set>
#include <vector>

#include "bars_test_util.h"
#include "gfx/random.h"

namespace {

using effects::BuildBarsRegion;
using effects::BuildSectorRegion;
using effects::BuildShredRegion;
using effects::BuildSpeckleRegion;

constexpr long double kPi = std::numbers::pi_v<long double>;

gfx::Region Frame(int w, int h) { return gfx::Region::FromRect({0, 0, w, h}); }

// The region cut to the frame.
gfx::Region InFrame(const gfx::Region& r, int w, int h) {
  return gfx::Region::Combine(r, Frame(w, h), gfx::CombineMode::And);
}

// Columns [first, last] of row y covered by r, or {-1, -1}; fails the test
// when the covered part of the row is not one run.
std::pair<int, int> RowSpan(const gfx::Region& r, int y, int w) {
  int first = -1, last = -1;
  for (int x = 0; x < w; ++x) {
    if (!r.Contains(x, y)) continue;
    if (first < 0) first = x;
    EXPECT_TRUE(last < 0 || last == x - 1) << "row " << y << " has a gap before " << x;
    last = x;
  }
  return {first, last};
}

TEST(BarsRegion, FirstHalfGrowsTheEvenBarsOnly) {
  // 640 x 480: bars 10 rows thick; even bars at 0, 20, ..., 480.
  const auto r = BuildBarsRegion(300, 0, 640, 480, 1, 0);
  ASSERT_TRUE(r.has_value());
  EXPECT_EQ(r->Rects().size(), 25u);
  EXPECT_EQ(r->Bounds(), (gfx::Rect{340, 0, 640, 490}));  // the last bar lies below
  EXPECT_TRUE(r->Contains(340, 0));
  EXPECT_FALSE(r->Contains(339, 0));
  EXPECT_TRUE(r->Contains(639, 9));
  EXPECT_FALSE(r->Contains(639, 10));  // odd bars have not started
  EXPECT_TRUE(r->Contains(639, 460));
  EXPECT_TRUE(r->Contains(639, 485));
}

TEST(BarsRegion, SecondHalfCompletesEvenBarsAndGrowsOddOnes) {
  const auto r = BuildBarsRegion(700, 0, 640, 480, 1, 0);
  ASSERT_TRUE(r.has_value());
  EXPECT_EQ(r->Bounds(), (gfx::Rect{0, 0, 640, 480}));
  EXPECT_TRUE(r->Contains(0, 0));
  EXPECT_TRUE(r->Contains(0, 469));
  EXPECT_FALSE(r->Contains(0, 10));
  EXPECT_FALSE(r->Contains(579, 15));
  EXPECT_TRUE(r->Contains(580, 15));
  EXPECT_TRUE(r->Contains(580, 475));
  EXPECT_FALSE(r->Contains(0, 475));
}

// Square 100 x 100 frame, bars 3 thick: which sides hold the even bar
// (rows 0..2) and the odd bar (rows 3..5) in each half of a transition.
struct BarKind {
  int kind;
  bool evenLeft, evenRight, oddLeft, oddRight;  // first half, length 30
  bool lateOddLeft, lateOddRight;               // second half, length 130
};

TEST(BarsRegion, KindsChooseTheSides) {
  const BarKind kinds[] = {
      {1, false, true, false, false, false, true},
      {2, true, false, false, false, true, false},
      {3, false, true, true, false, false, false},
      {4, true, false, false, false, false, true},
      {5, false, true, false, false, true, false},
  };
  for (const BarKind& k : kinds) {
    SCOPED_TRACE(k.kind);
    const auto early = BuildBarsRegion(30, 0, 100, 100, k.kind, 0);
    const auto late = BuildBarsRegion(130, 0, 100, 100, k.kind, 0);
    ASSERT_TRUE(early && late);
    EXPECT_EQ(early->Contains(0, 1), k.evenLeft);
    EXPECT_EQ(early->Contains(99, 1), k.evenRight);
    EXPECT_EQ(early->Contains(0, 4), k.oddLeft);
    EXPECT_EQ(early->Contains(99, 4), k.oddRight);
    EXPECT_FALSE(early->Contains(50, 1));
    EXPECT_FALSE(early->Contains(50, 4));
    // In the second half the even bars are complete.
    EXPECT_TRUE(late->Contains(50, 1));
    EXPECT_EQ(late->Contains(0, 4), k.lateOddLeft);
    EXPECT_EQ(late->Contains(99, 4), k.lateOddRight);
    EXPECT_FALSE(late->Contains(50, 4));

    // Vertical bars are the same pattern with x and y exchanged (bottom for
    // right, top for left).
    const auto vEarly = BuildBarsRegion(0, 30, 100, 100, 0, k.kind);
    const auto vLate = BuildBarsRegion(0, 130, 100, 100, 0, k.kind);
    ASSERT_TRUE(vEarly && vLate);
    for (int a = 0; a < 100; a += 7)
      for (int b = 0; b < 100; b += 1) {
        ASSERT_EQ(vEarly->Contains(b, a), early->Contains(a, b)) << a << "," << b;
        ASSERT_EQ(vLate->Contains(b, a), late->Contains(a, b)) << a << "," << b;
      }
  }
}

TEST(BarsRegion, NoDirectionGivesNoRegion) {
  EXPECT_FALSE(BuildBarsRegion(10, 10, 100, 100, 0, 0).has_value());
}

TEST(ShredRegion, FullLengthIsSolidInEveryKind) {
  // 640 x 400: shreds 3 thick with one spare row and column left over.
  for (int kind = 1; kind <= 4; ++kind) {
    SCOPED_TRACE(kind);
    const auto h = BuildShredRegion(640, 0, 640, 400, kind, 0);
    const auto v = BuildShredRegion(0, 400, 640, 400, 0, kind);
    ASSERT_TRUE(h && v);
    EXPECT_EQ(InFrame(*h, 640, 400), Frame(640, 400));
    EXPECT_EQ(InFrame(*v, 640, 400), Frame(640, 400));
  }
}

TEST(ShredRegion, DrawsOneNumberPerBar) {
  // 640 x 480, shreds 3 thick: 160 horizontal and 214 vertical bars.
  gfx::SetRandSeed(12345);
  (void)BuildShredRegion(200, 100, 640, 480, 3, 4);
  const uint32_t after = gfx::RandSeed();
  gfx::SetRandSeed(12345);
  for (int i = 0; i < 160 + 214; ++i) gfx::Random(7);
  EXPECT_EQ(gfx::RandSeed(), after);

  // A solid pass still draws its numbers.
  gfx::SetRandSeed(99);
  (void)BuildShredRegion(640, 0, 640, 480, 1, 0);
  const uint32_t solid = gfx::RandSeed();
  gfx::SetRandSeed(99);
  for (int i = 0; i < 160; ++i) gfx::Random(1);
  EXPECT_EQ(gfx::RandSeed(), solid);
}

TEST(ShredRegion, LengthsJitterWithinATenthAroundTheFront) {
  gfx::SetRandSeed(777);
  const auto r = BuildShredRegion(300, 0, 640, 480, 1, 0);
  ASSERT_TRUE(r.has_value());
  std::set<int> lengths;
  for (int y = 0; y < 480; ++y) {
    const auto [first, last] = RowSpan(*r, y, 640);
    ASSERT_EQ(last, 639) << "row " << y;
    const int length = 640 - first;
    ASSERT_GE(length, 300 - 64) << "row " << y;
    ASSERT_LT(length, 300 + 64) << "row " << y;
    lengths.insert(length);
  }
  EXPECT_GT(lengths.size(), 20u);
}

TEST(ShredRegion, NegativeLengthsLeaveNoStrayPieces) {
  // At the very start half the bars get a negative length; out from the
  // middle, an inverted bar read as a normal one would show on one side only.
  gfx::SetRandSeed(4242);
  const auto h = BuildShredRegion(0, 0, 640, 480, 3, 0);
  const auto v = BuildShredRegion(0, 0, 640, 480, 0, 3);
  ASSERT_TRUE(h && v);
  int emptyRows = 0;
  for (int y = 0; y < 480; ++y) {
    bool any = false;
    for (int x = 0; x < 320; ++x) {
      ASSERT_EQ(h->Contains(x, y), h->Contains(639 - x, y)) << x << "," << y;
      any = any || h->Contains(x, y);
    }
    emptyRows += !any;
  }
  // A bar is empty whenever its length is 1 or less: about half of them.
  EXPECT_GT(emptyRows, 480 / 4);
  EXPECT_LT(emptyRows, 480 * 3 / 4);
  // From one side an inverted bar must not turn up beyond the edge either.
  const auto right = BuildShredRegion(0, 0, 640, 480, 1, 0);
  ASSERT_TRUE(right.has_value());
  EXPECT_LE(right->Bounds().Right, 640);
  for (int x = 0; x < 640; x += 3)
    for (int y = 0; y < 240; ++y)
      ASSERT_EQ(v->Contains(x, y), v->Contains(x, 479 - y)) << x << "," << y;
}

TEST(SpeckleRegion, SquaresStayInTheZoneAheadOfTheSolidFront) {
  // 640 x 480 from the right at length 300: zone 64, squares 3 wide, 21 of
  // them; the one touching the front always shows.
  gfx::SetRandSeed(31337);
  const auto r = BuildSpeckleRegion(300, 0, 640, 480, 1, 0);
  ASSERT_TRUE(r.has_value());
  int rowsWithGaps = 0;
  for (int y = 0; y < 480; ++y) {
    for (int x = 340; x < 640; x += 13) ASSERT_TRUE(r->Contains(x, y)) << x << "," << y;
    for (int x = 337; x < 340; ++x) ASSERT_TRUE(r->Contains(x, y)) << x << "," << y;
    for (int x = 0; x < 277; ++x) ASSERT_FALSE(r->Contains(x, y)) << x << "," << y;
    bool gap = false;
    for (int x = 277; x < 337; ++x) gap = gap || !r->Contains(x, y);
    rowsWithGaps += gap;
  }
  EXPECT_GT(rowsWithGaps, 400);

  // From the left the zone lies on the other side of the front.
  const auto l = BuildSpeckleRegion(300, 0, 640, 480, 2, 0);
  ASSERT_TRUE(l.has_value());
  EXPECT_EQ(InFrame(*l, 640, 480).Bounds().Left, 0);
  EXPECT_LE(InFrame(*l, 640, 480).Bounds().Right, 363);
  EXPECT_TRUE(l->Contains(301, 100));

  // From the bottom at length 200: zone 48, squares 2 high.
  const auto b = BuildSpeckleRegion(0, 200, 640, 480, 0, 1);
  ASSERT_TRUE(b.has_value());
  const gfx::Rect bounds = InFrame(*b, 640, 480).Bounds();
  EXPECT_GE(bounds.Top, 232);
  EXPECT_EQ(bounds.Bottom, 480);
  for (int x = 0; x < 640; x += 5) ASSERT_TRUE(b->Contains(x, 279)) << x;
}

TEST(SpeckleRegion, NoZoneOnceTheFrontReachesTheFarEdge) {
  const auto r = BuildSpeckleRegion(640, 0, 640, 480, 1, 0);
  ASSERT_TRUE(r.has_value());
  EXPECT_EQ(InFrame(*r, 640, 480), Frame(640, 480));
}

TEST(SectorRegion, OneArcPointIsEmpty) {
  EXPECT_TRUE(BuildSectorRegion(100, 100, 90, -kPi / 2, kPi, 1).IsEmpty());
  EXPECT_TRUE(BuildSectorRegion(100, 100, 90, -kPi / 2, kPi, 0).IsEmpty());
}

TEST(SectorRegion, FullTurnLeavesAWedgeLeftOfTwelve) {
  // The last arc point lies one step (7.2 degrees) short of twelve o'clock.
  const gfx::Region r = BuildSectorRegion(100, 100, 90, -kPi / 2, 3 * kPi / 2, 50);
  EXPECT_FALSE(r.Contains(97, 40));
  EXPECT_FALSE(r.Contains(95, 30));
  EXPECT_TRUE(r.Contains(103, 40));
  EXPECT_TRUE(r.Contains(85, 40));  // past the wedge
  EXPECT_TRUE(r.Contains(160, 100));
  EXPECT_TRUE(r.Contains(100, 160));
  EXPECT_TRUE(r.Contains(40, 100));
  EXPECT_FALSE(r.Contains(100, 5));  // beyond the radius
}

TEST(SectorRegion, IncreasingAnglesRunClockwise) {
  // From twelve towards three o'clock.
  const gfx::Region r = BuildSectorRegion(100, 100, 80, -kPi / 2, 0, 40);
  EXPECT_TRUE(r.Contains(130, 60));
  EXPECT_FALSE(r.Contains(70, 60));
  EXPECT_FALSE(r.Contains(130, 140));
}

TEST(PolygonRegion, UsesTheWindingRule) {
  // A pentagram: the winding rule fills its centre, alternate would not.
  const gfx::Region star =
      effects::PolygonRegion({50, 0, 79, 90, 2, 35, 98, 35, 21, 90});
  EXPECT_TRUE(star.Contains(50, 50));
  EXPECT_TRUE(star.Contains(50, 10));
  EXPECT_FALSE(star.Contains(5, 80));
  // A trailing odd value is ignored.
  const std::vector<int> odd{0, 0, 10, 0, 10, 10, 7};
  EXPECT_EQ(effects::PolygonRegion(odd), effects::PolygonRegion({0, 0, 10, 0, 10, 10}));
}

TEST(RotatePoints, QuarterTurnIsClockwiseOnScreen) {
  gfx::Point p[] = {{110, 50}, {100, 40}, {100, 50}};
  effects::RotatePoints(p, 3, 100, 50, kPi / 2);
  EXPECT_EQ(p[0], (gfx::Point{100, 60}));  // three o'clock to six
  EXPECT_EQ(p[1], (gfx::Point{110, 50}));  // twelve to three
  EXPECT_EQ(p[2], (gfx::Point{100, 50}));  // the centre stays
}

TEST(RotatePoints, RoundsHalvesToEven) {
  const long double a = std::acos(0.5L);
  if (std::cos(a) != 0.5L) GTEST_SKIP() << "no exact cosine of 0.5 here";
  gfx::Point p[] = {{1, 0}, {3, 0}, {5, 0}, {-1, 0}, {-3, 0}};
  effects::RotatePoints(p, 5, 0, 0, a);
  EXPECT_EQ(p[0].x, 0);
  EXPECT_EQ(p[1].x, 2);
  EXPECT_EQ(p[2].x, 2);
  EXPECT_EQ(p[3].x, 0);
  EXPECT_EQ(p[4].x, -2);
  EXPECT_EQ(p[1].y, 3);  // 3 * sin 60 = 2.598
}

TEST(RevealThroughRegion, CopiesOnlyInsideAndLeavesNoClip) {
  gfx::Bitmap display(8, 6), image(8, 6);
  bars_test::Paint(display, false);
  bars_test::Paint(image, true);
  effects::RevealThroughRegion(display, image, 8, 6, gfx::Region::FromRect({2, 1, 5, 3}));
  EXPECT_FALSE(display.GetCanvas().HasClipRegion());
  const bars_test::Mask expected = {
      "........", "..###...", "..###...", "........", "........", "........",
  };
  EXPECT_EQ(bars_test::ReadMask(display), expected);

  // No region means nothing to reveal, not the whole picture.
  bars_test::Paint(display, false);
  effects::RevealThroughRegion(display, image, 8, 6, std::optional<gfx::Region>());
  EXPECT_EQ(bars_test::CountNew(bars_test::ReadMask(display)), 0);
  EXPECT_FALSE(display.GetCanvas().HasClipRegion());
}

}  // namespace
