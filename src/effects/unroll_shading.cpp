#include "unroll_shading.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace effects {

namespace {

// The ramp, one value per column (or row) of the band. It starts at -Amount;
// when Amount exceeds half the band it moves by Amount div half per step,
// otherwise by 1 every half div Amount steps. Columns and rows turn at the
// middle one step apart, which is how the two bands have always looked.
class ShadeRamp {
 public:
  ShadeRamp(int amount, int count, bool turnAfterMiddle)
      : n_(count / 2), amount_(amount), turnAfterMiddle_(turnAfterMiddle), c_(-int64_t(amount)) {
    if (amount_ > n_) {
      step_ = amount_ / n_;
    } else {
      period_ = n_ / amount_;
      next_ = period_;
    }
  }

  // v(k - 1) for k = 1, 2, ...
  int Next() {
    ++k_;
    // Anything beyond a full byte clamps the same way.
    const int v = int(std::clamp<int64_t>(c_, -256, 256));
    if (amount_ > n_) {
      const bool rise = k_ < n_ || (k_ == n_ && turnAfterMiddle_);
      c_ += rise ? step_ : -step_;
    } else if (k_ == next_) {
      next_ += period_;
      c_ += k_ < n_ ? 1 : -1;
    }
    return v;
  }

 private:
  int n_;
  int amount_;
  bool turnAfterMiddle_;
  int64_t c_;  // 64 bits: extreme amounts must not overflow
  int k_ = 0;
  int step_ = 0;
  int period_ = 0;
  int next_ = 0;  // a period <= 0 (negative Amount) never matches: the ramp stays flat
};

inline uint8_t Shade(uint8_t b, int v) { return uint8_t(std::clamp(int(b) + v, 0, 255)); }

inline void ShadePixel(uint8_t* p, int v) {
  p[0] = Shade(p[0], v);
  p[1] = Shade(p[1], v);
  p[2] = Shade(p[2], v);
}

bool Shadeable(const gfx::Bitmap& b, int amount, int count) {
  return count >= 2 && amount != 0 && b.Format() == gfx::PixelFormat::pf32bit &&
         b.Width() > 0 && b.Height() > 0;
}

}  // namespace

void ShadeColumns(gfx::Bitmap& Display, int Amount, int First, int Count) {
  if (!Shadeable(Display, Amount, Count)) return;
  const int64_t end = int64_t(First) + Count;
  const int lo = std::max(First, 0);
  const int hi = int(std::min<int64_t>(end, Display.Width()));
  if (lo >= hi) return;

  // Ramp values for the visible columns only; bands are a tenth of the frame,
  // so the fixed buffer nearly always suffices.
  std::array<int, 256> fixed;
  std::vector<int> large;
  int* v = fixed.data();
  if (hi - lo > int(fixed.size())) {
    large.resize(size_t(hi - lo));
    v = large.data();
  }
  ShadeRamp ramp(Amount, Count, true);
  for (int col = First; col < lo; ++col) ramp.Next();
  for (int col = lo; col < hi; ++col) v[col - lo] = ramp.Next();

  const size_t stride = size_t(Display.Stride());
  uint8_t* row = Display.Bits();
  for (int y = 0; y < Display.Height(); ++y, row += stride) {
    uint8_t* p = row + size_t(lo) * 4;
    for (int i = 0; i < hi - lo; ++i, p += 4) ShadePixel(p, v[i]);
  }
}

void ShadeRows(gfx::Bitmap& Display, int Amount, int First, int Count) {
  if (!Shadeable(Display, Amount, Count)) return;
  const int h = Display.Height();
  const int64_t bottom = int64_t(First) + Count - 1;
  if (bottom < 0 || First >= h) return;

  // Memory runs bottom-up, so walking the band upwards walks memory forwards.
  ShadeRamp ramp(Amount, Count, false);
  for (int64_t y = bottom; y >= h; --y) ramp.Next();
  const int top = std::max(First, 0);
  const int w = Display.Width();
  for (int y = int(std::min<int64_t>(bottom, h - 1)); y >= top; --y) {
    const int v = ramp.Next();
    uint8_t* p = Display.ScanLine(y);
    for (int x = 0; x < w; ++x, p += 4) ShadePixel(p, v);
  }
}

}  // namespace effects
