#include "effects/complex_region.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

namespace {

using effects::TComplexRegion;

int32_t IntAt(const uint8_t* block, size_t offset) {
  int32_t v;
  std::memcpy(&v, block + offset, sizeof v);
  return v;
}

TEST(ComplexRegion, GivesNoRegionUntilARectangleIsAdded) {
  TComplexRegion list;
  EXPECT_FALSE(list.CreateRegion().has_value());
  EXPECT_EQ(list.Data(), nullptr);

  // Even an empty rectangle makes a (empty) region, unlike no rectangle.
  list.AddRect(5, 5, 5, 5);
  const auto region = list.CreateRegion();
  ASSERT_TRUE(region.has_value());
  EXPECT_TRUE(region->IsEmpty());
}

TEST(ComplexRegion, HeaderAndBoundsDescribeTheList) {
  TComplexRegion list;
  EXPECT_EQ(list.Bounds(), (gfx::Rect{INT_MAX, INT_MAX, -INT_MAX, -INT_MAX}));

  list.AddRect(10, 20, 30, 40);
  list.AddRect(-5, 25, 12, 60);
  list.AddRect(7, 3, 8, 4);
  ASSERT_TRUE(list.CreateRegion().has_value());

  const uint8_t* block = list.Data();
  EXPECT_EQ(IntAt(block, 0), 32);
  EXPECT_EQ(IntAt(block, 4), 1);
  EXPECT_EQ(IntAt(block, 8), 3);
  EXPECT_EQ(IntAt(block, 12), 16);
  EXPECT_EQ(IntAt(block, 16), -5);
  EXPECT_EQ(IntAt(block, 20), 3);
  EXPECT_EQ(IntAt(block, 24), 30);
  EXPECT_EQ(IntAt(block, 28), 60);
  // Rectangles follow in the order added, exactly as given.
  EXPECT_EQ(IntAt(block, 32 + 16 + 0), -5);
  EXPECT_EQ(IntAt(block, 32 + 16 + 12), 60);
  EXPECT_EQ(IntAt(block, 32 + 32 + 4), 3);
}

TEST(ComplexRegion, RegionIsTheUnionAndInvertedRectanglesCoverNothing) {
  TComplexRegion list;
  list.AddRect(0, 0, 4, 2);
  list.AddRect(2, 1, 6, 3);   // overlaps the first
  list.AddRect(9, 9, 7, 12);  // right < left: nothing
  list.AddRect(20, 5, 22, 4); // bottom < top: nothing
  const auto region = list.CreateRegion();
  ASSERT_TRUE(region.has_value());
  EXPECT_TRUE(region->Contains(0, 0));
  EXPECT_TRUE(region->Contains(3, 1));
  EXPECT_TRUE(region->Contains(5, 2));
  EXPECT_FALSE(region->Contains(5, 0));
  EXPECT_FALSE(region->Contains(0, 2));
  EXPECT_FALSE(region->Contains(8, 10));
  EXPECT_FALSE(region->Contains(7, 10));
  EXPECT_FALSE(region->Contains(21, 4));
  EXPECT_EQ(region->Bounds(), (gfx::Rect{0, 0, 6, 3}));
}

TEST(ComplexRegion, GrowsInStepsOf500KeepingEarlierRectangles) {
  TComplexRegion list;
  list.AddRect(0, 0, 1, 1);
  EXPECT_EQ(list.Capacity(), 500);
  for (int i = 1; i < 500; ++i) list.AddRect(i, 2 * i, i + 1, 2 * i + 1);
  EXPECT_EQ(list.Capacity(), 500);
  list.AddRect(1000, 1000, 1001, 1001);
  EXPECT_EQ(list.Capacity(), 1000);
  EXPECT_EQ(list.Count(), 501);

  ASSERT_TRUE(list.CreateRegion().has_value());
  const uint8_t* block = list.Data();
  EXPECT_EQ(IntAt(block, 8), 501);
  for (int i = 0; i < 500; ++i) {
    const size_t at = 32 + 16 * size_t(i);
    ASSERT_EQ(IntAt(block, at), i) << "rectangle " << i;
    ASSERT_EQ(IntAt(block, at + 4), 2 * i) << "rectangle " << i;
    ASSERT_EQ(IntAt(block, at + 8), i + 1) << "rectangle " << i;
    ASSERT_EQ(IntAt(block, at + 12), 2 * i + 1) << "rectangle " << i;
  }
  EXPECT_EQ(IntAt(block, 32 + 16 * 500), 1000);

  // The region really holds all of them, the first and the last included.
  const auto region = list.CreateRegion();
  EXPECT_TRUE(region->Contains(0, 0));
  EXPECT_TRUE(region->Contains(499, 998));
  EXPECT_TRUE(region->Contains(1000, 1000));
  EXPECT_FALSE(region->Contains(1, 0));
}

TEST(ComplexRegion, ClearStartsAfresh) {
  TComplexRegion list;
  for (int i = 0; i < 600; ++i) list.AddRect(i, 0, i + 1, 1);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Capacity(), 0);
  EXPECT_EQ(list.Bounds(), (gfx::Rect{INT_MAX, INT_MAX, -INT_MAX, -INT_MAX}));
  EXPECT_FALSE(list.CreateRegion().has_value());

  list.AddRect(3, 4, 5, 6);
  const auto region = list.CreateRegion();
  ASSERT_TRUE(region.has_value());
  EXPECT_EQ(region->Bounds(), (gfx::Rect{3, 4, 5, 6}));
  EXPECT_EQ(list.Bounds(), (gfx::Rect{3, 4, 5, 6}));
}

}  // namespace
