#include <gtest/gtest.h>

#include <cmath>

#include "bmp_writer.h"
#include "gfx/bilinear_sampler.h"
#include "gfx/box_blur.h"

namespace {

using bmptest::PixelAt;
using gfx::Bitmap;

void Fill(Bitmap& b, uint32_t (*colour)(int, int)) {
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x)
      reinterpret_cast<uint32_t*>(b.ScanLine(y))[x] = colour(x, y);
}

// On a picture that is a linear ramp along both axes, bilinear sampling
// returns the ramp at the exact fractional position every target pixel maps
// to, so any error in the mapping or the weights shows as a wrong value.
TEST(BilinearSampler, SamplesRampsAtTheMappedFractionalPosition) {
  Bitmap ramp(120, 100);
  Fill(ramp, [](int x, int y) { return uint32_t(2 * x) | uint32_t(2 * y) << 8 | 0x400000u; });
  struct Case {
    gfx::RectF from;
    gfx::Rect dest;
  };
  const Case cases[] = {
      {{10.3, 7.77, 50, 40}, {0, 0, 100, 80}},   // enlarging from fractions
      {{0.25, 0.5, 119, 99}, {5, 3, 85, 73}},    // shrinking into an inner rectangle
      {{40.01, 30.99, 20, 20}, {-7, -3, 40, 40}},  // partly off the target
  };
  for (const Case& c : cases) {
    Bitmap target(80, 70);
    gfx::BilinearSampler sampler;
    sampler.Draw(ramp, c.from, target, c.dest);
    for (int y = std::max(0, c.dest.Top); y < std::min(70, c.dest.Bottom); ++y)
      for (int x = std::max(0, c.dest.Left); x < std::min(80, c.dest.Right); ++x) {
        const double u = c.from.x + (x - c.dest.Left + 0.5) * c.from.w / c.dest.Width() - 0.5;
        const double v = c.from.y + (y - c.dest.Top + 0.5) * c.from.h / c.dest.Height() - 0.5;
        const gfx::Color got = PixelAt(target, x, y);
        ASSERT_NEAR(double(got & 255), 2 * std::clamp(u, 0.0, 119.0), 1.0) << x << "," << y;
        ASSERT_NEAR(double(got >> 8 & 255), 2 * std::clamp(v, 0.0, 99.0), 1.0) << x << "," << y;
        ASSERT_EQ(got >> 16, 0x40u);
      }
  }
}

TEST(BoxBlur, KeepsFlatAreasAndEdgesAndSpreadsAPointSymmetrically) {
  Bitmap flat(37, 23);
  Fill(flat, [](int, int) { return 0x8040C0u; });
  gfx::BoxBlur(flat, 5);
  for (int y = 0; y < 23; ++y)
    for (int x = 0; x < 37; ++x) ASSERT_EQ(PixelAt(flat, x, y), 0x8040C0u) << x << "," << y;

  Bitmap dot(41, 41);
  Fill(dot, [](int x, int y) { return x == 20 && y == 20 ? 0xFFFFFFu : 0u; });
  gfx::BoxBlur(dot, 2);
  // Three passes of width 5 reach 6 pixels out and no further; a Gaussian
  // falls off from the middle, the same in all four directions.
  double total = 0;
  for (int y = 0; y < 41; ++y)
    for (int x = 0; x < 41; ++x) {
      const int v = int(PixelAt(dot, x, y) & 255);
      total += v;
      if (std::abs(x - 20) > 6 || std::abs(y - 20) > 6) {
        ASSERT_EQ(v, 0) << x << "," << y;
      }
      ASSERT_EQ(v, int(PixelAt(dot, 40 - x, y) & 255));
      // Rows and columns round in turn, so the transpose may differ by one.
      ASSERT_NEAR(v, int(PixelAt(dot, y, x) & 255), 1);
    }
  EXPECT_GT(PixelAt(dot, 20, 20) & 255, PixelAt(dot, 22, 20) & 255);
  EXPECT_GT(PixelAt(dot, 22, 20) & 255, PixelAt(dot, 24, 20) & 255);
  EXPECT_NEAR(total, 255.0, 40.0);  // rounding per pass, but no light made or lost
}

}  // namespace
