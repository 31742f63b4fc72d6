// Polygon, turning and grid shapes against a brute-force model: every pixel
// is tested on its own against the shapes written out from their corner
// points (pixel centre inside, left and top edges inclusive), so the region
// layer, the grids' unions and the xor-ed rings are all checked pixel by pixel.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

#include "effect_test_util.h"
#include "effects/effect.h"
#include "effects/shape_effects.h"
#include "gfx/geometry.h"

namespace {

using effect_test::EffectFrames;
using effect_test::FrameIs;
using effect_test::PixelAt;
using effect_test::Tag;
using gfx::Point;

// ---- the model ----

// a * b / c rounded, halves up; all arguments here are non-negative.
int Rounded(int a, int b, int c) { return int((int64_t(a) * b * 2 + c) / (2 * int64_t(c))); }

// Winding number of the pixel centre (x + 0.5, y + 0.5), in doubled
// coordinates: an edge counts when the centre's row lies between its ends
// (upper end inclusive) and it crosses that row at or left of the centre.
bool InPolygon(const std::vector<Point>& pts, int x, int y) {
  const int64_t px = 2 * int64_t(x) + 1, py = 2 * int64_t(y) + 1;
  int winding = 0;
  for (size_t i = 0; i < pts.size(); ++i) {
    const Point& p = pts[i];
    const Point& q = pts[(i + 1) % pts.size()];
    if (p.y == q.y) continue;
    const bool down = p.y < q.y;
    const Point& u = down ? p : q;
    const Point& l = down ? q : p;
    if (py < 2 * int64_t(u.y) || py > 2 * int64_t(l.y)) continue;
    const int64_t dy = l.y - u.y, dx = l.x - u.x;
    if (2 * int64_t(u.x) * dy + (py - 2 * int64_t(u.y)) * dx <= px * dy) winding += down ? 1 : -1;
  }
  return winding != 0;
}

// Pixel centre inside or on the ellipse inscribed in (l, t, r, b).
bool InEllipse(const gfx::Rect& e, int x, int y) {
  const int64_t w = e.Right - e.Left, h = e.Bottom - e.Top;
  if (w <= 0 || h <= 0) return false;
  const int64_t dx = 2 * int64_t(x) + 1 - (e.Left + e.Right);
  const int64_t dy = 2 * int64_t(y) + 1 - (e.Top + e.Bottom);
  return dx * dx * h * h + dy * dy * w * w <= w * w * h * h;
}

// Shapes folded left to right into one pixel set by union or xor.
struct Shape {
  enum Kind { kPolygon, kEllipse, kRect } kind;
  bool xorWith;  // xor into the set so far instead of uniting
  std::vector<Point> points;
  gfx::Rect box;

  bool Contains(int x, int y) const {
    switch (kind) {
      case kPolygon: return InPolygon(points, x, y);
      case kEllipse: return InEllipse(box, x, y);
      case kRect: return x >= box.Left && x < box.Right && y >= box.Top && y < box.Bottom;
    }
    return false;
  }
};

struct Model {
  std::vector<Shape> shapes;

  void Or(std::vector<Point> p) { shapes.push_back({Shape::kPolygon, false, std::move(p), {}}); }
  void Xor(std::vector<Point> p) { shapes.push_back({Shape::kPolygon, true, std::move(p), {}}); }
  void Ellipse(gfx::Rect r) { shapes.push_back({Shape::kEllipse, false, {}, r}); }
  void Frame(int w, int h) { shapes.push_back({Shape::kRect, false, {}, {0, 0, w, h}}); }

  bool Contains(int x, int y) const {
    bool in = false;
    for (const Shape& s : shapes) in = s.xorWith ? in != s.Contains(x, y) : in || s.Contains(x, y);
    return in;
  }
};

// Turns about (cx, cy) by Progress * 3.6 degrees, clockwise on screen unless
// the lowest handle bit is set; coordinates rounded half to even.
std::vector<Point> Turned(std::vector<Point> pts, int cx, int cy, int progress, uint32_t handle) {
  long double a = progress * std::numbers::pi_v<long double> / 50;
  if (handle & 1) a = -a;
  for (Point& p : pts) {
    const long double dx = p.x - cx, dy = p.y - cy;
    p = {cx + int(std::nearbyint(std::cos(a) * dx - std::sin(a) * dy)),
         cy + int(std::nearbyint(std::sin(a) * dx + std::cos(a) * dy))};
  }
  return pts;
}

// A band between two zigzag lines, as (along, across) corners: out along the
// upper line, back along the lower one. Eleven steps reach past the end.
std::vector<Point> Zigzag(int length, int swing, int middle, int c) {
  int s = length / 10;
  if (11 * s < length) s = (length + 9) / 10;
  std::vector<Point> pts;
  for (int k = 1; k <= 12; ++k) pts.push_back({(k - 1) * s, middle - c + (k % 2 ? swing : -swing)});
  for (int k = 12; k >= 1; --k) pts.push_back({(k - 1) * s, middle + c + (k % 2 ? swing : -swing)});
  return pts;
}

Model ModelFor(int row, int W, int H, int X, int Y, int P, uint32_t handle) {
  Model m;
  const int cx = W / 2, cy = H / 2, hx = X / 2, hy = Y / 2;
  const std::vector<Point> rect = {{cx - hx, cy - hy}, {cx + hx, cy - hy}, {cx + hx, cy + hy},
                                   {cx - hx, cy + hy}};
  switch (row) {
    case 118: {
      const int c = W / 10 + 1, d = H / 10 + 1, a = Rounded(c, P, 50), b = Rounded(d, P, 50);
      for (int x = c; x - c < W; x += 2 * c)
        for (int y = d; y - d < H + d; y += 2 * d) m.Or({{x - a, y - b}, {x, y + b}, {x + a, y - b}});
      break;
    }
    case 153: {
      const int a = std::min(W, H) / 10 + 1, r = Rounded(3 * a, P, 200);
      for (int x = a; x - a < W; x += 2 * a)
        for (int y = a; y - a < H; y += 2 * a) m.Ellipse({x - r, y - r, x + r, y + r});
      break;
    }
    case 164: {
      const int s = std::min(W, H) / 10 + 1, r = Rounded(s, P, 50);
      for (int x = s; x - s < W; x += 2 * s)
        for (int y = s; y - s < H; y += 2 * s) m.Or({{x - r, y}, {x, y - r}, {x + r, y}, {x, y + r}});
      break;
    }
    case 150: m.Or(Turned(rect, cx, cy, P, handle)); break;
    case 151:
      m.Or(Turned({{cx - 2 * X, cy}, {cx - hx, cy - hy}, {cx, cy - 2 * Y}, {cx + hx, cy - hy},
                   {cx + 2 * X, cy}, {cx + hx, cy + hy}, {cx, cy + 2 * Y}, {cx - hx, cy + hy}},
                  cx, cy, P, handle));
      break;
    case 152: m.Or(Turned(rect, X, Y, P, handle)); break;
    case 154: m.Or({{0, cy - Y}, {2 * X, cy}, {0, cy + Y}}); break;
    case 155: m.Or({{W, cy - Y}, {W - 2 * X, cy}, {W, cy + Y}}); break;
    case 156: m.Or({{cx - X, 0}, {cx, 2 * Y}, {cx + X, 0}}); break;
    case 157: m.Or({{cx - X, H}, {cx, H - 2 * Y}, {cx + X, H}}); break;
    case 158:
      m.Or({{0, cy - Y}, {X, cy}, {0, cy + Y}});
      m.Or({{W, cy - Y}, {W - X, cy}, {W, cy + Y}});
      break;
    case 159:
      m.Or({{cx - X, 0}, {cx, 2 * Y}, {cx + X, 0}});
      m.Or({{cx - X, H}, {cx, H - 2 * Y}, {cx + X, H}});
      break;
    case 160:
    case 161: {
      const int u = row == 160 ? X / 2 : (W - X) / 2, v = row == 160 ? Y / 2 : (H - Y) / 2;
      const std::vector<std::vector<Point>> wedges = {{{0, cy - v}, {u, cy}, {0, cy + v}},
                                                      {{W, cy - v}, {W - u, cy}, {W, cy + v}},
                                                      {{cx - u, 0}, {cx, v}, {cx + u, 0}},
                                                      {{cx - u, H}, {cx, H - v}, {cx + u, H}}};
      if (row == 161) m.Frame(W, H);
      for (const auto& w : wedges) row == 160 ? m.Or(w) : m.Xor(w);
      break;
    }
    case 162: m.Or(Zigzag(W, H / 10, cy, Rounded(H / 10, P, 100) + Y / 2)); break;
    case 163: {
      std::vector<Point> band = Zigzag(H, W / 10, cx, Rounded(W / 10, P, 100) + X / 2);
      for (Point& p : band) p = {p.y, p.x};
      m.Or(band);
      break;
    }
    case 165: m.Or({{cx - X, cy}, {cx, cy - Y}, {cx + X, cy}, {cx, cy + Y}}); break;
    case 166:
      m.Frame(W, H);
      m.Xor({{X - cx, cy}, {cx, Y - cy}, {3 * cx - X, cy}, {cx, 3 * cy - Y}});
      break;
    case 167:
      m.Or({{-hx, cy}, {cx, -hy}, {2 * cx + hx, cy}, {cx, 2 * cy + hy}});
      m.Xor({{hx, cy}, {cx, hy}, {2 * cx - hx, cy}, {cx, 2 * cy - hy}});
      break;
  }
  return m;
}

::testing::AssertionResult MatchesModel(const EffectFrames& f, int row, int progress) {
  const effects::Extents e = effects::ProgressExtents(f.W(), f.H(), progress);
  const Model m = ModelFor(row, f.W(), f.H(), e.X, e.Y, progress, f.newPic.Handle());
  return FrameIs(f.display, [&](int x, int y) { return Tag(m.Contains(x, y), x, y); });
}

const std::vector<int> kShapeRows = {118, 150, 151, 152, 153, 154, 155, 156, 157, 158,
                                     159, 160, 161, 162, 163, 164, 165, 166, 167};

std::string RowName(const ::testing::TestParamInfo<int>& info) {
  return "Row" + std::to_string(info.param);
}

// ---- every pixel, every progress ----

class ShapeRow : public ::testing::TestWithParam<int> {};

// Odd and even sizes, both orientations, and both turning directions.
TEST_P(ShapeRow, MatchesTheModelAtEveryProgress) {
  const int row = GetParam();
  const effects::TEffectProc proc = effects::EffectAt(row).Proc;
  ASSERT_NE(proc, nullptr);
  for (auto [w, h] : {std::pair{17, 13}, {24, 18}, {13, 21}, {64, 48}}) {
    for (bool renew : {false, true}) {
      EffectFrames f(w, h);
      if (renew) {
        const uint32_t before = f.newPic.Handle();
        while (((f.newPic.Handle() ^ before) & 1) == 0) f.newPic.RenewHandle();
      }
      for (int p = 1; p <= 99; ++p) {
        f.DrawAt(proc, p);
        ASSERT_TRUE(MatchesModel(f, row, p)) << w << "x" << h << " at " << p;
      }
    }
  }
}

TEST_P(ShapeRow, MatchesTheModelAtFullSizes) {
  const int row = GetParam();
  const effects::TEffectProc proc = effects::EffectAt(row).Proc;
  for (auto [w, h] : {std::pair{320, 240}, {240, 320}, {321, 239}}) {
    EffectFrames f(w, h);
    for (int p : {1, 13, 50, 74, 99}) {
      f.DrawAt(proc, p);
      ASSERT_TRUE(MatchesModel(f, row, p)) << w << "x" << h << " at " << p;
    }
  }
}

// Independent of the model: a shape only decides which picture a pixel
// shows; it never moves either picture.
TEST_P(ShapeRow, RevealsInPlace) {
  const effects::TEffectProc proc = effects::EffectAt(GetParam()).Proc;
  for (auto [w, h] : {std::pair{1, 1}, {3, 2}, {160, 120}, {90, 130}}) {
    EffectFrames f(w, h);
    for (int p = 1; p <= 99; ++p) {
      f.DrawAt(proc, p);
      ASSERT_TRUE(FrameIs(f.display, [&](int x, int y) {
        const uint32_t got = PixelAt(f.display, x, y);
        return got == Tag(true, x, y) ? got : Tag(false, x, y);
      })) << w << "x" << h << " at " << p;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Shapes, ShapeRow, ::testing::ValuesIn(kShapeRows), RowName);

// ---- what the viewer sees ----

int CountNew(const EffectFrames& f, int x0, int y0, int x1, int y1) {
  int n = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) n += PixelAt(f.display, x, y) == Tag(true, x, y);
  return n;
}

// Half-way, each triangle is one grid pitch (2c) wide and one (2d) high:
// the top rows of a grid row touch across the frame, the apex lies exactly
// on the next grid row's top edge (so the last row sampled below it holds
// just the two centre pixels), and each triangle covers half its cell.
TEST(TriangularShred, TrianglesAreOnePitchWideAndHighAtHalfway) {
  EffectFrames f(320, 240);
  f.DrawAt(effects::Effect118, 50);
  const int c = 33, d = 25;
  for (int k = 0; 2 * d * (k + 1) <= 240; ++k) {
    const int top = 2 * d * k, last = top + 2 * d - 1;
    EXPECT_EQ(CountNew(f, 0, top, 2 * c * 4, top + 1), 2 * c * 4) << "top row of grid row " << k;
    for (int j = 0; j < 4; ++j) {
      const int left = 2 * c * j;
      EXPECT_EQ(CountNew(f, left, last - 1, left + 2 * c, last), 2) << "cell " << j << "," << k;
      EXPECT_EQ(CountNew(f, left + c - 1, last - 1, left + c + 1, last), 2);
      EXPECT_EQ(CountNew(f, left, last, left + 2 * c, last + 1), 0);
      EXPECT_NEAR(CountNew(f, left, top, left + 2 * c, top + 2 * d), 2 * c * d, 2 * d)
          << "cell " << j << "," << k;
    }
  }
}

// A new picture whose handle differs in the lowest bit turns the shape the
// other way: the east tip of the star dips below the middle line clockwise
// and rises above it anticlockwise, in every frame of the transition.
TEST(RotatingShapes, HandleBitPicksTheDirection) {
  EffectFrames a(320, 240), b(320, 240);
  while (((a.newPic.Handle() ^ b.newPic.Handle()) & 1) == 0) b.newPic.RenewHandle();
  EffectFrames& clockwise = (a.newPic.Handle() & 1) ? b : a;
  EffectFrames& anticlockwise = (a.newPic.Handle() & 1) ? a : b;
  for (int p : {5, 8, 12}) {
    // Probe three quarters of the way out to the tip (2X) on its turned
    // axis, and the same point mirrored in the middle line.
    const effects::Extents e = effects::ProgressExtents(320, 240, p);
    const double angle = p * std::numbers::pi / 50, r = 1.5 * e.X;
    const int px = int(std::floor(160 + r * std::cos(angle)));
    const int below = int(std::floor(120 + r * std::sin(angle)));
    const int above = int(std::floor(120 - r * std::sin(angle)));
    clockwise.DrawAt(effects::Effect151, p);
    anticlockwise.DrawAt(effects::Effect151, p);
    EXPECT_EQ(CountNew(clockwise, px, below, px + 1, below + 1), 1) << p;
    EXPECT_EQ(CountNew(clockwise, px, above, px + 1, above + 1), 0) << p;
    EXPECT_EQ(CountNew(anticlockwise, px, above, px + 1, above + 1), 1) << p;
    EXPECT_EQ(CountNew(anticlockwise, px, below, px + 1, below + 1), 0) << p;
  }
  // The rectangles differ between the two directions in every frame that is
  // not a half or quarter turn.
  for (effects::TEffectProc proc : {effects::Effect150, effects::Effect152}) {
    for (int p : {10, 40, 60, 90}) {
      clockwise.DrawAt(proc, p);
      anticlockwise.DrawAt(proc, p);
      EXPECT_NE(effect_test::Checksum(clockwise.display), effect_test::Checksum(anticlockwise.display))
          << p;
    }
  }
}

// On narrow frames a tenth of the width times eleven falls short of the right
// edge; the band still has to reach it, and at the end cover the frame's middle row.
TEST(ZigzagBands, ReachTheFarEdgeOnNarrowFrames) {
  for (auto [w, h] : {std::pair{17, 13}, {9, 7}, {89, 60}}) {
    EffectFrames f(w, h);
    f.DrawAt(effects::Effect162, 99);
    EXPECT_EQ(CountNew(f, 0, h / 2, w, h / 2 + 1), w) << w << "x" << h;
    EffectFrames g(h, w);
    g.DrawAt(effects::Effect163, 99);
    EXPECT_EQ(CountNew(g, h / 2, 0, h / 2 + 1, w), w) << h << "x" << w;
  }
}

// Near the end the ring leaves only corners outside and a speck inside.
TEST(DiagonalBoxOut, LeavesOnlyCornersAndCentreAtTheEnd) {
  EffectFrames f(320, 240);
  f.DrawAt(effects::Effect167, 99);
  EXPECT_LT(320 * 240 - CountNew(f, 0, 0, 320, 240), 320 * 240 / 50);
  EXPECT_EQ(CountNew(f, 0, 0, 1, 1), 0);
  EXPECT_EQ(CountNew(f, 319, 239, 320, 240), 0);
  EXPECT_EQ(CountNew(f, 159, 119, 161, 121), 0);
  EXPECT_EQ(CountNew(f, 150, 0, 170, 10), 20 * 10);
}

}  // namespace
