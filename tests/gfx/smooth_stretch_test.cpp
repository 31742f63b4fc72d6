#include "gfx/smooth_stretch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "bmp_writer.h"

namespace {

using bmptest::PixelAt;
using gfx::Bitmap;
using gfx::Color;
using gfx::PixelFormat;

void Put(Bitmap& b, int x, int y, Color c) {
  const int bpp = gfx::BitsPerPixel(b.Format()) / 8;
  uint8_t* p = b.ScanLine(y) + x * bpp;
  p[0] = uint8_t(c);
  p[1] = uint8_t(c >> 8);
  p[2] = uint8_t(c >> 16);
}

// Area average of one channel over source [x0, x1) x [y0, y1), in doubles.
double AreaMean(const Bitmap& src, int shift, double x0, double x1, double y0, double y1) {
  double sum = 0, area = 0;
  for (int y = int(std::floor(y0)); y < int(std::ceil(y1)); ++y)
    for (int x = int(std::floor(x0)); x < int(std::ceil(x1)); ++x) {
      const double wx = std::min<double>(x + 1, x1) - std::max<double>(x, x0);
      const double wy = std::min<double>(y + 1, y1) - std::max<double>(y, y0);
      sum += wx * wy * double(PixelAt(src, x, y) >> shift & 255);
      area += wx * wy;
    }
  return sum / area;
}

TEST(SmoothStretch, ShrinkingAveragesExactlyTheCoveredArea) {
  std::mt19937 rng(5);
  for (const auto format : {PixelFormat::pf24bit, PixelFormat::pf32bit}) {
    Bitmap src(53, 41, format);
    for (int y = 0; y < 41; ++y)
      for (int x = 0; x < 53; ++x) Put(src, x, y, rng() & 0xFFFFFF);
    for (const auto& [dw, dh] : {std::pair{17, 13}, {53, 20}, {26, 41}, {1, 1}}) {
      Bitmap dst(dw + 4, dh + 2);
      gfx::SmoothStretch(dst, {3, 1, 3 + dw, 1 + dh}, src);
      const double sx = 53.0 / dw, sy = 41.0 / dh;
      for (int y = 0; y < dh; ++y)
        for (int x = 0; x < dw; ++x)
          for (int shift : {0, 8, 16}) {
            const double expect = AreaMean(src, shift, x * sx, (x + 1) * sx, y * sy, (y + 1) * sy);
            const int got = int(PixelAt(dst, 3 + x, 1 + y) >> shift & 255);
            ASSERT_LE(std::abs(got - expect), 1.0) << dw << "x" << dh << " at " << x << "," << y;
          }
      // Nothing outside the rectangle is touched.
      EXPECT_EQ(PixelAt(dst, 2, 1), 0u);
      EXPECT_EQ(PixelAt(dst, 3, 0), 0u);
      EXPECT_EQ(PixelAt(dst, 3 + dw, dh), 0u);
    }
  }
}

TEST(SmoothStretch, FlatAreasStayExactlyFlatAtAnyScale) {
  Bitmap src(37, 23, PixelFormat::pf24bit);
  for (int y = 0; y < 23; ++y)
    for (int x = 0; x < 37; ++x) Put(src, x, y, 0xC86432);
  for (const auto& [dw, dh] : {std::pair{11, 7}, {36, 22}, {101, 61}, {37, 23}}) {
    Bitmap dst(dw, dh);
    gfx::SmoothStretch(dst, {0, 0, dw, dh}, src);
    for (int y = 0; y < dh; ++y)
      for (int x = 0; x < dw; ++x) ASSERT_EQ(PixelAt(dst, x, y), 0xC86432u) << dw << " " << x << "," << y;
  }
}

TEST(SmoothStretch, EnlargingInterpolatesBetweenPixelCentres) {
  Bitmap src(2, 1, PixelFormat::pf32bit);
  Put(src, 0, 0, 0x000000);
  Put(src, 1, 0, 0xC8C8C8);
  Bitmap dst(4, 1);
  gfx::SmoothStretch(dst, {0, 0, 4, 1}, src);
  // Target centres fall at source -0.25, 0.25, 0.75 and 1.25.
  EXPECT_EQ(PixelAt(dst, 0, 0), 0x000000u);
  EXPECT_EQ(PixelAt(dst, 1, 0), 0x323232u);
  EXPECT_EQ(PixelAt(dst, 2, 0), 0x969696u);
  EXPECT_EQ(PixelAt(dst, 3, 0), 0xC8C8C8u);
}

TEST(SmoothStretch, ARectangleReachingOutsideDrawsOnlyItsVisiblePart) {
  Bitmap src(30, 20, PixelFormat::pf24bit);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 30; ++x) Put(src, x, y, Color(x * 8) << 16 | Color(y * 12));
  Bitmap whole(12, 8), clipped(6, 5);
  gfx::SmoothStretch(whole, {0, 0, 12, 8}, src);
  gfx::SmoothStretch(clipped, {-4, -2, 8, 6}, src);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 6; ++x) {
      const int wx = x + 4, wy = y + 2;
      ASSERT_EQ(PixelAt(clipped, x, y), wx < 12 && wy < 8 ? PixelAt(whole, wx, wy) : 0u) << x << "," << y;
    }
  Bitmap untouched(4, 4);
  gfx::SmoothStretch(untouched, {10, 10, 20, 20}, src);  // nothing visible
  EXPECT_EQ(PixelAt(untouched, 3, 3), 0u);
}

}  // namespace
