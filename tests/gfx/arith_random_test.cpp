#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <vector>

#include "gfx/arith.h"
#include "gfx/random.h"

namespace gfx {
namespace {

TEST(MulDiv, RoundsHalvesAwayFromZero) {
  EXPECT_EQ(MulDiv(640, 50, 100), 320);
  EXPECT_EQ(MulDiv(1, 1, 2), 1);
  EXPECT_EQ(MulDiv(-1, 1, 2), -1);
  EXPECT_EQ(MulDiv(1, -1, 2), -1);
  EXPECT_EQ(MulDiv(1, 1, -2), -1);
  EXPECT_EQ(MulDiv(-1, -1, 2), 1);
  EXPECT_EQ(MulDiv(-1, 1, -2), 1);
  EXPECT_EQ(MulDiv(3, 1, 2), 2);
  EXPECT_EQ(MulDiv(5, 1, 2), 3) << "not to even";
  EXPECT_EQ(MulDiv(-5, 1, 2), -3);
  EXPECT_EQ(MulDiv(7, 1, 3), 2);
  EXPECT_EQ(MulDiv(-7, 1, 3), -2);
  EXPECT_EQ(MulDiv(8, 1, 3), 3);
  // The progress geometry of a tall frame: 640 * 33 / 100 = 211.2, then 211 * 480 / 640.
  EXPECT_EQ(MulDiv(640, 33, 100), 211);
  EXPECT_EQ(MulDiv(211, 480, 640), 158);
  EXPECT_EQ(MulDiv(320, 1, 100), 3);
  EXPECT_EQ(MulDiv(3, 240, 320), 2);
}

TEST(MulDiv, WideIntermediateAndFailures) {
  EXPECT_EQ(MulDiv(INT_MAX, INT_MAX, INT_MAX), INT_MAX) << "the product needs 64 bits";
  EXPECT_EQ(MulDiv(INT_MIN, INT_MAX, INT_MAX), INT_MIN);
  EXPECT_EQ(MulDiv(INT_MIN, 1, 1), INT_MIN);
  EXPECT_EQ(MulDiv(5, 7, 0), -1) << "division by zero";
  EXPECT_EQ(MulDiv(0, 7, 0), -1);
  EXPECT_EQ(MulDiv(INT_MAX, 2, 1), -1) << "a quotient that does not fit";
  EXPECT_EQ(MulDiv(INT_MIN, -1, 1), -1);
  EXPECT_EQ(MulDiv(INT_MIN, 1, -1), -1);
}

TEST(Round, HalvesGoToTheEvenNeighbour) {
  EXPECT_EQ(Round(0.5L), 0);
  EXPECT_EQ(Round(1.5L), 2);
  EXPECT_EQ(Round(2.5L), 2);
  EXPECT_EQ(Round(3.5L), 4);
  EXPECT_EQ(Round(-0.5L), 0);
  EXPECT_EQ(Round(-1.5L), -2);
  EXPECT_EQ(Round(-2.5L), -2);
  EXPECT_EQ(Round(2.4999L), 2);
  EXPECT_EQ(Round(-2.5001L), -3);
  EXPECT_EQ(Round(1e15L + 0.5L), 1000000000000000LL);
}

TEST(Round, ValuesWithoutAnIntegerGiveZero) {
  EXPECT_EQ(Round(std::numeric_limits<long double>::quiet_NaN()), 0);
  EXPECT_EQ(Round(std::numeric_limits<long double>::infinity()), 0);
  EXPECT_EQ(Round(-std::numeric_limits<long double>::infinity()), 0);
  EXPECT_EQ(Round(1e30L), 0);
  EXPECT_EQ(Round(-1e30L), 0);
  EXPECT_EQ(Round(-9223372036854775808.0L), std::numeric_limits<int64_t>::min());
}

std::vector<int> Draw(int count, int n) {
  std::vector<int> v;
  for (int i = 0; i < count; ++i) v.push_back(Random(n));
  return v;
}

TEST(Random, StaysInRangeAndCoversIt) {
  RandSeedGuard guard;
  SetRandSeed(12345);
  for (int n : {1, 2, 3, 100, 176, 1 << 30, INT_MAX}) {
    std::vector<bool> seen(size_t(std::min(n, 1000)), false);
    for (int i = 0; i < 5000; ++i) {
      const int r = Random(n);
      ASSERT_GE(r, 0);
      ASSERT_LT(r, n);
      if (n <= 1000) seen[size_t(r)] = true;
    }
    if (n <= 176) {
      EXPECT_EQ(std::count(seen.begin(), seen.end(), true), n) << "every value of " << n;
    }
  }
  EXPECT_EQ(Random(0), 0);
  EXPECT_EQ(Random(-5), 0);
}

TEST(Random, TheSeedIsTheWholeState) {
  RandSeedGuard guard;
  SetRandSeed(42);
  const auto first = Draw(50, 1000);
  SetRandSeed(42);
  EXPECT_EQ(Draw(50, 1000), first);

  // Saving and restoring in the middle resumes the same sequence.
  SetRandSeed(7);
  Draw(10, 100);
  const uint32_t saved = RandSeed();
  const auto next = Draw(20, 100);
  SetRandSeed(999);
  Draw(5, 100);
  SetRandSeed(saved);
  EXPECT_EQ(Draw(20, 100), next);

  // Random(0) still moves the sequence on, like any other draw.
  SetRandSeed(3);
  Random(0);
  const int afterZero = Random(1000);
  SetRandSeed(3);
  Random(1000);
  EXPECT_EQ(Random(1000), afterZero);
}

TEST(Random, GuardRestoresTheSeedHoweverTheScopeEnds) {
  SetRandSeed(2024);
  {
    RandSeedGuard guard;
    SetRandSeed(1);
    Draw(30, 10);
  }
  EXPECT_EQ(RandSeed(), 2024u);
  try {
    RandSeedGuard guard;
    Draw(3, 10);
    throw std::runtime_error("drawing failed");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(RandSeed(), 2024u);
}

TEST(Random, FillGivesTheSequenceOfSingleDraws) {
  // Every count around the four-way interleave, and the seed left where
  // the single draws leave it, so later draws continue the same sequence.
  for (int count = 0; count <= 13; ++count) {
    for (int n : {1, 3, 100, 1 << 30}) {
      SetRandSeed(0xC0FFEEu + count);
      std::vector<int> want;
      for (int i = 0; i < count; ++i) want.push_back(Random(n));
      const uint32_t after = RandSeed();
      SetRandSeed(0xC0FFEEu + count);
      std::vector<int> got(size_t(count) + 1, -7);
      RandomFill(n, got.data(), count);
      EXPECT_EQ(RandSeed(), after) << count << " draws of " << n;
      EXPECT_EQ(got.back(), -7) << "wrote past " << count;
      got.pop_back();
      EXPECT_EQ(got, want) << count << " draws of " << n;
    }
  }
}

}  // namespace
}  // namespace gfx
