#include "geometry.h"

#include <algorithm>

#include "arith.h"

namespace gfx {

Rect Intersect(const Rect& a, const Rect& b) {
  Rect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
         std::min(a.Bottom, b.Bottom)};
  return r.IsEmpty() ? Rect{} : r;
}

Rect FitRect(const Rect& picture, const Rect& frame) {
  const double pw = picture.Width(), ph = picture.Height();
  const double fw = frame.Width(), fh = frame.Height();
  const double a = pw / fw;
  const double b = ph / fh;
  Rect r = frame;
  if (a >= b) {
    const int c = static_cast<int>(Round((fh - ph / a) / 2));
    r.Top = frame.Top + c;
    r.Bottom = frame.Bottom - c;
  } else {
    const int c = static_cast<int>(Round((fw - pw / b) / 2));
    r.Left = frame.Left + c;
    r.Right = frame.Right - c;
  }
  return r;
}

}  // namespace gfx
