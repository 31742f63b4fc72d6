#include "geometry.h"

#include <algorithm>

namespace gfx {

Rect Intersect(const Rect& a, const Rect& b) {
  Rect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
         std::min(a.Bottom, b.Bottom)};
  return r.IsEmpty() ? Rect{} : r;
}

}  // namespace gfx
