#include "gfx/canvas.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <random>
#include <stdexcept>
#include <vector>

namespace gfx {
namespace {

uint32_t Get32(const Bitmap& b, int x, int y) {
  uint32_t v;
  std::memcpy(&v, b.ScanLine(y) + x * 4, 4);
  return v;
}

void Set32(Bitmap& b, int x, int y, uint32_t v) { std::memcpy(b.ScanLine(y) + x * 4, &v, 4); }

// Every pixel distinct and naming its place; `tag` tells bitmaps apart. The
// fourth byte is used too, as whole-pixel copies must carry it.
void Paint(Bitmap& b, uint32_t tag) {
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) Set32(b, x, y, (tag << 24) | (uint32_t(y) << 8) | x);
}

std::vector<uint32_t> Pixels(const Bitmap& b) {
  std::vector<uint32_t> v;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) v.push_back(Get32(b, x, y));
  return v;
}

// Source column for destination position i of a stretch, written out from
// the rule: centre sampling on absolute extents, mirrored by the signs.
int64_t Sample(int64_t i, int s, int sn, int dn) {
  const int64_t step = (2 * i + 1) * std::abs(int64_t(sn)) / (2 * std::abs(int64_t(dn)));
  return sn > 0 ? s + step : s - step;
}

// Destination position -> index within the block, or -1 outside it.
int64_t BlockIndex(int64_t x, int d, int dn) {
  if (dn > 0) return x >= d && x < int64_t(d) + dn ? x - d : -1;
  return x <= d && x > int64_t(d) + dn ? d - x : -1;
}

std::vector<uint32_t> ExpectedStretch(const Bitmap& before, const Bitmap& src, int dx, int dy,
                                      int dw, int dh, int sx, int sy, int sw, int sh,
                                      const Region* clip) {
  std::vector<uint32_t> want = Pixels(before);
  if (sw == 0 || sh == 0) return want;
  for (int y = 0; y < before.Height(); ++y)
    for (int x = 0; x < before.Width(); ++x) {
      if (clip && !clip->Contains(x, y)) continue;
      const int64_t i = BlockIndex(x, dx, dw), j = BlockIndex(y, dy, dh);
      if (i < 0 || j < 0) continue;
      const int64_t u = Sample(i, sx, sw, dw), v = Sample(j, sy, sh, dh);
      if (u < 0 || v < 0 || u >= src.Width() || v >= src.Height()) continue;
      want[size_t(y * before.Width() + x)] = Get32(src, int(u), int(v));
    }
  return want;
}

TEST(CanvasCopy, ClipsToBothBitmaps) {
  Bitmap src(6, 5), dst(8, 7);
  Paint(src, 1);
  std::mt19937 rng(2);
  std::uniform_int_distribution<int> pos(-9, 10), len(-2, 12);
  for (int iter = 0; iter < 500; ++iter) {
    Paint(dst, 2);
    const int dx = pos(rng), dy = pos(rng), w = len(rng), h = len(rng), sx = pos(rng),
              sy = pos(rng);
    std::vector<uint32_t> want = Pixels(dst);
    for (int y = 0; y < dst.Height(); ++y)
      for (int x = 0; x < dst.Width(); ++x) {
        const int u = x - dx + sx, v = y - dy + sy;
        if (x >= dx && x < dx + w && y >= dy && y < dy + h && u >= 0 && v >= 0 &&
            u < src.Width() && v < src.Height())
          want[size_t(y * dst.Width() + x)] = Get32(src, u, v);
      }
    dst.GetCanvas().CopyRect(dx, dy, w, h, src, sx, sy);
    ASSERT_EQ(Pixels(dst), want) << dx << "," << dy << " " << w << "x" << h << " <- " << sx
                                 << "," << sy;
  }
}

TEST(CanvasCopy, ExtremeCoordinatesDrawNothingAndDoNotFault) {
  Bitmap src(4, 4), dst(4, 4);
  Paint(src, 1);
  Paint(dst, 2);
  const auto before = Pixels(dst);
  Canvas& c = dst.GetCanvas();
  c.CopyRect(INT_MAX, INT_MAX, INT_MAX, INT_MAX, src, 0, 0);
  c.CopyRect(INT_MIN, INT_MIN, INT_MAX, INT_MAX, src, INT_MAX, INT_MAX);
  c.StretchRect(INT_MIN, 0, INT_MAX, 4, src, 0, 0, INT_MAX, 4);
  c.StretchRect(INT_MAX, INT_MAX, INT_MIN, INT_MIN, src, INT_MIN, INT_MIN, INT_MAX, INT_MAX);
  c.StretchRect(0, 0, 4, 4, src, 0, 0, 0, 4);  // no source width: nothing to sample
  EXPECT_EQ(Pixels(dst), before);
  // A block starting far left still lands its visible part correctly.
  c.CopyRect(INT_MIN + 10, 0, INT_MAX, 4, src, INT_MIN + 11, 0);
  EXPECT_EQ(Get32(dst, 0, 0), Get32(src, 1, 0));
  Bitmap empty;
  c.CopyRect(0, 0, 4, 4, empty, 0, 0);
  c.StretchDraw({0, 0, 4, 4}, empty);
  empty.GetCanvas().FillRect({0, 0, 9, 9}, clWhite);
  empty.GetCanvas().CopyRect(0, 0, 4, 4, src, 0, 0);
}

TEST(CanvasCopy, OverlappingMovesWithinOneBitmapReadTheSourceFirst) {
  const int moves[][2] = {{3, 0}, {-3, 0}, {0, 2}, {0, -2}, {2, 2}, {-2, 3}, {1, -1}, {-4, -4}};
  for (bool clipped : {false, true}) {
    for (const auto& m : moves) {
      Bitmap bmp(10, 8), original(10, 8);
      Paint(bmp, 3);
      original.Assign(bmp);
      Region clip = Region::FromEllipse({0, 0, 10, 8});
      if (clipped) bmp.GetCanvas().SelectClipRegion(&clip);
      bmp.GetCanvas().CopyRect(1 + m[0], 1 + m[1], 7, 6, bmp, 1, 1);

      Bitmap want(10, 8);
      want.Assign(original);
      if (clipped) want.GetCanvas().SelectClipRegion(&clip);
      want.GetCanvas().CopyRect(1 + m[0], 1 + m[1], 7, 6, original, 1, 1);
      ASSERT_EQ(Pixels(bmp), Pixels(want)) << "move " << m[0] << "," << m[1] << " clipped "
                                           << clipped;
    }
  }
}

TEST(CanvasCopy, ClipRegionLetsOnlyItsPixelsThrough) {
  Bitmap src(12, 12), dst(12, 12);
  Paint(src, 1);
  std::mt19937 rng(4);
  std::uniform_int_distribution<int> d(-3, 15);
  for (int iter = 0; iter < 200; ++iter) {
    Paint(dst, 2);
    std::vector<Rect> rs(rng() % 8);
    for (Rect& r : rs) r = {d(rng), d(rng), d(rng), d(rng)};
    const Point tri[] = {{d(rng), d(rng)}, {d(rng), d(rng)}, {d(rng), d(rng)}};
    const Region clip = Region::Combine(Region::FromRects(rs.data(), rs.size()),
                                        Region::FromPolygon(tri, 3, FillMode::Winding),
                                        CombineMode::Xor);
    dst.GetCanvas().SelectClipRegion(&clip);
    const int dx = d(rng), dy = d(rng);
    dst.GetCanvas().CopyRect(dx, dy, 12, 12, src, 0, 0);
    dst.GetCanvas().SelectClipRegion(nullptr);
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 12; ++x) {
        const bool copied =
            clip.Contains(x, y) && x >= dx && y >= dy && x - dx < 12 && y - dy < 12;
        const uint32_t want =
            copied ? Get32(src, x - dx, y - dy) : ((2u << 24) | (uint32_t(y) << 8) | x);
        ASSERT_EQ(Get32(dst, x, y), want) << "iteration " << iter << " pixel " << x << "," << y;
      }
  }
}

TEST(CanvasClip, SelectKeepsACopyAndExcludeCutsHoles) {
  Bitmap bmp(10, 10);
  Canvas& c = bmp.GetCanvas();
  EXPECT_FALSE(c.HasClipRegion());
  EXPECT_EQ(c.ClipRect(), (Rect{0, 0, 10, 10}));

  Region r = Region::FromRect({2, 3, 20, 8});
  c.SelectClipRegion(&r);
  r = Region::FromRect({0, 0, 1, 1});  // the canvas must not see this
  EXPECT_EQ(c.ClipRect(), (Rect{2, 3, 10, 8})) << "limited to the bitmap";
  c.FillRect({0, 0, 10, 10}, 0x123456);
  EXPECT_EQ(Get32(bmp, 2, 3), 0x123456u);
  EXPECT_EQ(Get32(bmp, 1, 3), 0u);
  EXPECT_EQ(Get32(bmp, 9, 7), 0x123456u);
  EXPECT_EQ(Get32(bmp, 9, 8), 0u);

  c.ExcludeClipRect({4, 4, 6, 6});
  c.FillRect({0, 0, 10, 10}, clWhite);
  EXPECT_EQ(Get32(bmp, 4, 4), 0x123456u) << "excluded from an existing region";
  EXPECT_EQ(Get32(bmp, 3, 4), clWhite);

  // With no region, excluding leaves the bitmap minus the rectangle.
  c.SelectClipRegion(nullptr);
  EXPECT_FALSE(c.HasClipRegion());
  c.ExcludeClipRect({3, 3, 7, 7});
  ASSERT_TRUE(c.HasClipRegion());
  EXPECT_EQ(*c.ClipRegion(), Region::Combine(Region::FromRect({0, 0, 10, 10}),
                                             Region::FromRect({3, 3, 7, 7}), CombineMode::Diff));
  c.FillRect({0, 0, 10, 10}, clBlack);
  EXPECT_EQ(Get32(bmp, 6, 6), clWhite);
  EXPECT_EQ(Get32(bmp, 2, 5), clBlack);
  // An empty exclusion changes nothing; an empty clip region hides everything.
  c.SelectClipRegion(nullptr);
  c.ExcludeClipRect({5, 5, 5, 9});
  EXPECT_EQ(*c.ClipRegion(), Region::FromRect({0, 0, 10, 10}));
  const Region none;
  c.SelectClipRegion(&none);
  EXPECT_EQ(c.ClipRect(), Rect{});
  c.FillRect({0, 0, 10, 10}, 0x777777);
  EXPECT_EQ(Get32(bmp, 2, 5), clBlack);
}

TEST(CanvasFill, RenewsTheHandleAndWritesEveryFormat) {
  Bitmap bmp(5, 3);
  const uint32_t before = bmp.Handle();
  bmp.GetCanvas().FillRect({-5, -5, 50, 50}, 0xFF102030);
  EXPECT_NE(bmp.Handle(), before);
  EXPECT_EQ(Get32(bmp, 4, 2), 0x00102030u) << "whole bitmap, fourth byte cleared";
  const uint32_t afterFirst = bmp.Handle();
  bmp.GetCanvas().FillRect({9, 9, 12, 12}, clWhite);  // nothing visible, still a new content
  EXPECT_NE(bmp.Handle(), afterFirst);

  Bitmap b24(3, 2, PixelFormat::pf24bit);
  b24.GetCanvas().FillRect({1, 0, 3, 2}, 0xA1B2C3);
  EXPECT_EQ(b24.ScanLine(1)[3], 0xC3);
  EXPECT_EQ(b24.ScanLine(1)[4], 0xB2);
  EXPECT_EQ(b24.ScanLine(1)[5], 0xA1);
  EXPECT_EQ(b24.ScanLine(1)[2], 0x00);

  Bitmap b16(2, 1, PixelFormat::pf16bit), b15(2, 1, PixelFormat::pf15bit);
  b16.GetCanvas().FillRect({0, 0, 2, 1}, 0xFF8000);
  b15.GetCanvas().FillRect({0, 0, 2, 1}, 0xFF8000);
  EXPECT_EQ(b16.ScanLine(0)[0] | (b16.ScanLine(0)[1] << 8), (31 << 11) | (32 << 5));
  EXPECT_EQ(b15.ScanLine(0)[0] | (b15.ScanLine(0)[1] << 8), (31 << 10) | (16 << 5));

  Bitmap b8(4, 1, PixelFormat::pf8bit);  // grey ramp palette
  b8.GetCanvas().FillRect({0, 0, 4, 1}, 0x404242);
  EXPECT_EQ(b8.ScanLine(0)[0], 0x41) << "nearest palette entry";
}

TEST(CanvasStretch, MatchesTheSamplingRuleInEveryDirection) {
  Bitmap src(7, 6), dst(9, 8);
  Paint(src, 1);
  std::mt19937 rng(9);
  std::uniform_int_distribution<int> pos(-6, 10), len(-14, 14);
  for (int iter = 0; iter < 2000; ++iter) {
    Paint(dst, 2);
    const Bitmap& before = dst;
    const int dx = pos(rng), dy = pos(rng), dw = len(rng), dh = len(rng);
    const int sx = pos(rng), sy = pos(rng), sw = len(rng), sh = len(rng);
    const auto want = ExpectedStretch(before, src, dx, dy, dw, dh, sx, sy, sw, sh, nullptr);
    dst.GetCanvas().StretchRect(dx, dy, dw, dh, src, sx, sy, sw, sh);
    ASSERT_EQ(Pixels(dst), want) << "(" << dx << "," << dy << "," << dw << "," << dh << ") <- ("
                                 << sx << "," << sy << "," << sw << "," << sh << ")";
  }
}

TEST(CanvasStretch, WholeRowsAndColumnsAreRepeatedOrDropped) {
  Bitmap src(4, 2), dst(8, 4);
  Paint(src, 0);
  dst.GetCanvas().StretchRect(0, 0, 8, 4, src, 0, 0, 4, 2);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 8; ++x) ASSERT_EQ(Get32(dst, x, y), Get32(src, x / 2, y / 2));

  // Halving keeps the odd columns and rows: centres of pairs fall on them.
  Bitmap big(8, 6), small(4, 3);
  Paint(big, 0);
  small.GetCanvas().StretchDraw({0, 0, 4, 3}, big);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) ASSERT_EQ(Get32(small, x, y), Get32(big, 2 * x + 1, 2 * y + 1));
}

TEST(CanvasStretch, NegativeExtentsMirror) {
  Bitmap src(5, 3), dst(5, 3);
  Paint(src, 0);
  // Negative width and height: the block is columns 0..4 and rows 0..2,
  // walked from (4, 2) backwards.
  dst.GetCanvas().StretchRect(4, 2, -5, -3, src, 0, 0, 5, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) ASSERT_EQ(Get32(dst, x, y), Get32(src, 4 - x, 2 - y));
  // Mirroring by the source extent instead gives the same picture.
  Bitmap dst2(5, 3);
  dst2.GetCanvas().StretchRect(0, 0, 5, 3, src, 4, 2, -5, -3);
  EXPECT_EQ(Pixels(dst2), Pixels(dst));
  // Both signs cancel out.
  dst2.GetCanvas().StretchRect(4, 0, -5, 3, src, 4, 0, -5, 3);
  EXPECT_EQ(Pixels(dst2), Pixels(src));
  // A mirrored strip r wide ending at column x covers x-r+1 .. x.
  Bitmap strip(10, 1);
  strip.GetCanvas().FillRect({0, 0, 10, 1}, 0x111111);
  strip.GetCanvas().StretchRect(6, 0, -3, 1, src, 0, 0, 3, 1);
  EXPECT_EQ(Get32(strip, 3, 0), 0x111111u);
  EXPECT_EQ(Get32(strip, 4, 0), Get32(src, 2, 0));
  EXPECT_EQ(Get32(strip, 6, 0), Get32(src, 0, 0));
  EXPECT_EQ(Get32(strip, 7, 0), 0x111111u);
}

TEST(CanvasStretch, WithinOneBitmapEqualsStretchingAnUnchangedCopy) {
  std::mt19937 rng(12);
  std::uniform_int_distribution<int> pos(-6, 12), len(-20, 20);
  for (int iter = 0; iter < 600; ++iter) {
    Bitmap bmp(12, 10), copy(12, 10);
    Paint(bmp, 5);
    copy.Assign(bmp);
    const int dx = pos(rng), dy = pos(rng), dw = len(rng), dh = len(rng);
    const int sx = pos(rng), sy = pos(rng), sw = len(rng), sh = len(rng);
    const bool clipped = iter % 2 == 1;
    const Region clip = Region::FromEllipse({pos(rng), pos(rng), 12, 10});
    if (clipped) bmp.GetCanvas().SelectClipRegion(&clip);
    const auto want =
        ExpectedStretch(copy, copy, dx, dy, dw, dh, sx, sy, sw, sh, clipped ? &clip : nullptr);
    bmp.GetCanvas().StretchRect(dx, dy, dw, dh, bmp, sx, sy, sw, sh);
    ASSERT_EQ(Pixels(bmp), want) << "iteration " << iter;
  }
  // Squeezes and expansions along either axis, in place, in both directions,
  // and mirrored onto themselves.
  const int cases[][8] = {{0, 3, 12, 7, 0, 0, 12, 10},   {0, 0, 12, 7, 0, 0, 12, 10},
                          {0, 0, 12, 10, 0, 3, 12, 7},   {0, 0, 12, 10, 0, 0, 12, 7},
                          {4, 0, 8, 10, 0, 0, 12, 10},   {0, 0, 12, 10, 4, 0, 8, 10},
                          {0, 9, 12, -10, 0, 0, 12, 10}, {11, 0, -12, 10, 0, 0, 12, 10},
                          {0, 2, 12, 5, 0, 1, 12, 8},    {0, 1, 12, 8, 0, 2, 12, 5}};
  for (const auto& c : cases) {
    Bitmap bmp(12, 10), copy(12, 10);
    Paint(bmp, 7);
    copy.Assign(bmp);
    const auto want = ExpectedStretch(copy, copy, c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7],
                                      nullptr);
    bmp.GetCanvas().StretchRect(c[0], c[1], c[2], c[3], bmp, c[4], c[5], c[6], c[7]);
    ASSERT_EQ(Pixels(bmp), want) << c[0] << "," << c[1] << "," << c[2] << "," << c[3] << " <- "
                                 << c[4] << "," << c[5] << "," << c[6] << "," << c[7];
  }
  // The squeeze of a push effect: the whole frame into its left part.
  Bitmap frame(20, 4), original(20, 4);
  Paint(frame, 6);
  original.Assign(frame);
  frame.GetCanvas().StretchRect(0, 0, 15, 4, frame, 0, 0, 20, 4);
  for (int x = 0; x < 15; ++x)
    ASSERT_EQ(Get32(frame, x, 1), Get32(original, (2 * x + 1) * 20 / 30, 1));
  EXPECT_EQ(Get32(frame, 15, 1), Get32(original, 15, 1));
}

TEST(CanvasFormats, CopiesOntoThirtyTwoBitsAndWithinAFormat) {
  Bitmap b24(3, 2, PixelFormat::pf24bit);
  for (int x = 0; x < 3; ++x) {
    b24.ScanLine(1)[3 * x] = uint8_t(0x10 + x);      // blue
    b24.ScanLine(1)[3 * x + 1] = uint8_t(0x20 + x);  // green
    b24.ScanLine(1)[3 * x + 2] = uint8_t(0x30 + x);  // red
  }
  Bitmap out(3, 2);
  Paint(out, 9);
  out.GetCanvas().CopyRect(0, 0, 3, 2, b24, 0, 0);
  EXPECT_EQ(Get32(out, 2, 1), 0x00322212u);
  EXPECT_EQ(Get32(out, 0, 0), 0u);

  Bitmap b8(4, 1, PixelFormat::pf8bit);
  b8.Palette()[7] = 0xABCDEF;
  b8.ScanLine(0)[0] = 7;
  b8.ScanLine(0)[1] = 200;
  out.GetCanvas().CopyRect(0, 0, 2, 1, b8, 0, 0);
  EXPECT_EQ(Get32(out, 0, 0), 0xABCDEFu);
  EXPECT_EQ(Get32(out, 1, 0), 0xC8C8C8u);
  b8.Palette().resize(10);  // a short palette reads as black past its end
  out.GetCanvas().StretchRect(0, 0, 2, 1, b8, 0, 0, 2, 1);
  EXPECT_EQ(Get32(out, 0, 0), 0xABCDEFu);
  EXPECT_EQ(Get32(out, 1, 0), 0u);

  // 5-bit and 6-bit channels widen by repeating their top bits.
  Bitmap b16(1, 1, PixelFormat::pf16bit), b15(1, 1, PixelFormat::pf15bit);
  const uint16_t v16 = (31 << 11) | (1 << 5) | 16, v15 = (0 << 10) | (31 << 5) | 1;
  std::memcpy(b16.ScanLine(0), &v16, 2);
  std::memcpy(b15.ScanLine(0), &v15, 2);
  out.GetCanvas().CopyRect(0, 0, 1, 1, b16, 0, 0);
  EXPECT_EQ(Get32(out, 0, 0), 0xFF0484u);
  out.GetCanvas().CopyRect(0, 0, 1, 1, b15, 0, 0);
  EXPECT_EQ(Get32(out, 0, 0), 0x00FF08u);

  // Same format: bytes as they are, including stretches.
  Bitmap other24(3, 2, PixelFormat::pf24bit);
  other24.GetCanvas().StretchRect(2, 0, -3, 2, b24, 0, 0, 3, 2);
  EXPECT_EQ(std::memcmp(other24.ScanLine(1), b24.ScanLine(1) + 6, 3), 0);
  EXPECT_EQ(std::memcmp(other24.ScanLine(1) + 6, b24.ScanLine(1), 3), 0);

  // Palette pictures with different palettes keep colours, not indices.
  Bitmap other8(1, 1, PixelFormat::pf8bit);
  other8.GetCanvas().CopyRect(0, 0, 1, 1, b8, 0, 0);
  EXPECT_EQ(other8.ScanLine(0)[0], 0xCD) << "nearest grey to 0xABCDEF";

  // And 32 bits onto 24 for a canvas of another format.
  Bitmap from32(1, 1);
  Set32(from32, 0, 0, 0xEE123456);
  Bitmap to24(1, 1, PixelFormat::pf24bit);
  to24.GetCanvas().CopyRect(0, 0, 1, 1, from32, 0, 0);
  EXPECT_EQ(to24.ScanLine(0)[0], 0x56);
  EXPECT_EQ(to24.ScanLine(0)[2], 0x12);
}

TEST(CanvasTarget, LockIsReentrantAndHeldAcrossDrawing) {
  Bitmap bmp(2, 2);
  Canvas& c = bmp.GetCanvas();
  CanvasLock outer(c);
  {
    CanvasLock inner(c);
    c.FillRect({0, 0, 2, 2}, clWhite);  // drawing takes the lock again
  }
  EXPECT_EQ(Get32(bmp, 1, 1), clWhite);
}

TEST(CanvasTarget, OversizedBitmapIsRefusedAndKeepsItsPicture) {
  // Rows this wide would overflow the stride and leave a tiny buffer behind
  // a huge width, which every copy would then write past.
  Bitmap bmp(4, 3);
  bmp.GetCanvas().FillRect({0, 0, 4, 3}, 0x445566);
  EXPECT_THROW(bmp.SetSize((1 << 30) + 1, 1), std::length_error);
  EXPECT_THROW(bmp.SetSize(INT_MAX, 2), std::length_error);
  Bitmap wide(700000000, 0, PixelFormat::pf8bit);  // fine at 8 bits, not at 32
  EXPECT_THROW(wide.SetPixelFormat(PixelFormat::pf32bit), std::length_error);
  EXPECT_EQ(wide.Format(), PixelFormat::pf8bit);
  EXPECT_EQ(bmp.Width(), 4);
  EXPECT_EQ(bmp.Height(), 3);
  EXPECT_EQ(bmp.Stride(), 16);
  EXPECT_EQ(Get32(bmp, 3, 2), 0x445566u);
  Bitmap src(4, 3);
  Paint(src, 1);
  bmp.GetCanvas().CopyRect(0, 0, 4, 3, src, 0, 0);
  EXPECT_EQ(Pixels(bmp), Pixels(src));
}

}  // namespace
}  // namespace gfx
