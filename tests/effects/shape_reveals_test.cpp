// The curved, diagonal and sweep reveals against a model written from the
// shapes' own definitions: each pixel is tested on its own (centre inside
// the shape) instead of being rasterised row by row as the drawing layer
// does, so a wrong coordinate, a swapped corner or a lost combination shows
// up as pixels that differ.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include "effect_test_util.h"
#include "effects/effect.h"

namespace {

using effect_test::EffectFrames;
using effect_test::FrameIs;
using effect_test::Tag;

using Shape = std::function<bool(int x, int y)>;

// Rounded rectangle with corner ellipses of total size ew x eh, each limited
// to the rectangle's size; a pixel is inside when its centre is, the arcs
// themselves counting as inside. Doubled coordinates keep it exact.
Shape RoundRect(int l, int t, int r, int b, int ew, int eh) {
  return [=](int x, int y) {
    if (x < l || x >= r || y < t || y >= b) return false;
    const int64_t a = std::min<int64_t>(ew, int64_t(r) - l);
    const int64_t c = std::min<int64_t>(eh, int64_t(b) - t);
    const int64_t px = 2 * int64_t(x) + 1, py = 2 * int64_t(y) + 1;
    const int64_t dx = std::max<int64_t>({0, 2 * int64_t(l) + a - px, px - (2 * int64_t(r) - a)});
    const int64_t dy = std::max<int64_t>({0, 2 * int64_t(t) + c - py, py - (2 * int64_t(b) - c)});
    using I = __int128;
    return I(dx) * dx * c * c + I(dy) * dy * a * a <= I(a) * a * c * c;
  };
}

// Polygon with the winding rule: the winding number counted over the edges
// that cross the pixel centre's row at or left of the centre. Row centres
// never meet a vertex, so the count is exact.
Shape Polygon(std::vector<gfx::Point> p) {
  return [p = std::move(p)](int x, int y) {
    const int64_t py = 2 * int64_t(y) + 1, px = 2 * int64_t(x) + 1;
    int winding = 0;
    for (size_t i = 0; i < p.size(); ++i) {
      const gfx::Point a = p[i], b = p[(i + 1) % p.size()];
      if (a.y == b.y) continue;
      const int64_t lo = 2 * int64_t(std::min(a.y, b.y)), hi = 2 * int64_t(std::max(a.y, b.y));
      if (py < lo || py >= hi) continue;
      // Crossing at 2X = 2a.x + (py - 2a.y)(b.x - a.x)/(b.y - a.y); is 2X <= px?
      const int64_t dy = b.y - a.y;
      const int64_t lhs = 2 * int64_t(a.x) * dy + (py - 2 * int64_t(a.y)) * (b.x - a.x);
      const bool atOrLeft = dy > 0 ? lhs <= px * dy : lhs >= px * dy;
      if (atOrLeft) winding += dy > 0 ? 1 : -1;
    }
    return winding != 0;
  };
}

Shape Or(Shape a, Shape b) { return [=](int x, int y) { return a(x, y) || b(x, y); }; }

// The fan from the centre through one arc point per percent; angles advance
// by repeated addition, the last point one step short of the end.
Shape Sector(int cx, int cy, int radius, long double start, long double end, int count) {
  std::vector<gfx::Point> p{{cx, cy}};
  const long double step = (end - start) / count;
  long double angle = start;
  for (int k = 1; k <= count; ++k, angle += step)
    p.push_back({cx + int(std::nearbyint(radius * std::cos(angle))),
                 cy + int(std::nearbyint(radius * std::sin(angle)))});
  return Polygon(std::move(p));
}

int CeilSqrt(int64_t n) {
  int r = 0;
  while (int64_t(r) * r < n) ++r;
  return r;
}

// Which pixels of a W x H frame show the new picture for row `row`.
Shape Model(int row, int W, int H, int X, int Y, int P) {
  const int hw = W / 2, hh = H / 2;
  const long double pi = std::numbers::pi_v<long double>;
  switch (row) {
    case 54:
      return [=](int x, int y) {
        return x < X / 2 || x >= W - X / 2 || y < Y / 2 || y >= H - Y / 2;
      };
    case 58: return RoundRect(-2 * W, 0, 2 * X, H + 1, 2 * W, 2 * W);
    case 59: return RoundRect(W - 2 * X, 0, 3 * W, H + 1, 2 * W, 2 * W);
    case 69: return RoundRect(0, -2 * H, W + 1, 2 * Y, 2 * H, 2 * H);
    case 70: return RoundRect(0, H - 2 * Y, W + 1, 3 * H, 2 * H, 2 * H);
    case 80: return RoundRect(-W, -H, 3 * X / 2, 3 * Y / 2, 2 * W, 2 * H);
    case 81: return RoundRect(W - 3 * X / 2, -H, 2 * W, 3 * Y / 2, 2 * W, 2 * H);
    case 82: return RoundRect(-W, H - 3 * Y / 2, 3 * X / 2, 2 * H, 2 * W, 2 * H);
    case 83: return RoundRect(W - 3 * X / 2, H - 3 * Y / 2, 2 * W, 2 * H, 2 * W, 2 * H);
    case 84: return RoundRect(hw - X, hh - Y, hw + X, hh + Y, X * 9 / 5, Y * 9 / 5);
    case 85: {
      const Shape e = RoundRect(X - hw, Y - hh, 3 * hw - X, 3 * hh - Y, (W - X) * 9 / 5,
                                (H - Y) * 9 / 5);
      return [=](int x, int y) { return !e(x, y); };  // the frame xor the shape
    }
    case 110: return Polygon({{0, 0}, {2 * X, 0}, {0, 2 * Y}});
    case 111: return Polygon({{W, 0}, {W - 2 * X, 0}, {W, 2 * Y}});
    case 112: return Polygon({{0, H}, {2 * X, H}, {0, H - 2 * Y}});
    case 113: return Polygon({{W, H}, {W - 2 * X, H}, {W, H - 2 * Y}});
    case 114:
      return Or(Polygon({{0, H}, {0, 0}, {X, H}}), Polygon({{W, H}, {W, 0}, {W - X, 0}}));
    case 115:
      return Or(Polygon({{W, 0}, {0, 0}, {W, Y}}), Polygon({{W, H}, {0, H}, {0, H - Y}}));
    case 116: {
      const gfx::Point c{hw, hh};
      return Or(Or(Polygon({c, {0, 0}, {X, 0}}), Polygon({c, {0, H}, {0, H - Y}})),
                Or(Polygon({c, {W, H}, {W - X, H}}), Polygon({c, {W, 0}, {W, Y}})));
    }
    case 117: {
      const gfx::Point c{hw, hh};
      return Or(Or(Polygon({c, {0, 0}, {0, Y}}), Polygon({c, {0, H}, {X, H}})),
                Or(Polygon({c, {W, H}, {W, H - Y}}), Polygon({c, {W, 0}, {W - X, 0}})));
    }
    case 144:
    case 145: {
      // To the farthest corner: W - half(W) is the longer side on odd sizes.
      const int r = CeilSqrt(int64_t(W - hw) * (W - hw) + int64_t(H - hh) * (H - hh));
      const long double end = (row == 144 ? P * pi / 50 : -P * pi / 50) - pi / 2;
      return Sector(hw, hh, r, -pi / 2, end, P);
    }
  }
  ADD_FAILURE() << "no model for row " << row;
  return [](int, int) { return false; };
}

const int kRows[] = {54, 58, 59, 69, 70, 80, 81, 82, 83, 84, 85, 110,
                     111, 112, 113, 114, 115, 116, 117, 144, 145};

std::string RowName(const ::testing::TestParamInfo<int>& info) {
  return "Row" + std::to_string(info.param);
}

class ShapeReveal : public ::testing::TestWithParam<int> {};

// Odd and even sizes, wide and tall, at every progress value.
TEST_P(ShapeReveal, MatchesTheShapeModelAtEveryProgress) {
  const int row = GetParam();
  const struct {
    int w, h;
  } sizes[] = {{17, 13}, {16, 12}, {13, 17}, {40, 30}, {33, 48}, {3, 2}, {1, 1}};
  for (const auto& s : sizes) {
    EffectFrames f(s.w, s.h);
    for (int p = 1; p <= 99; ++p) {
      const effects::Extents e = effects::ProgressExtents(s.w, s.h, p);
      f.Draw(effects::EffectAt(row).Proc, e.X, e.Y, p);
      const Shape inNew = Model(row, s.w, s.h, e.X, e.Y, p);
      ASSERT_TRUE(FrameIs(f.display, [&](int x, int y) { return Tag(inNew(x, y), x, y); }))
          << s.w << "x" << s.h << " at progress " << p;
    }
  }
}

// The frame shows, at every pixel, the old or the new picture's pixel of the
// same position: nothing moves, nothing is scaled, nothing else is drawn.
TEST_P(ShapeReveal, RevealsInPlace) {
  const int row = GetParam();
  EffectFrames f(320, 240);
  for (int p = 1; p <= 99; p += 7) {
    f.DrawAt(effects::EffectAt(row).Proc, p);
    for (int y = 0; y < f.H(); ++y)
      for (int x = 0; x < f.W(); ++x) {
        const uint32_t v = effect_test::PixelAt(f.display, x, y);
        ASSERT_TRUE(v == Tag(false, x, y) || v == Tag(true, x, y))
            << "(" << x << "," << y << ") shows " << effect_test::Describe(v) << " at " << p;
      }
  }
}

INSTANTIATE_TEST_SUITE_P(CurvedDiagonalSweep, ShapeReveal, ::testing::ValuesIn(kRows), RowName);

// Counts the pixels that show the new picture.
int CountNew(const EffectFrames& f) {
  int n = 0;
  for (int y = 0; y < f.H(); ++y)
    for (int x = 0; x < f.W(); ++x) n += effect_test::PixelAt(f.display, x, y) == Tag(true, x, y);
  return n;
}

TEST(SweepReveal, FirstPercentRevealsNothing) {
  for (int row : {144, 145})
    for (auto [w, h] : {std::pair{320, 240}, {17, 13}, {240, 320}}) {
      EffectFrames f(w, h);
      f.DrawAt(effects::EffectAt(row).Proc, 1);
      EXPECT_EQ(CountNew(f), 0) << "row " << row << " " << w << "x" << h;
    }
}

// At 26 the hand has turned 25 steps of 3.6 degrees: a right angle exactly.
TEST(SweepReveal, QuarterAt26Percent) {
  for (auto [w, h] : {std::pair{320, 240}, {17, 13}, {240, 320}, {16, 12}}) {
    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
    const int cx = w / 2, cy = h / 2;
    EffectFrames f(w, h);
    f.DrawAt(effects::EffectAt(144).Proc, 26);
    EXPECT_TRUE(FrameIs(f.display, [&](int x, int y) { return Tag(x >= cx && y < cy, x, y); }))
        << "clockwise: twelve to three o'clock";
    f.DrawAt(effects::EffectAt(145).Proc, 26);
    EXPECT_TRUE(FrameIs(f.display, [&](int x, int y) { return Tag(x < cx && y < cy, x, y); }))
        << "anticlockwise: twelve to nine o'clock";
  }
}

// Half-way, the triangles from opposite corners meet on the diagonal: they
// split the frame between them with no pixel shared and none left out.
TEST(DiagonalReveal, OppositeCornersTileTheFrameHalfway) {
  for (auto [w, h] : {std::pair{16, 12}, {320, 240}, {12, 20}}) {
    for (auto [a, b] : {std::pair{110, 113}, {111, 112}}) {
      EffectFrames first(w, h), second(w, h);
      first.Draw(effects::EffectAt(a).Proc, w / 2, h / 2);
      second.Draw(effects::EffectAt(b).Proc, w / 2, h / 2);
      int overlaps = 0, gaps = 0;
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          const bool inA = effect_test::PixelAt(first.display, x, y) == Tag(true, x, y);
          const bool inB = effect_test::PixelAt(second.display, x, y) == Tag(true, x, y);
          overlaps += inA && inB;
          gaps += !inA && !inB;
        }
      EXPECT_EQ(overlaps, 0) << "rows " << a << " and " << b << " at " << w << "x" << h;
      EXPECT_EQ(gaps, 0) << "rows " << a << " and " << b << " at " << w << "x" << h;
    }
  }
}

TEST(EllipticReveal, OutFromCentreWithoutExtentRevealsNothing) {
  EffectFrames f(40, 30);
  for (auto [x, y] : {std::pair{0, 15}, {20, 0}, {0, 0}}) {
    f.Draw(effects::EffectAt(84).Proc, x, y);
    EXPECT_EQ(CountNew(f), 0) << "X=" << x << " Y=" << y;
  }
}

// At the start the old picture fills the frame; near the end only a small
// centred spot of it is left.
TEST(EllipticReveal, InToCentreShrinksFromBeyondTheCorners) {
  EffectFrames f(320, 240);
  f.DrawAt(effects::EffectAt(85).Proc, 1);
  EXPECT_EQ(CountNew(f), 0);
  f.DrawAt(effects::EffectAt(85).Proc, 99);
  const int oldLeft = f.W() * f.H() - CountNew(f);
  EXPECT_GT(oldLeft, 0);
  EXPECT_LT(oldLeft, 100);
  EXPECT_EQ(effect_test::PixelAt(f.display, 160, 120), Tag(false, 160, 120));
}

}  // namespace
