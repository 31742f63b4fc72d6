#include "region_builders.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "complex_region.h"
#include "gfx/arith.h"
#include "gfx/canvas.h"
#include "gfx/random.h"

namespace effects {

std::optional<gfx::Region> BuildBarsRegion(int XLen, int YLen, int W, int H, int Horz,
                                           int Vert) {
  TComplexRegion list;
  const int e = std::min(W, H) / 50 + 1;

  if (Horz != 0) {
    if (W >= XLen) {
      for (int f = 0; f < H + e; f += 2 * e) {
        switch (Horz) {
          case 1:
          case 5:
            list.AddRect(W - XLen, f, W, f + e);
            break;
          case 2:
          case 4:
            list.AddRect(0, f, XLen, f + e);
            break;
          case 3:
            list.AddRect(0, f + e, XLen, f + 2 * e);
            list.AddRect(W - XLen, f, W, f + e);
            break;
        }
      }
    } else {
      for (int f = e; f < H + e; f += 2 * e) {
        if (Horz == 1 || Horz == 4) list.AddRect(2 * W - XLen, f, W, f + e);
        if (Horz == 2 || Horz == 5) list.AddRect(0, f, XLen - W, f + e);
        list.AddRect(0, f - e, W, f);
      }
    }
  }

  if (Vert != 0) {
    if (H >= YLen) {
      for (int h = 0; h < W + e; h += 2 * e) {
        switch (Vert) {
          case 1:
          case 5:
            list.AddRect(h, H - YLen, h + e, H);
            break;
          case 2:
          case 4:
            list.AddRect(h, 0, h + e, YLen);
            break;
          case 3:
            list.AddRect(h, H - YLen, h + e, H);
            list.AddRect(h + e, 0, h + 2 * e, YLen);
            break;
        }
      }
    } else {
      for (int h = e; h < W + e; h += 2 * e) {
        if (Vert == 1 || Vert == 4) list.AddRect(h, 2 * H - YLen, h + e, H);
        if (Vert == 2 || Vert == 5) list.AddRect(h, 0, h + e, YLen - H);
        list.AddRect(h - e, 0, h, H);
      }
    }
  }

  return list.CreateRegion();
}

std::optional<gfx::Region> BuildShredRegion(int XLen, int YLen, int W, int H, int Horz,
                                            int Vert) {
  TComplexRegion list;
  const int e = std::min(W, H) / 200 + 1;

  if (Horz != 0) {
    const int s = XLen < W ? W / 10 : 0;
    const int g = H % e;  // the last bar is stretched to reach the bottom
    for (int o = 0; o < H; o += e) {
      int r = gfx::Random(2 * s) + XLen - s;  // one number per bar, always
      switch (Horz) {
        case 1:
          list.AddRect(W - r, o, W, o + e + g);
          break;
        case 2:
          list.AddRect(0, o, r, o + e + g);
          break;
        case 3: {
          r /= 2;
          const int m = W / 2;
          list.AddRect(m - r, o, m, o + e + g);
          list.AddRect(m, o, m + r, o + e + g);
          break;
        }
        case 4:
          r /= 2;
          list.AddRect(W - r, o, W, o + e + g);
          list.AddRect(0, o, r, o + e + g);
          break;
      }
    }
  }

  if (Vert != 0) {
    const int s = YLen < H ? H / 10 : 0;
    const int g = W % e;
    for (int o = 0; o < W; o += e) {
      int r = gfx::Random(2 * s) + YLen - s;
      switch (Vert) {
        case 1:
          list.AddRect(o, H - r, o + e + g, H);
          break;
        case 2:
          list.AddRect(o, 0, o + e + g, r);
          break;
        case 3: {
          r /= 2;
          const int m = H / 2;
          list.AddRect(o, m - r, o + e + g, m);
          list.AddRect(o, m, o + e + g, m + r);
          break;
        }
        case 4:
          r /= 2;
          list.AddRect(o, H - r, o + e + g, H);
          list.AddRect(o, 0, o + e + g, r);
          break;
      }
    }
  }

  return list.CreateRegion();
}

namespace {

// Squares ahead of a speckled front: zone g, square size q, n squares in the
// zone, the first l of them (nearest the front) twice as likely.
struct SpeckleZone {
  int q, n, l;
  explicit SpeckleZone(int g)
      : q(std::max(g / 20, 2)), n(g / q), l((3 * g) / (4 * q)) {}

  // Square i ahead of the front shows with chance min(2/i, 1) near the
  // front and 1/i further out; one number per square, always.
  bool Shows(int i) const {
    const int r = gfx::Random(i);
    return i <= l ? r <= 1 : r == 0;
  }
};

}  // namespace

std::optional<gfx::Region> BuildSpeckleRegion(int XLen, int YLen, int W, int H, int Horz,
                                              int Vert) {
  TComplexRegion list;

  if (Horz != 0) {
    const SpeckleZone z(XLen < W ? W / 10 : 0);
    const int q = z.q;
    // Rows of squares overlap by half a square.
    for (int y = 0; y < H; y += q / 2) {
      if (Horz == 1) list.AddRect(W - XLen, y, W, y + q);
      if (Horz == 2) list.AddRect(0, y, XLen, y + q);
      for (int i = z.n; i >= 1; --i) {
        if (!z.Shows(i)) continue;
        if (Horz == 1) list.AddRect(W - XLen - q * i, y, W - XLen - q * i + q, y + q);
        if (Horz == 2) list.AddRect(XLen + q * (i - 1), y, XLen + q * i, y + q);
      }
    }
  }

  if (Vert != 0) {
    const SpeckleZone z(YLen < H ? H / 10 : 0);
    const int q = z.q;
    for (int x = 0; x < W; x += q / 2) {
      if (Vert == 1) list.AddRect(x, H - YLen, x + q, H);
      if (Vert == 2) list.AddRect(x, 0, x + q, YLen);
      for (int i = z.n; i >= 1; --i) {
        if (!z.Shows(i)) continue;
        if (Vert == 1) list.AddRect(x, H - YLen - q * i, x + q, H - YLen - q * i + q);
        if (Vert == 2) list.AddRect(x, YLen + q * (i - 1), x + q, YLen + q * i);
      }
    }
  }

  return list.CreateRegion();
}

gfx::Region BuildSectorRegion(int CX, int CY, int Radius, long double StartAngle,
                              long double EndAngle, int Count) {
  const int arc = std::max(Count, 0);
  std::vector<gfx::Point> points(size_t(arc) + 1);
  points[0] = {CX, CY};
  if (arc > 0) {
    const long double step = (EndAngle - StartAngle) / arc;
    long double angle = StartAngle;
    // Repeated addition, not Start + k * step: the last point's exact place
    // depends on it.
    for (int k = 1; k <= arc; ++k) {
      points[size_t(k)] = {CX + int(gfx::Round(Radius * std::cos(angle))),
                           CY + int(gfx::Round(Radius * std::sin(angle)))};
      angle += step;
    }
  }
  return gfx::Region::FromPolygon(points.data(), points.size(), gfx::FillMode::Winding);
}

gfx::Region PolygonRegion(std::span<const int> Coordinates) {
  std::vector<gfx::Point> points(Coordinates.size() / 2);
  for (size_t i = 0; i < points.size(); ++i)
    points[i] = {Coordinates[2 * i], Coordinates[2 * i + 1]};
  return gfx::Region::FromPolygon(points.data(), points.size(), gfx::FillMode::Winding);
}

gfx::Region PolygonRegion(std::initializer_list<int> Coordinates) {
  return PolygonRegion(std::span<const int>(Coordinates.begin(), Coordinates.size()));
}

void RotatePoints(gfx::Point* Points, int Count, int CX, int CY, long double Angle) {
  const long double c = std::cos(Angle);
  const long double s = std::sin(Angle);
  for (int i = 0; i < Count; ++i) {
    const long double dx = Points[i].x - CX;
    const long double dy = Points[i].y - CY;
    Points[i].x = CX + int(gfx::Round(c * dx - s * dy));
    Points[i].y = CY + int(gfx::Round(s * dx + c * dy));
  }
}

namespace {

// Deselects the clip region however the copy is left.
class ClipScope {
 public:
  ClipScope(gfx::Canvas& canvas, const gfx::Region& r) : canvas_(canvas) {
    canvas_.SelectClipRegion(&r);
  }
  ~ClipScope() { canvas_.SelectClipRegion(nullptr); }
  ClipScope(const ClipScope&) = delete;
  ClipScope& operator=(const ClipScope&) = delete;

 private:
  gfx::Canvas& canvas_;
};

}  // namespace

void RevealThroughRegion(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H,
                         gfx::Region R) {
  gfx::Canvas& canvas = Display.GetCanvas();
  ClipScope clip(canvas, R);
  canvas.CopyRect(0, 0, W, H, Image, 0, 0);
}

void RevealThroughRegion(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H,
                         std::optional<gfx::Region> R) {
  if (R) RevealThroughRegion(Display, Image, W, H, std::move(*R));
}

}  // namespace effects
