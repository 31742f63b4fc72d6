#include "slideshow/framing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using slideshow::FitMode;
using slideshow::FramedPicture;
using slideshow::MotionKind;
using slideshow::MotionSpec;

uint32_t& At(gfx::Bitmap& b, int x, int y) { return reinterpret_cast<uint32_t*>(b.ScanLine(y))[x]; }

// White with a soft dark dot whose centre is at (cx, cy) in picture pixels.
void DrawMarker(gfx::Bitmap& b, double cx, double cy) {
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) {
      const double d2 = std::pow(x + 0.5 - cx, 2) + std::pow(y + 0.5 - cy, 2);
      const int v = 255 - int(std::lround(255 * std::exp(-d2 / (2 * 6.0 * 6.0))));
      At(b, x, y) = uint32_t(v) * 0x010101u;
    }
}

// Centre of darkness near (x, y), in frame pixels (pixel centres at +0.5).
std::pair<double, double> Centroid(gfx::Bitmap& f, double x, double y) {
  double sx = 0, sy = 0, s = 0;
  for (int j = int(y) - 14; j <= int(y) + 14; ++j)
    for (int i = int(x) - 14; i <= int(x) + 14; ++i) {
      if (i < 0 || j < 0 || i >= f.Width() || j >= f.Height()) continue;
      const double d = 255 - double(At(f, i, j) & 255);
      sx += d * (i + 0.5);
      sy += d * (j + 0.5);
      s += d;
    }
  return {sx / s, sy / s};
}

// The smoothness a viewer sees: a marker tracked frame by frame follows the
// ideal path within a tenth of a pixel, and so does every step, so nothing
// snaps to whole pixels and nothing runs backwards.
TEST(FramedPicture, MarkerFollowsTheIdealPathWithinATenthOfAPixel) {
  gfx::Bitmap picture(900, 600);
  DrawMarker(picture, 400, 280);
  struct Case {
    FitMode mode;
    MotionKind kind;
  };
  for (const Case c : {Case{FitMode::Fill, MotionKind::PanRight}, Case{FitMode::Fit, MotionKind::ZoomIn},
                       Case{FitMode::Blur, MotionKind::PanUp}}) {
    MotionSpec motion;
    motion.kind = c.kind;
    motion.easing = slideshow::Easing::Smooth;
    FramedPicture framed;
    framed.Make(picture, 320, 180, {c.mode}, motion, 0);
    ASSERT_TRUE(framed.Moves());
    gfx::Bitmap frame(320, 180);
    double lastX = 0, lastY = 0, idealLastX = 0, idealLastY = 0;
    const int frames = 60;
    for (int n = 0; n < frames; ++n) {
      const double t = n / double(frames - 1);
      framed.PaintAt(t, frame);
      const auto [ix, iy] = framed.FramePoint(t, 400.0 / 900, 280.0 / 600);
      const auto [x, y] = Centroid(frame, ix, iy);
      SCOPED_TRACE(testing::Message() << int(c.kind) << " frame " << n);
      ASSERT_NEAR(x, ix, 0.1);
      ASSERT_NEAR(y, iy, 0.1);
      if (n > 0) {
        ASSERT_NEAR(x - lastX, ix - idealLastX, 0.1);
        ASSERT_NEAR(y - lastY, iy - idealLastY, 0.1);
      }
      lastX = x, lastY = y, idealLastX = ix, idealLastY = iy;
    }
  }
}

// A portrait picture in a landscape frame: fit leaves bars of the background
// colour, blur leaves no dark column at all, fill covers the frame.
TEST(FramedPicture, BarsOnlyWhereTheModeAsksForThem) {
  gfx::Bitmap portrait(300, 600);
  for (int y = 0; y < 600; ++y)
    for (int x = 0; x < 300; ++x) At(portrait, x, y) = 0x305070u + uint32_t(y / 5) * 0x010000u;
  for (const bool moving : {false, true}) {
    for (const FitMode mode : {FitMode::Fit, FitMode::Fill, FitMode::Blur}) {
      MotionSpec motion;
      motion.kind = moving ? MotionKind::ZoomOut : MotionKind::None;
      FramedPicture framed;
      framed.Make(portrait, 640, 360, {mode, 0x102030u}, motion, 0);
      gfx::Bitmap frame(640, 360);
      framed.PaintAt(0.3, frame);
      SCOPED_TRACE(testing::Message() << int(mode) << " moving " << moving);
      int barColumns = 0, darkColumns = 0;
      for (int x = 0; x < 640; ++x) {
        bool allBar = true, allDark = true;
        for (int y = 0; y < 360; ++y) {
          const uint32_t p = At(frame, x, y);
          allBar = allBar && p == 0x102030u;
          allDark = allDark && (p & 0xFF) < 0x20 && (p >> 8 & 0xFF) < 0x20 && (p >> 16) < 0x20;
        }
        barColumns += allBar;
        darkColumns += allDark;
      }
      EXPECT_EQ(barColumns, mode == FitMode::Fit ? 640 - 180 : 0);
      if (mode != FitMode::Fit) {
        EXPECT_EQ(darkColumns, 0);
      }
    }
  }
}

// A large photo is never kept whole: only what the move shows, at the
// density it needs.
TEST(FramedPicture, KeptPictureIsBoundedByTheFrameNotThePhoto) {
  gfx::Bitmap photo(4000, 3000);
  MotionSpec motion;
  motion.kind = MotionKind::ZoomIn;
  FramedPicture framed;
  framed.Make(photo, 400, 225, {FitMode::Fill}, motion, 0);
  const double kept = double(framed.Kept().Width()) * framed.Kept().Height();
  EXPECT_LE(kept, 1.5 * 1.5 * 1.2 * 1.2 * 400 * 225 * 1.05);
  EXPECT_GE(framed.Kept().Width(), 1.5 * 400);
}

TEST(Motion, MovesKeepTheFramesShapeStayInsideAndKeepTheCentreInView) {
  for (const auto& [pw, ph] : {std::pair{900, 600}, std::pair{600, 900}, std::pair{2000, 500}}) {
    for (const FitMode mode : {FitMode::Fit, FitMode::Fill}) {
      const auto still = slideshow::PlaceStill(pw, ph, 320, 180, {mode});
      const double aspect = still.view.w * pw / (still.view.h * ph);
      std::vector<MotionSpec> specs;
      for (MotionKind k : {MotionKind::ZoomIn, MotionKind::ZoomOut, MotionKind::PanLeft,
                           MotionKind::PanRight, MotionKind::PanUp, MotionKind::PanDown,
                           MotionKind::Auto})
        specs.push_back({k});
      specs.push_back({MotionKind::Rects, slideshow::Easing::Linear, {0.1, 0.2, 0.3, 0.1}, {0, 0, 1, 1}});
      for (int slide = 0; slide < 4; ++slide)
        for (const MotionSpec& spec : specs) {
          const auto path = slideshow::PlanMove(spec, still.view, double(pw) / ph, slide);
          for (const gfx::RectF& r : {path.start, path.end}) {
            SCOPED_TRACE(testing::Message() << pw << "x" << ph << " kind " << int(spec.kind));
            EXPECT_NEAR(r.w * pw / (r.h * ph), aspect, 1e-9);
            EXPECT_GE(r.x, -1e-12);
            EXPECT_GE(r.y, -1e-12);
            EXPECT_LE(r.x + r.w, 1 + 1e-12);
            EXPECT_LE(r.y + r.h, 1 + 1e-12);
            if (spec.kind == MotionKind::Auto) {
              EXPECT_LT(r.x, 0.5);
              EXPECT_GT(r.x + r.w, 0.5);
              EXPECT_LT(r.y, 0.5);
              EXPECT_GT(r.y + r.h, 0.5);
            }
          }
        }
    }
  }
}

TEST(Motion, ANamedPanCrossesAPanoramaFromEdgeToEdge) {
  const auto still = slideshow::PlaceStill(3000, 1000, 320, 180, {FitMode::Fill});
  const auto path = slideshow::PlanMove({MotionKind::PanLeft}, still.view, 3.0, 0);
  EXPECT_EQ(path.start, (gfx::RectF{1 - still.view.w, 0, still.view.w, 1}));
  EXPECT_EQ(path.end, (gfx::RectF{0, 0, still.view.w, 1}));
}

TEST(Motion, TextsOutsideTheirRangeAreRefused) {
  EXPECT_TRUE(slideshow::ParseFractionRect("0.1,0.2,0.5,0.5"));
  for (const char* bad : {"", "0.1,0.2,0.5", "0.1,0.2,0.5,0.5,1", "a,0,1,1", "0.6,0,0.5,1",
                          "0,0,0,1", "-0.1,0,0.5,0.5", "nan,0,1,1", "0,0,1,1 "})
    EXPECT_FALSE(slideshow::ParseFractionRect(bad)) << bad;
  EXPECT_EQ(slideshow::ParseColor("#1a2B3c"), 0x1A2B3Cu);
  for (const char* bad : {"", "#12345", "1234567", "#12345g", "+12345"})
    EXPECT_FALSE(slideshow::ParseColor(bad)) << bad;
  EXPECT_FALSE(slideshow::MotionKindNamed("zoom"));
  EXPECT_FALSE(slideshow::FitModeNamed("Fit"));
}

}  // namespace
