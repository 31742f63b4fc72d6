#include "motion.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace slideshow {

namespace {

// Gentle by default: a fifth closer over the whole slide, or a pan across
// the last seventh of the frame's view.
constexpr double kZoom = 1.2;
constexpr double kPanScale = 1.0 / 1.15;

struct Named {
  MotionKind kind;
  std::string_view name;
};
constexpr std::array<Named, 8> kNames{{{MotionKind::None, "none"},
                                       {MotionKind::ZoomIn, "zoom-in"},
                                       {MotionKind::ZoomOut, "zoom-out"},
                                       {MotionKind::PanLeft, "pan-left"},
                                       {MotionKind::PanRight, "pan-right"},
                                       {MotionKind::PanUp, "pan-up"},
                                       {MotionKind::PanDown, "pan-down"},
                                       {MotionKind::Auto, "auto"}}};

// The automatic moves in turn: each keeps the picture's centre in view.
constexpr std::array<MotionKind, 4> kAutoCycle{MotionKind::ZoomIn, MotionKind::PanRight,
                                               MotionKind::ZoomOut, MotionKind::PanLeft};

gfx::RectF Scaled(const gfx::RectF& r, double s) {
  const double w = r.w * s, h = r.h * s;
  return {r.x + (r.w - w) / 2, r.y + (r.h - h) / 2, w, h};
}

// Grows r around its centre to the aspect (in picture pixels), then moves it
// inside the picture, shrinking it if it is larger than the picture.
gfx::RectF ToAspect(gfx::RectF r, double aspect, double pictureAspect) {
  const double want = aspect / pictureAspect;  // w / h in fractions
  const double cx = r.x + r.w / 2, cy = r.y + r.h / 2;
  if (r.w / r.h < want)
    r.w = r.h * want;
  else
    r.h = r.w / want;
  const double over = std::max(r.w, r.h);
  if (over > 1.0) {
    r.w /= over;
    r.h /= over;
  }
  r.x = std::clamp(cx - r.w / 2, 0.0, 1.0 - r.w);
  r.y = std::clamp(cy - r.h / 2, 0.0, 1.0 - r.h);
  return r;
}

}  // namespace

std::optional<MotionKind> MotionKindNamed(std::string_view name) {
  for (const Named& n : kNames)
    if (n.name == name) return n.kind;
  return std::nullopt;
}

std::string_view MotionKindName(MotionKind kind) {
  for (const Named& n : kNames)
    if (n.kind == kind) return n.name;
  return "rectangles";
}

std::optional<Easing> EasingNamed(std::string_view name) {
  if (name == "linear") return Easing::Linear;
  if (name == "smooth") return Easing::Smooth;
  return std::nullopt;
}

std::optional<gfx::RectF> ParseFractionRect(std::string_view text) {
  double v[4];
  for (int i = 0; i < 4; ++i) {
    const size_t comma = text.find(',');
    if ((comma == std::string_view::npos) != (i == 3)) return std::nullopt;
    const std::string_view part = text.substr(0, comma);
    const auto [ptr, ec] = std::from_chars(part.data(), part.data() + part.size(), v[i]);
    if (ec != std::errc() || ptr != part.data() + part.size() || !std::isfinite(v[i]))
      return std::nullopt;
    text = i < 3 ? text.substr(comma + 1) : std::string_view();
  }
  const gfx::RectF r{v[0], v[1], v[2], v[3]};
  constexpr double kSlack = 1e-9;
  if (r.x < 0 || r.y < 0 || r.w <= 0 || r.h <= 0 || r.x + r.w > 1 + kSlack ||
      r.y + r.h > 1 + kSlack)
    return std::nullopt;
  return r;
}

double Ease(Easing easing, double t) {
  t = std::clamp(t, 0.0, 1.0);
  return easing == Easing::Linear ? t : t * t * (3 - 2 * t);
}

MovePath PlanMove(const MotionSpec& spec, const gfx::RectF& base, double pictureAspect,
                  int slideIndex) {
  MotionKind kind = spec.kind;
  if (kind == MotionKind::Auto)
    kind = kAutoCycle[size_t(((slideIndex % 4) + 4) % 4)];
  // A pan asked for by name over a picture that fill has cropped along that
  // way (a panorama) travels the whole picture, from edge to edge.
  constexpr double kCropped = 0.99;
  const bool across = spec.kind != MotionKind::Auto && base.w < kCropped;
  const bool along = spec.kind != MotionKind::Auto && base.h < kCropped;
  auto at = [&](double x, double y) { return gfx::RectF{x, y, base.w, base.h}; };
  if (across && kind == MotionKind::PanLeft) return {at(1 - base.w, base.y), at(0, base.y)};
  if (across && kind == MotionKind::PanRight) return {at(0, base.y), at(1 - base.w, base.y)};
  if (along && kind == MotionKind::PanUp) return {at(base.x, 1 - base.h), at(base.x, 0)};
  if (along && kind == MotionKind::PanDown) return {at(base.x, 0), at(base.x, 1 - base.h)};
  const gfx::RectF pan = Scaled(base, kPanScale);
  const double spareX = (base.w - pan.w) / 2, spareY = (base.h - pan.h) / 2;
  auto shifted = [&](double dx, double dy) { return gfx::RectF{pan.x + dx, pan.y + dy, pan.w, pan.h}; };
  switch (kind) {
    case MotionKind::None:
    case MotionKind::Auto:
      return {base, base};
    case MotionKind::ZoomIn:
      return {base, Scaled(base, 1 / kZoom)};
    case MotionKind::ZoomOut:
      return {Scaled(base, 1 / kZoom), base};
    // The view travels the named way across the picture.
    case MotionKind::PanLeft:
      return {shifted(spareX, 0), shifted(-spareX, 0)};
    case MotionKind::PanRight:
      return {shifted(-spareX, 0), shifted(spareX, 0)};
    case MotionKind::PanUp:
      return {shifted(0, spareY), shifted(0, -spareY)};
    case MotionKind::PanDown:
      return {shifted(0, -spareY), shifted(0, spareY)};
    case MotionKind::Rects:
      break;
  }
  const double aspect = base.w / base.h * pictureAspect;
  return {ToAspect(spec.start, aspect, pictureAspect), ToAspect(spec.end, aspect, pictureAspect)};
}

gfx::RectF ViewAt(const MovePath& path, Easing easing, double t) {
  const double e = Ease(easing, t);
  auto mix = [e](double a, double b) { return a + (b - a) * e; };
  return {mix(path.start.x, path.end.x), mix(path.start.y, path.end.y),
          mix(path.start.w, path.end.w), mix(path.start.h, path.end.h)};
}

}  // namespace slideshow
