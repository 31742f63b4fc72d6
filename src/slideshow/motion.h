// Pan and zoom over a still picture: which part of the picture the frame
// shows at each moment of the slide's time on screen.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "gfx/bilinear_sampler.h"
#include "slideshow/look.h"

namespace slideshow {

// "none", "zoom-in", ..., "auto"; nothing for any other name.
std::optional<MotionKind> MotionKindNamed(std::string_view name);
std::string_view MotionKindName(MotionKind kind);
std::optional<Easing> EasingNamed(std::string_view name);
// "x,y,w,h" in fractions; nothing unless 0 <= x, y, w > 0, h > 0 and the
// rectangle lies within the picture.
std::optional<gfx::RectF> ParseFractionRect(std::string_view text);

// The eased share of the move done at t (0..1 of the time on screen).
double Ease(Easing easing, double t);

// The start and end views of a move, in fractions of the picture, each of
// the aspect `aspect` (width / height measured in picture pixels of a
// picture `pictureAspect` wide per unit high). `base` is what the frame
// shows without motion; `slideIndex` varies the automatic move.
struct MovePath {
  gfx::RectF start;
  gfx::RectF end;
};
MovePath PlanMove(const MotionSpec& spec, const gfx::RectF& base, double pictureAspect,
                  int slideIndex);

// The view at t, eased, between the ends of the path.
gfx::RectF ViewAt(const MovePath& path, Easing easing, double t);

}  // namespace slideshow
