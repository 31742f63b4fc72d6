#include "gfx/region.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bitset>
#include <climits>
#include <cstdint>
#include <ostream>
#include <random>
#include <vector>

namespace gfx {

static void PrintTo(const Rect& r, std::ostream* os) {
  *os << "(" << r.Left << ", " << r.Top << ", " << r.Right << ", " << r.Bottom << ")";
}

namespace {

// A pixel-set model over a small window that reaches past the 12x12 grid the
// shapes are drawn on, so pixels wrongly added outside are seen too.
constexpr int kLo = -5, kHi = 17, kSpan = kHi - kLo;
using Pixels = std::bitset<kSpan * kSpan>;

size_t Bit(int x, int y) { return size_t((y - kLo) * kSpan + (x - kLo)); }

template <class Inside>
Pixels Model(Inside inside) {
  Pixels p;
  for (int y = kLo; y < kHi; ++y)
    for (int x = kLo; x < kHi; ++x)
      if (inside(x, y)) p.set(Bit(x, y));
  return p;
}

// Pixels from the rectangle list itself; also checks Contains agrees.
Pixels PixelsOf(const Region& r) {
  Pixels p;
  for (const Rect& rc : r.Rects())
    for (int y = std::max(rc.Top, kLo); y < std::min(rc.Bottom, kHi); ++y)
      for (int x = std::max(rc.Left, kLo); x < std::min(rc.Right, kHi); ++x) p.set(Bit(x, y));
  for (int y = kLo; y < kHi; ++y)
    for (int x = kLo; x < kHi; ++x)
      EXPECT_EQ(r.Contains(x, y), p.test(Bit(x, y))) << "Contains(" << x << ", " << y << ")";
  return p;
}

// The canonical form: bands ordered and disjoint, one top and bottom per
// band, spans sorted and not touching, no two touching bands with equal spans.
void ExpectCanonical(const Region& r) {
  const auto& rs = r.Rects();
  size_t bandStart = 0, prevStart = 0;
  bool havePrev = false;
  for (size_t i = 0; i <= rs.size(); ++i) {
    if (i < rs.size() && i > bandStart && rs[i].Top == rs[bandStart].Top) {
      EXPECT_EQ(rs[i].Bottom, rs[bandStart].Bottom);
      EXPECT_GT(rs[i].Left, rs[i - 1].Right) << "spans must be sorted and apart";
      continue;
    }
    if (i > bandStart) {  // band [bandStart, i) complete
      if (havePrev) {
        const size_t prevCount = bandStart - prevStart;
        EXPECT_LE(rs[prevStart].Bottom, rs[bandStart].Top);
        if (rs[prevStart].Bottom == rs[bandStart].Top && prevCount == i - bandStart) {
          bool same = true;
          for (size_t k = 0; k < prevCount; ++k)
            same = same && rs[prevStart + k].Left == rs[bandStart + k].Left &&
                   rs[prevStart + k].Right == rs[bandStart + k].Right;
          EXPECT_FALSE(same) << "touching bands with equal spans must be merged";
        }
      }
      prevStart = bandStart;
      havePrev = true;
    }
    bandStart = i;
    if (i < rs.size()) {
      EXPECT_FALSE(rs[i].IsEmpty());
    }
  }
}

bool InRect(const Rect& r, int x, int y) {
  return x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom;
}

// Pixel centre inside the polygon by a direct crossing count in doubled
// coordinates: an edge counts when its crossing with the centre's row lies at
// or left of the centre.
bool InPolygon(const std::vector<Point>& pts, FillMode mode, int x, int y) {
  const int64_t px = 2 * x + 1, py = 2 * y + 1;
  int winding = 0, count = 0;
  for (size_t i = 0; i < pts.size(); ++i) {
    Point a = pts[i], b = pts[(i + 1) % pts.size()];
    if (a.y == b.y) continue;
    const int dir = b.y > a.y ? 1 : -1;
    if (a.y > b.y) std::swap(a, b);
    if (py < 2 * int64_t(a.y) || py >= 2 * int64_t(b.y)) continue;
    const int64_t dy = b.y - a.y, dx = b.x - a.x;
    if (2 * int64_t(a.x) * dy + (py - 2 * int64_t(a.y)) * dx <= px * dy) {
      winding += dir;
      ++count;
    }
  }
  return mode == FillMode::Winding ? winding != 0 : (count & 1) != 0;
}

bool InEllipse(const Rect& b, int x, int y) {
  const int64_t w = b.Right - b.Left, h = b.Bottom - b.Top;
  if (w <= 0 || h <= 0) return false;
  const int64_t u = 2 * x + 1 - (b.Left + b.Right), v = 2 * y + 1 - (b.Top + b.Bottom);
  return u * u * h * h + v * v * w * w <= w * w * h * h;
}

bool InRoundRect(const Rect& b, int ew, int eh, int x, int y) {
  if (!InRect(b, x, y)) return false;
  const int64_t a = std::clamp<int64_t>(ew, 0, b.Right - b.Left);
  const int64_t c = std::clamp<int64_t>(eh, 0, b.Bottom - b.Top);
  const int64_t px = 2 * x + 1, py = 2 * y + 1;
  int64_t cx = 0, cy = 0;
  if (px < 2 * b.Left + a)
    cx = 2 * b.Left + a;
  else if (px > 2 * b.Right - a)
    cx = 2 * b.Right - a;
  else
    return true;
  if (py < 2 * b.Top + c)
    cy = 2 * b.Top + c;
  else if (py > 2 * b.Bottom - c)
    cy = 2 * b.Bottom - c;
  else
    return true;
  const int64_t u = px - cx, v = py - cy;
  return u * u * c * c + v * v * a * a <= a * a * c * c;
}

Rect RandomRect(std::mt19937& rng) {
  std::uniform_int_distribution<int> d(-3, 15);
  return {d(rng), d(rng), d(rng), d(rng)};  // inverted ones are expected to be empty
}

std::vector<Point> RandomPolygon(std::mt19937& rng) {
  std::uniform_int_distribution<int> n(3, 7), d(-3, 15);
  std::vector<Point> pts(size_t(n(rng)));
  for (Point& p : pts) p = {d(rng), d(rng)};
  return pts;
}

Region RandomRegion(std::mt19937& rng, Pixels& model) {
  switch (rng() % 3) {
    case 0: {
      const Rect r = RandomRect(rng);
      model = Model([&](int x, int y) { return InRect(r, x, y); });
      return Region::FromRect(r);
    }
    case 1: {
      const auto pts = RandomPolygon(rng);
      const FillMode mode = rng() % 2 ? FillMode::Winding : FillMode::Alternate;
      model = Model([&](int x, int y) { return InPolygon(pts, mode, x, y); });
      return Region::FromPolygon(pts.data(), pts.size(), mode);
    }
    default: {
      std::vector<Rect> rs(rng() % 6);
      for (Rect& r : rs) r = RandomRect(rng);
      model = Model([&](int x, int y) {
        for (const Rect& r : rs)
          if (InRect(r, x, y)) return true;
        return false;
      });
      return Region::FromRects(rs.data(), rs.size());
    }
  }
}

TEST(RegionShapes, RectanglesMatchThePixelModel) {
  EXPECT_TRUE(Region().IsEmpty());
  EXPECT_TRUE(Region::FromRect({5, 5, 5, 9}).IsEmpty());
  EXPECT_TRUE(Region::FromRect({5, 5, 2, 9}).IsEmpty()) << "inverted is empty, not swapped";
  EXPECT_EQ(Region::FromRect({1, 2, 4, 6}).Bounds(), (Rect{1, 2, 4, 6}));
  EXPECT_EQ(Region().Bounds(), Rect{});

  std::mt19937 rng(7);
  for (int iter = 0; iter < 300; ++iter) {
    std::vector<Rect> rs(rng() % 12);
    for (Rect& r : rs) r = RandomRect(rng);
    const Region region = Region::FromRects(rs.data(), rs.size());
    ExpectCanonical(region);
    const Pixels want = Model([&](int x, int y) {
      for (const Rect& r : rs)
        if (InRect(r, x, y)) return true;
      return false;
    });
    ASSERT_EQ(PixelsOf(region), want) << "iteration " << iter;
  }
}

TEST(RegionShapes, FromRectsJoinsOverlapsAndSkipsEmptyRectangles) {
  const Rect rs[] = {{0, 0, 4, 2}, {2, 0, 6, 2}, {6, 0, 8, 2},  // touching and overlapping
                     {9, 9, 3, 12}, {1, 1, 1, 5}};                // inverted, zero width
  const Region r = Region::FromRects(rs, std::size(rs));
  ASSERT_EQ(r.Rects().size(), 1u);
  EXPECT_EQ(r.Rects()[0], (Rect{0, 0, 8, 2}));
  EXPECT_TRUE(Region::FromRects(nullptr, 0).IsEmpty());

  // Rows given bottom-up and one per row still collapse into one band.
  std::vector<Rect> rows;
  for (int y = 9; y >= 0; --y) rows.push_back({2, y, 7, y + 1});
  const Region stacked = Region::FromRects(rows.data(), rows.size());
  EXPECT_EQ(stacked, Region::FromRect({2, 0, 7, 10}));
}

TEST(RegionShapes, PolygonsMatchThePixelModel) {
  std::mt19937 rng(11);
  for (int iter = 0; iter < 400; ++iter) {
    const auto pts = RandomPolygon(rng);
    for (FillMode mode : {FillMode::Alternate, FillMode::Winding}) {
      const Region region = Region::FromPolygon(pts.data(), pts.size(), mode);
      ExpectCanonical(region);
      ASSERT_EQ(PixelsOf(region), Model([&](int x, int y) { return InPolygon(pts, mode, x, y); }))
          << "iteration " << iter << " mode " << int(mode);
    }
  }
}

TEST(RegionShapes, SelfOverlappingStarDiffersBetweenFillRules) {
  // A five-pointed star drawn in one stroke: the pentagon in the middle is
  // wound twice, so only the winding rule fills it.
  const Point star[] = {{6, 0}, {10, 12}, {0, 4}, {12, 4}, {2, 12}};
  const Region alt = Region::FromPolygon(star, 5, FillMode::Alternate);
  const Region win = Region::FromPolygon(star, 5, FillMode::Winding);
  EXPECT_FALSE(alt.Contains(6, 6));
  EXPECT_TRUE(win.Contains(6, 6));
  EXPECT_TRUE(alt.Contains(6, 2)) << "the tips are in both";
  EXPECT_TRUE(win.Contains(6, 2));
  const Region centre = Region::Combine(win, alt, CombineMode::Diff);
  EXPECT_FALSE(centre.IsEmpty());
  EXPECT_TRUE(Region::Combine(alt, win, CombineMode::Diff).IsEmpty())
      << "alternate never covers more than winding";
}

TEST(RegionShapes, DegenerateAndFarPolygons) {
  const Point two[] = {{0, 0}, {10, 10}};
  EXPECT_TRUE(Region::FromPolygon(two, 2, FillMode::Winding).IsEmpty());
  EXPECT_TRUE(Region::FromPolygon(nullptr, 0, FillMode::Winding).IsEmpty());
  const Point line[] = {{0, 0}, {5, 5}, {10, 10}};
  EXPECT_TRUE(Region::FromPolygon(line, 3, FillMode::Alternate).IsEmpty()) << "zero area";

  // A triangle with corners far outside any frame is still exact where it
  // crosses the frame: its tip reaches x = 500 on row 0.
  const Point big[] = {{-100000, -100000}, {500, 0}, {-100000, 100000}};
  const Region r = Region::FromPolygon(big, 3, FillMode::Winding);
  EXPECT_TRUE(r.Contains(-999, 0));
  EXPECT_TRUE(r.Contains(498, 0));
  EXPECT_FALSE(r.Contains(499, 0)) << "edge passes at 499.4975, left of the centre 499.5";
  EXPECT_EQ(r.Bounds(), (Rect{-100000, -100000, 499, 100000}));
  // Rectangles given as polygons give the same rectangle, however big.
  const Point box[] = {{-INT_MAX, -5}, {INT_MAX, -5}, {INT_MAX, 30}, {-INT_MAX, 30}};
  const Region b = Region::FromPolygon(box, 4, FillMode::Alternate);
  ASSERT_EQ(b.Rects().size(), 1u);
  EXPECT_EQ(b.Rects()[0].Top, -5);
  EXPECT_EQ(b.Rects()[0].Bottom, 30);
  EXPECT_LT(b.Rects()[0].Left, -100000000);
  EXPECT_GT(b.Rects()[0].Right, 100000000);
}

TEST(RegionShapes, EllipsesMatchTheModelAndAreSymmetric) {
  for (int l = -3; l <= 2; ++l)
    for (int w = 0; w <= 14; ++w)
      for (int h = 0; h <= 14; h += 1 + (w % 3)) {
        const Rect b{l, l + 1, l + w, l + 1 + h};
        const Region e = Region::FromEllipse(b);
        ExpectCanonical(e);
        const Pixels p = PixelsOf(e);
        ASSERT_EQ(p, Model([&](int x, int y) { return InEllipse(b, x, y); }))
            << "w " << w << " h " << h;
        // Mirror images across both middle lines.
        for (int y = b.Top; y < b.Bottom; ++y)
          for (int x = b.Left; x < b.Right; ++x) {
            const int mx = b.Left + b.Right - 1 - x, my = b.Top + b.Bottom - 1 - y;
            ASSERT_EQ(e.Contains(x, y), e.Contains(mx, y));
            ASSERT_EQ(e.Contains(x, y), e.Contains(x, my));
          }
        if (w > 0 && h > 0) {
          EXPECT_TRUE(e.Contains(b.Left + (w - 1) / 2, b.Top + (h - 1) / 2)) << "centre pixel";
        }
      }
  EXPECT_TRUE(Region::FromEllipse({5, 5, 1, 9}).IsEmpty());
}

TEST(RegionShapes, RoundRectsMatchTheModelAndLimitTheirCorners) {
  std::mt19937 rng(5);
  std::uniform_int_distribution<int> e(-2, 20);
  for (int iter = 0; iter < 500; ++iter) {
    const Rect b = RandomRect(rng);
    const int ew = e(rng), eh = e(rng);
    const Region r = Region::FromRoundRect(b, ew, eh);
    ExpectCanonical(r);
    ASSERT_EQ(PixelsOf(r), Model([&](int x, int y) { return InRoundRect(b, ew, eh, x, y); }))
        << "iteration " << iter;
  }
  const Rect b{1, 2, 11, 9};
  EXPECT_EQ(Region::FromRoundRect(b, 0, 0), Region::FromRect(b)) << "square corners";
  EXPECT_EQ(Region::FromRoundRect(b, 100000, 100000), Region::FromEllipse(b))
      << "corners limited to the whole size give the ellipse";
  // Huge width only: the ends become full half-ellipses of the rectangle's height.
  const Region capsule = Region::FromRoundRect({0, 0, 40, 8}, 1 << 30, 8);
  EXPECT_EQ(Region::FromRoundRect({0, 0, 40, 8}, 40, 8), capsule);
  EXPECT_FALSE(capsule.Contains(0, 0));
  EXPECT_TRUE(capsule.Contains(20, 0));
  // The wide shapes the curved reveals use, far outside the frame.
  const Region curved = Region::FromRoundRect({-1280, 0, 100, 241}, 1280, 1280);
  EXPECT_TRUE(curved.Contains(0, 120));
  EXPECT_TRUE(curved.Contains(99, 120));
  EXPECT_FALSE(curved.Contains(99, 0));
}

TEST(RegionCombine, EveryModeMatchesThePixelModel) {
  std::mt19937 rng(3);
  for (int iter = 0; iter < 400; ++iter) {
    Pixels pa, pb;
    const Region a = RandomRegion(rng, pa);
    const Region b = RandomRegion(rng, pb);
    const struct {
      CombineMode mode;
      Pixels want;
    } cases[] = {{CombineMode::And, pa & pb},
                 {CombineMode::Or, pa | pb},
                 {CombineMode::Xor, pa ^ pb},
                 {CombineMode::Diff, pa & ~pb},
                 {CombineMode::Copy, pa}};
    for (const auto& c : cases) {
      const Region r = Region::Combine(a, b, c.mode);
      ExpectCanonical(r);
      ASSERT_EQ(PixelsOf(r), c.want) << "iteration " << iter << " mode " << int(c.mode);
    }
  }
}

TEST(RegionCombine, EqualPixelSetsCompareEqual) {
  // The same L shape built three ways.
  const Rect parts[] = {{0, 0, 3, 6}, {0, 4, 8, 6}};
  const Region a = Region::FromRects(parts, 2);
  const Region b = Region::Combine(Region::FromRect({0, 0, 8, 6}), Region::FromRect({3, 0, 8, 4}),
                                   CombineMode::Diff);
  const Point outline[] = {{0, 0}, {3, 0}, {3, 4}, {8, 4}, {8, 6}, {0, 6}};
  const Region c = Region::FromPolygon(outline, 6, FillMode::Alternate);
  EXPECT_EQ(a, b);
  EXPECT_EQ(a, c);
  // Xor with itself is empty; xor twice gives the start back.
  EXPECT_TRUE(Region::Combine(a, a, CombineMode::Xor).IsEmpty());
  const Region frame = Region::FromRect({0, 0, 10, 10});
  EXPECT_EQ(Region::Combine(Region::Combine(frame, a, CombineMode::Xor), a, CombineMode::Xor),
            frame);
}

TEST(RegionCombine, FrameMinusShapeLeavesTheOutside) {
  // How the "reveal in to centre" shapes are made: the frame xor an inner shape.
  const Region frame = Region::FromRect({0, 0, 12, 12});
  const Region inner = Region::FromRoundRect({2, 2, 10, 10}, 7, 7);
  const Region ring = Region::Combine(frame, inner, CombineMode::Xor);
  EXPECT_EQ(ring, Region::Combine(frame, inner, CombineMode::Diff));
  EXPECT_TRUE(ring.Contains(0, 0));
  EXPECT_TRUE(ring.Contains(2, 2)) << "the rounded corner is outside the inner shape";
  EXPECT_FALSE(ring.Contains(6, 6));
  EXPECT_EQ(ring.Bounds(), (Rect{0, 0, 12, 12}));
}

TEST(RegionMisc, OffsetMovesEveryPixel) {
  const Point tri[] = {{0, 0}, {9, 0}, {0, 7}};
  Region r = Region::FromPolygon(tri, 3, FillMode::Winding);
  const Region original = r;
  r.Offset(-4, 3);
  for (int y = -6; y < 14; ++y)
    for (int x = -8; x < 12; ++x) ASSERT_EQ(r.Contains(x, y), original.Contains(x + 4, y - 3));
  EXPECT_EQ(r.Bounds().Left, original.Bounds().Left - 4);
  EXPECT_EQ(r.Bounds().Top, original.Bounds().Top + 3);
}

TEST(RegionMisc, ManyThinBarsStayOneRectangleEach) {
  // The shape of a bar pattern: thousands of rows, every other one covered,
  // given in a shuffled order with duplicates.
  std::vector<Rect> bars;
  for (int y = 0; y < 5000; y += 2) bars.push_back({0, y, 640, y + 1});
  for (int y = 0; y < 5000; y += 4) bars.push_back({100, y, 300, y + 1});
  std::shuffle(bars.begin(), bars.end(), std::mt19937(1));
  const Region r = Region::FromRects(bars.data(), bars.size());
  ASSERT_EQ(r.Rects().size(), 2500u);
  for (size_t i = 0; i < r.Rects().size(); ++i)
    ASSERT_EQ(r.Rects()[i], (Rect{0, int(2 * i), 640, int(2 * i + 1)}));
}

}  // namespace
}  // namespace gfx
