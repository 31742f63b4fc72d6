#include "slideshow/captions.h"

#include <gtest/gtest.h>

namespace {

using slideshow::CaptionOverlay;
using slideshow::CaptionStyle;

// Columns and rows of the frame the caption changed, on a mid-grey frame.
gfx::Rect InkBounds(const CaptionOverlay& caption, int w, int h) {
  gfx::Bitmap frame(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) reinterpret_cast<uint32_t*>(frame.ScanLine(y))[x] = 0x808080;
  caption.PaintOnto(frame, 1.0);
  gfx::Rect ink{w, h, 0, 0};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (reinterpret_cast<uint32_t*>(frame.ScanLine(y))[x] != 0x808080) {
        ink.Left = std::min(ink.Left, x), ink.Right = std::max(ink.Right, x + 1);
        ink.Top = std::min(ink.Top, y), ink.Bottom = std::max(ink.Bottom, y + 1);
      }
  return ink;
}

// A caption too long for one line wraps and stays inside the margins, at
// the placement asked for, in any script.
TEST(Captions, LongTextWrapsInsideTheMarginsAtItsPlace) {
  gfx::FontLibrary fonts;
  const int w = 480, h = 270;
  for (const auto place : {slideshow::CaptionPlace::Bottom, slideshow::CaptionPlace::Top}) {
    for (const char* text : {"A caption far too long for one line of this small frame, so it wraps",
                             "نص طويل جدا لا يتسع في سطر واحد من هذا الإطار الصغير فيلتف"}) {
      CaptionStyle style;
      style.place = place;
      style.margin = 0.1;  // 27 pixels
      CaptionOverlay caption;
      std::string note;
      caption.Make(fonts, text, style, w, h, &note);
      EXPECT_EQ(note, "");
      const gfx::Rect ink = InkBounds(caption, w, h);
      SCOPED_TRACE(text);
      EXPECT_GE(ink.Left, 27);
      EXPECT_LE(ink.Right, w - 27);
      EXPECT_GT(ink.Height(), 2 * style.size * h);  // more than one line
      if (place == slideshow::CaptionPlace::Bottom) {
        EXPECT_LE(ink.Bottom, h - 27 + 2);
        EXPECT_GT(ink.Top, h / 2);
      } else {
        EXPECT_GE(ink.Top, 27 - 2);
        EXPECT_LT(ink.Bottom, h / 2);
      }
    }
  }
}

TEST(Captions, MissingFontFallsBackWithANote) {
  gfx::FontLibrary fonts;
  CaptionStyle style;
  style.font = "No Such Family Qzx";
  CaptionOverlay caption;
  std::string note;
  caption.Make(fonts, "Still drawn", style, 320, 180, &note);
  EXPECT_NE(note.find("No Such Family Qzx"), std::string::npos) << note;
  EXPECT_FALSE(caption.Empty());
  EXPECT_GT(InkBounds(caption, 320, 180).Width(), 40);
}

TEST(Captions, FadesInAndOutWithinTheSlide) {
  EXPECT_EQ(slideshow::CaptionOpacity(0, 4, 0.5), 0);
  EXPECT_DOUBLE_EQ(slideshow::CaptionOpacity(0.25, 4, 0.5), 0.5);
  EXPECT_EQ(slideshow::CaptionOpacity(2, 4, 0.5), 1);
  EXPECT_DOUBLE_EQ(slideshow::CaptionOpacity(3.75, 4, 0.5), 0.5);
  EXPECT_EQ(slideshow::CaptionOpacity(4.5, 4, 0.5), 0);
  EXPECT_DOUBLE_EQ(slideshow::CaptionOpacity(0.5, 1, 2), 1);  // short slide: peak mid-way
}

}  // namespace
