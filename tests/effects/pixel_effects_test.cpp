// Fade, channel mix, pivots, pixelate and the random switches: the blend
// rule byte by byte, the turning sense and pivot of each rotation, the
// zoom-and-blend stages, and patterns that hold for a whole transition.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <set>
#include <vector>

#include "effect_test_util.h"
#include "effects/effect.h"
#include "effects/pixel_blend.h"
#include "gfx/arith.h"
#include "gfx/canvas.h"
#include "gfx/random.h"

namespace {

using effect_test::EffectFrames;
using effect_test::FillUniform;
using effect_test::FrameIs;
using effect_test::PixelAt;
using effect_test::Tag;

effects::TEffectProc Proc(int row) { return effects::EffectAt(row).Proc; }

// o + floor((n - o) * k / 256), worked out in floating point.
uint8_t ModelBlend(int o, int n, int k) {
  return uint8_t(o + int(std::floor(double(n - o) * k / 256.0)));
}

uint8_t ByteOf(uint32_t pixel, int c) { return uint8_t(pixel >> (8 * c)); }

void FillNoise(gfx::Bitmap& b, uint32_t seed) {
  std::mt19937 gen(seed);
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) effect_test::SetPixel(b, x, y, uint32_t(gen()));
}

// ---- blending ----

TEST(PixelBlend, EveryBytePairAtEveryWeight) {
  // All 65536 (old, new) pairs, four to a pixel, with a count that leaves
  // a tail after the four-pixel steps; every byte gets its own weight.
  std::vector<uint8_t> oldBytes(65536), newBytes(65536);
  for (int i = 0; i < 65536; ++i)
    oldBytes[size_t(i)] = uint8_t(i >> 8), newBytes[size_t(i)] = uint8_t(i);
  const int count = 65536 / 4 - 1;
  for (int k = 0; k <= 256; ++k) {
    const effects::ByteWeights w{k, 256 - k, k / 2, (k * 7) % 257};
    std::vector<uint8_t> d = oldBytes;
    effects::BlendPixels(d.data(), newBytes.data(), count, w);
    for (int i = 0; i < 65536; ++i) {
      const uint8_t want =
          i < 4 * count ? ModelBlend(oldBytes[size_t(i)], newBytes[size_t(i)], w[size_t(i % 4)])
                        : oldBytes[size_t(i)];
      ASSERT_EQ(d[size_t(i)], want) << "old " << int(oldBytes[size_t(i)]) << " new "
                                    << int(newBytes[size_t(i)]) << " weight " << w[size_t(i % 4)];
    }
  }
}

TEST(Fade, HalfwayExamples) {
  EffectFrames f(5, 3);
  FillUniform(f.oldPic, 0x11C80000u);  // red 200, green 0, blue 0
  FillUniform(f.newPic, 0x2264FFFFu);  // red 100, green 255, blue 255
  f.DrawAt(Proc(119), 50);
  // k = 128: 0 -> 255 gives 127, 200 -> 100 gives 150, fourth byte kept.
  EXPECT_TRUE(FrameIs(f.display, [](int, int) { return 0x11967F7Fu; }));
}

TEST(Fade, EveryProgressOnOddAndEvenSizes) {
  for (auto [w, h] : {std::pair{17, 13}, std::pair{16, 12}, std::pair{1, 1}}) {
    EffectFrames f(w, h);
    FillNoise(f.oldPic, 1), FillNoise(f.newPic, 2);
    for (int p = 1; p <= 99; ++p) {
      f.DrawAt(Proc(119), p);
      const int k = gfx::MulDiv(256, p, 100);
      ASSERT_TRUE(FrameIs(f.display,
                          [&](int x, int y) {
                            const uint32_t o = PixelAt(f.oldPic, x, y), n = PixelAt(f.newPic, x, y);
                            uint32_t v = o & 0xFF000000u;
                            for (int c = 0; c < 3; ++c)
                              v |= uint32_t(ModelBlend(ByteOf(o, c), ByteOf(n, c), k)) << (8 * c);
                            return v;
                          }))
          << w << "x" << h << " progress " << p;
    }
  }
}

// ---- channel mix ----

struct ChannelProbe {
  EffectFrames f{7, 5};
  ChannelProbe() {
    FillUniform(f.oldPic, 0xEE102030u);
    FillUniform(f.newPic, 0x77F0E0D0u);
  }
  // Per colour byte: 0 old, 2 new, 1 strictly between.
  std::array<int, 3> StateAt(int progress) {
    f.DrawAt(Proc(172), progress);
    const uint32_t got = PixelAt(f.display, 3, 2);
    std::array<int, 3> s{};
    for (int c = 0; c < 3; ++c) {
      const uint8_t v = ByteOf(got, c);
      s[size_t(c)] = v == ByteOf(0xEE102030u, c) ? 0 : v == ByteOf(0x77F0E0D0u, c) ? 2 : 1;
    }
    EXPECT_TRUE(FrameIs(f.display, [&](int, int) { return got; })) << "uniform at " << progress;
    EXPECT_EQ(got >> 24, 0xEEu) << "fourth byte at " << progress;
    return s;
  }
};

TEST(ChannelMix, TakesOverOneChannelPerThird) {
  ChannelProbe probe;
  // Which byte goes first, second and third, read off the frames.
  const std::array<int, 3> at33 = probe.StateAt(33);
  int c1 = -1;
  for (int c = 0; c < 3; ++c)
    if (at33[size_t(c)] == 2) c1 = c;
  ASSERT_NE(c1, -1) << "no channel complete at 33";
  for (int c = 0; c < 3; ++c) {
    if (c == c1) continue;
    EXPECT_EQ(at33[size_t(c)], 0) << "channel " << c << " moved by 33";
  }

  const std::array<int, 3> at50 = probe.StateAt(50);
  int c2 = -1;
  for (int c = 0; c < 3; ++c)
    if (c != c1 && at50[size_t(c)] == 1) c2 = c;
  ASSERT_NE(c2, -1) << "no second channel under way at 50";
  const int c3 = 3 - c1 - c2;
  EXPECT_EQ(at50[size_t(c1)], 2);
  EXPECT_EQ(at50[size_t(c3)], 0);

  for (int p = 1; p <= 99; ++p) {
    const std::array<int, 3> s = probe.StateAt(p);
    const int want1 = p < 33 ? 1 : 2,
              want2 = p <= 33  ? 0
                      : p < 66 ? 1
                               : 2,
              want3 = p <= 66  ? 0
                      : p < 99 ? 1
                               : 2;
    EXPECT_EQ(s[size_t(c1)], want1) << "first channel at " << p;
    EXPECT_EQ(s[size_t(c2)], want2) << "second channel at " << p;
    EXPECT_EQ(s[size_t(c3)], want3) << "third channel at " << p;
  }
}

TEST(ChannelMix, OrderFollowsTheNewPicture) {
  // Different pictures give different orders; all six turn up.
  std::set<std::array<int, 3>> orders;
  ChannelProbe probe;
  for (int i = 0; i < 120; ++i) {
    probe.f.newPic.RenewHandle();
    orders.insert(probe.StateAt(50));
  }
  EXPECT_EQ(orders.size(), 6u);
}

// ---- pivots ----

struct PivotCase {
  int row;
  int cx, cy;  // cy counts rows from the bottom
  int sign;    // of the angle
};

const PivotCase kPivots[] = {
    {120, -1, -1, +1}, {121, -1, 0, -1}, {122, 0, -1, -1}, {123, 0, 0, +1}};

TEST(Pivot, EveryPixelComesFromTheTurnedPicture) {
  // Each new pixel's source, turned back about the pivot in floating point,
  // lands within a pixel of where it is shown; each old pixel is one whose
  // source lies outside the picture or on its border.
  for (const PivotCase& pc : kPivots) {
    for (auto [w, h] : {std::pair{17, 13}, std::pair{40, 30}, std::pair{13, 17}}) {
      EffectFrames f(w, h);
      const int cx = pc.cx == 0 ? w : pc.cx, cy = pc.cy == 0 ? h : pc.cy;
      for (int p : {1, 10, 33, 50, 51, 77, 99}) {
        SCOPED_TRACE(testing::Message() << "row " << pc.row << " " << w << "x" << h << " at " << p);
        f.DrawAt(Proc(pc.row), p);
        const double phi = pc.sign * (100 - p) * std::numbers::pi / 200;
        int newCount = 0;
        for (int y = 0; y < h; ++y)
          for (int x = 0; x < w; ++x) {
            const double u = x + 1 - cx, v = h - y - cy;
            const double sx = cx + u * std::cos(phi) + v * std::sin(phi);
            const double sv = cy - u * std::sin(phi) + v * std::cos(phi);
            const uint32_t got = PixelAt(f.display, x, y);
            if (got == Tag(false, x, y)) {
              ASSERT_TRUE(sx < 1 || sx >= w - 1 || sv < 1 || sv >= h - 1)
                  << "old at (" << x << "," << y << ") though the source is inside";
              continue;
            }
            ++newCount;
            ASSERT_EQ(got & 0xFF800000u, 0xA5800000u) << "foreign pixel at " << x << "," << y;
            const int tx = int(got & 0xFFF), tv = h - 1 - int((got >> 12) & 0x7FF);
            ASSERT_LE(std::abs(tx - sx), 1.0) << "column at (" << x << "," << y << ")";
            ASSERT_LE(std::abs(tv - sv), 1.0) << "row at (" << x << "," << y << ")";
          }
        if (p >= 50) {
          EXPECT_GT(newCount, w * h / 8);
        }
      }
    }
  }
}

TEST(Pivot, SwingsInFromTheSideNamed) {
  // Halfway on a square frame the new picture fills the wedge opposite its
  // pivot corner: the corner diagonal to the pivot's neighbour shows new,
  // the corner across from it old.
  struct Corner {
    int row, newX, newY, oldX, oldY;
  };
  const int n = 40;
  for (const Corner c : {Corner{120, 0, 0, n - 1, n - 1}, Corner{121, 0, n - 1, n - 1, 0},
                         Corner{122, n - 1, 0, 0, n - 1}, Corner{123, n - 1, n - 1, 0, 0}}) {
    EffectFrames f(n, n);
    f.DrawAt(Proc(c.row), 50);
    EXPECT_EQ(PixelAt(f.display, c.newX, c.newY) & 0xFF800000u, 0xA5800000u) << "row " << c.row;
    EXPECT_EQ(PixelAt(f.display, c.oldX, c.oldY), Tag(false, c.oldX, c.oldY)) << "row " << c.row;
  }
}

TEST(Pivot, NearlyInPlaceAtTheEnd) {
  // 0.9 degrees about the bottom-left: the bottom-left corner is the new
  // picture's own, the bottom-right corner's source has turned below the
  // picture so the old one shows.
  EffectFrames f(320, 240);
  f.DrawAt(Proc(120), 99);
  // The mapping keeps a one-pixel offset from the pivot lying outside the
  // corner: the corner shows the new picture's pixel next to its own.
  const uint32_t corner = PixelAt(f.display, 0, 239);
  EXPECT_TRUE(corner == Tag(true, 0, 239) || corner == Tag(true, 1, 239))
      << effect_test::Describe(corner);
  EXPECT_EQ(PixelAt(f.display, 319, 239), Tag(false, 319, 239));
  EXPECT_EQ(PixelAt(f.display, 160, 120) & 0xFF800000u, 0xA5800000u);
}

// ---- pixelate ----

// The stretch of the source block (sx, sy, sw, sh) over the frame as the
// effect lays it out, using the canvas's centre-sampling rule.
uint32_t PixelateModel(const gfx::Bitmap& src, int W, int H, int sx, int sy, int sw, int sh, int x,
                       int y) {
  const int64_t dw = W + 4 * sx, dh = H + 4 * sy;
  const int64_t i = x + 2 * sx, j = y + 2 * sy;
  return PixelAt(src, sx + int((2 * i + 1) * sw / (2 * dw)), sy + int((2 * j + 1) * sh / (2 * dh)));
}

TEST(Pixelate, ZoomsIntoTheOldAndOutOfTheNewPicture) {
  for (auto [w, h] : {std::pair{17, 13}, std::pair{64, 48}, std::pair{13, 17}}) {
    EffectFrames f(w, h);
    for (int p = 1; p <= 99; ++p) {
      if (p >= 41 && p <= 59) continue;
      SCOPED_TRACE(testing::Message() << w << "x" << h << " at " << p);
      f.DrawAt(Proc(168), p);
      const effects::Extents e = effects::ProgressExtents(w, h, p);
      const bool in = p <= 50;
      const int fct = in ? 180 - gfx::MulDiv(p, 82, 50) : gfx::MulDiv(p - 100, 82, 50) + 180;
      const int sx = gfx::MulDiv(in ? e.X : w - e.X, fct, 100);
      const int sy = gfx::MulDiv(in ? e.Y : h - e.Y, fct, 100);
      const int sw = std::max(w - 2 * sx, 2), sh = std::max(h - 2 * sy, 2);
      ASSERT_TRUE(FrameIs(f.display, [&](int x, int y) {
        return PixelateModel(in ? f.oldPic : f.newPic, w, h, sx, sy, sw, sh, x, y);
      }));
    }
  }
}

TEST(Pixelate, OldAloneAt40NewAloneAt60) {
  EffectFrames f(320, 240);
  f.DrawAt(Proc(168), 40);
  EXPECT_TRUE(FrameIs(f.display, [&](int x, int y) {
    const uint32_t v = PixelAt(f.display, x, y);
    return (v & 0xFF800000u) == 0x5A000000u ? v : Tag(false, 0, 0);
  }));
  f.DrawAt(Proc(168), 60);
  EXPECT_TRUE(FrameIs(f.display, [&](int x, int y) {
    const uint32_t v = PixelAt(f.display, x, y);
    return (v & 0xFF800000u) == 0xA5800000u ? v : Tag(true, 0, 0);
  }));
}

TEST(Pixelate, MagnifiesTheBlendInTheMiddle) {
  // Old black, new grey 200: the frame is one colour, 5 % of the way at 41
  // and 95 % at 59, the fourth byte untouched.
  for (auto [w, h] : {std::pair{320, 240}, std::pair{17, 13}}) {
    EffectFrames f(w, h);
    FillUniform(f.oldPic, 0x42000000u);
    FillUniform(f.newPic, 0x24C8C8C8u);
    for (int p = 41; p <= 59; ++p) {
      f.DrawAt(Proc(168), p);
      const uint32_t g = ModelBlend(0, 200, gfx::MulDiv(256, 5 * p - 200, 100));
      ASSERT_TRUE(FrameIs(f.display, [&](int, int) { return 0x42000000u | g * 0x010101u; }))
          << w << "x" << h << " at " << p;
    }
    f.DrawAt(Proc(168), 41);
    EXPECT_EQ(PixelAt(f.display, 0, 0), 0x420A0A0Au);  // 200 * 13 / 256
    f.DrawAt(Proc(168), 59);
    EXPECT_EQ(PixelAt(f.display, 0, 0), 0x42BDBDBDu);  // 200 * 243 / 256
  }
}

TEST(Pixelate, FramesSmallerThanItsBlockShowOnlyTheStages) {
  // The block is at least 2x2 and may stick out of tiny frames; what lies
  // outside is neither read nor blended (the sanitizer build watches the
  // memory), and every pixel shows the old picture, the blend or the new.
  for (int w = 1; w <= 4; ++w)
    for (int h = 1; h <= 4; ++h) {
      EffectFrames f(w, h);
      FillUniform(f.oldPic, 0x42000000u);
      FillUniform(f.newPic, 0x24C8C8C8u);
      for (int p = 1; p <= 99; ++p) {
        f.DrawAt(Proc(168), p);
        const uint32_t blend =
            0x42000000u | ModelBlend(0, 200, gfx::MulDiv(256, 5 * p - 200, 100)) * 0x010101u;
        const uint32_t stage = p <= 40 ? 0x42000000u : p >= 60 ? 0x24C8C8C8u : blend;
        ASSERT_TRUE(FrameIs(f.display,
                            [&](int x, int y) {
                              const uint32_t v = PixelAt(f.display, x, y);
                              return v == 0x42000000u ? v : stage;
                            }))
            << w << "x" << h << " at " << p;
      }
    }
}

// ---- dissolve and random bars ----

// Which pixels show the new picture; every other pixel must be the old one
// at the same place.
std::vector<bool> NewMask(const EffectFrames& f) {
  std::vector<bool> m;
  for (int y = 0; y < f.H(); ++y)
    for (int x = 0; x < f.W(); ++x) {
      const uint32_t v = PixelAt(f.display, x, y);
      EXPECT_TRUE(v == Tag(true, x, y) || v == Tag(false, x, y))
          << "(" << x << "," << y << ") is " << effect_test::Describe(v);
      m.push_back(v == Tag(true, x, y));
    }
  return m;
}

TEST(RandomSwitch, RevealsInPlaceAndOnlyGrows) {
  for (int row : {169, 170, 171}) {
    for (auto [w, h] : {std::pair{17, 13}, std::pair{64, 48}}) {
      EffectFrames f(w, h);
      std::vector<bool> before(size_t(w * h), false);
      size_t lastCount = 0;
      for (int p = 1; p <= 99; ++p) {
        SCOPED_TRACE(testing::Message() << "row " << row << " " << w << "x" << h << " at " << p);
        f.DrawAt(Proc(row), p);
        const std::vector<bool> now = NewMask(f);
        for (size_t i = 0; i < now.size(); ++i)
          ASSERT_TRUE(now[i] || !before[i]) << "pixel " << i << " switched back";
        lastCount = size_t(std::count(now.begin(), now.end(), true));
        before = now;
      }
      EXPECT_GT(lastCount, size_t(w * h) * 3 / 4) << "row " << row;
    }
  }
}

TEST(Dissolve, OneDrawPerPixelInMemoryOrder) {
  EffectFrames f(19, 7);
  for (int p : {1, 30, 60, 99}) {
    gfx::SetRandSeed(12345);
    f.DrawAt(Proc(169), p);
    EXPECT_EQ(gfx::RandSeed(), 12345u) << "generator moved at " << p;
    // Model: the picture's own sequence, bottom row first, left to right.
    gfx::RandSeedGuard keep;
    gfx::SetRandSeed(f.newPic.Handle());
    std::vector<bool> shown(size_t(f.W() * f.H()));
    for (int y = f.H() - 1; y >= 0; --y)
      for (int x = 0; x < f.W(); ++x) shown[size_t(y * f.W() + x)] = gfx::Random(100) < p;
    EXPECT_TRUE(
        FrameIs(f.display, [&](int x, int y) { return Tag(shown[size_t(y * f.W() + x)], x, y); }))
        << "progress " << p;
  }
}

TEST(Dissolve, PixelsAt30AreAmongThoseAt60) {
  EffectFrames f(320, 240);
  f.DrawAt(Proc(169), 30);
  const std::vector<bool> at30 = NewMask(f);
  f.DrawAt(Proc(169), 60);
  const std::vector<bool> at60 = NewMask(f);
  size_t n30 = 0, n60 = 0;
  for (size_t i = 0; i < at30.size(); ++i) {
    ASSERT_TRUE(!at30[i] || at60[i]) << "pixel " << i;
    n30 += at30[i], n60 += at60[i];
  }
  // Roughly the share asked for.
  EXPECT_NEAR(double(n30) / at30.size(), 0.30, 0.01);
  EXPECT_NEAR(double(n60) / at60.size(), 0.60, 0.01);
}

TEST(RandomBars, RowsBottomFirstColumnsLeftToRight) {
  EffectFrames f(23, 11);
  for (int p : {20, 50, 80}) {
    gfx::RandSeedGuard keep;
    f.DrawAt(Proc(170), p);
    gfx::SetRandSeed(f.newPic.Handle());
    std::vector<bool> row(size_t(f.H()));
    for (int y = f.H() - 1; y >= 0; --y) row[size_t(y)] = gfx::Random(100) < p;
    EXPECT_TRUE(FrameIs(f.display, [&](int x, int y) { return Tag(row[size_t(y)], x, y); }))
        << "horizontal at " << p;

    f.DrawAt(Proc(171), p);
    gfx::SetRandSeed(f.newPic.Handle());
    std::vector<bool> col(size_t(f.W()));
    for (int x = 0; x < f.W(); ++x) col[size_t(x)] = gfx::Random(100) < p;
    EXPECT_TRUE(FrameIs(f.display, [&](int x, int y) { return Tag(col[size_t(x)], x, y); }))
        << "vertical at " << p;
  }
}

TEST(RandomBars, WideFramesKeepOneSequenceAcrossBatches) {
  // Wider than the batch the columns are decided in.
  EffectFrames f(2100, 2);
  f.DrawAt(Proc(171), 50);
  gfx::RandSeedGuard keep;
  gfx::SetRandSeed(f.newPic.Handle());
  std::vector<bool> col(size_t(f.W()));
  for (int x = 0; x < f.W(); ++x) col[size_t(x)] = gfx::Random(100) < 50;
  EXPECT_TRUE(FrameIs(f.display, [&](int x, int y) { return Tag(col[size_t(x)], x, y); }));
  f.DrawAt(Proc(169), 50);
  gfx::SetRandSeed(f.newPic.Handle());
  std::vector<bool> px(size_t(f.W() * 2));
  for (int y = 1; y >= 0; --y)
    for (int x = 0; x < f.W(); ++x) px[size_t(y * f.W() + x)] = gfx::Random(100) < 50;
  EXPECT_TRUE(
      FrameIs(f.display, [&](int x, int y) { return Tag(px[size_t(y * f.W() + x)], x, y); }));
}

}  // namespace
