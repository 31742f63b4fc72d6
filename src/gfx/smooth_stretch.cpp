// Separable resampling in fixed point: weights of 14 bits per axis, the
// horizontal pass keeps 8 bits of fraction, so nothing overflows 32 bits and
// a flat area stays exactly flat.
#include "smooth_stretch.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace gfx {

namespace {

constexpr int kWeightBits = 14;
constexpr uint32_t kWeightOne = 1u << kWeightBits;
constexpr int kFractionBits = 8;  // kept after the horizontal pass

// For every target position along one axis: the first source position and a
// fixed number of weights (zero-padded), summing to kWeightOne.
struct Taps {
  int per_target = 0;
  std::vector<int> first;
  std::vector<int> count;
  std::vector<uint32_t> weights;
};

// Weights proportional to integer amounts, rounded so they sum exactly to one.
void Normalise(uint32_t* w, const uint64_t* amounts, int n, uint64_t total) {
  uint32_t sum = 0;
  int largest = 0;
  for (int k = 0; k < n; ++k) {
    w[k] = uint32_t((amounts[k] * kWeightOne + total / 2) / total);
    sum += w[k];
    if (amounts[k] > amounts[largest]) largest = k;
  }
  w[largest] += kWeightOne - sum;  // rounding leftovers go to the main contributor
}

// Shrinking: target i covers source [i*S/D, (i+1)*S/D); in units of 1/D the
// source pixel j spans [j*D, (j+1)*D), so every overlap is an exact integer.
Taps AreaTaps(int src, int dst) {
  Taps t;
  t.per_target = (src + dst - 1) / dst + 1;
  t.first.resize(size_t(dst));
  t.count.resize(size_t(dst));
  t.weights.assign(size_t(dst) * t.per_target, 0);
  std::vector<uint64_t> amounts(size_t(t.per_target));
  for (int i = 0; i < dst; ++i) {
    const uint64_t lo = uint64_t(i) * src, hi = uint64_t(i + 1) * src;
    const int j0 = int(lo / dst);
    int n = 0;
    for (int j = j0; j < src && uint64_t(j) * dst < hi; ++j, ++n) {
      const uint64_t a = std::max<uint64_t>(lo, uint64_t(j) * dst);
      const uint64_t b = std::min<uint64_t>(hi, uint64_t(j + 1) * dst);
      amounts[size_t(n)] = b - a;
    }
    t.first[size_t(i)] = j0;
    t.count[size_t(i)] = n;
    Normalise(&t.weights[size_t(i) * t.per_target], amounts.data(), n, uint64_t(src));
  }
  return t;
}

// Enlarging: linear between the two source centres around the target centre.
Taps LinearTaps(int src, int dst) {
  Taps t;
  t.per_target = 2;
  t.first.resize(size_t(dst));
  t.count.assign(size_t(dst), 1);
  t.weights.assign(size_t(dst) * 2, 0);
  for (int i = 0; i < dst; ++i) {
    // Centre in source pixels, times 2*dst to stay in integers: (2i+1)*src - dst.
    const int64_t c2 = int64_t(2 * i + 1) * src - dst;
    const int64_t unit = 2 * int64_t(dst);
    uint32_t* w = &t.weights[size_t(i) * 2];
    if (c2 <= 0) {
      t.first[size_t(i)] = 0;
      w[0] = kWeightOne;
    } else if (c2 >= int64_t(src - 1) * unit) {
      t.first[size_t(i)] = src - 1;
      w[0] = kWeightOne;
    } else {
      const int j = int(c2 / unit);
      const uint64_t frac = uint64_t(c2 - int64_t(j) * unit);
      const uint64_t amounts[2] = {uint64_t(unit) - frac, frac};
      t.first[size_t(i)] = j;
      t.count[size_t(i)] = 2;
      Normalise(w, amounts, 2, uint64_t(unit));
    }
  }
  return t;
}

Taps MakeTaps(int src, int dst) { return src >= dst ? AreaTaps(src, dst) : LinearTaps(src, dst); }

// One source row resampled across: blue, green, red per target column, with
// kFractionBits of fraction.
void ResampleRow(const uint8_t* row, int bpp, const Taps& t, uint16_t* out) {
  const size_t n = t.first.size();
  for (size_t i = 0; i < n; ++i) {
    const uint8_t* p = row + size_t(t.first[i]) * bpp;
    const uint32_t* w = &t.weights[i * t.per_target];
    uint32_t b = 0, g = 0, r = 0;
    for (int k = 0; k < t.count[i]; ++k, p += bpp) {
      b += w[k] * p[0];
      g += w[k] * p[1];
      r += w[k] * p[2];
    }
    constexpr int kShift = kWeightBits - kFractionBits;
    constexpr uint32_t kHalf = 1u << (kShift - 1);
    out[3 * i] = uint16_t((b + kHalf) >> kShift);
    out[3 * i + 1] = uint16_t((g + kHalf) >> kShift);
    out[3 * i + 2] = uint16_t((r + kHalf) >> kShift);
  }
}

}  // namespace

void SmoothStretch(Bitmap& target, const Rect& dest, const Bitmap& picture) {
  if (target.Format() != PixelFormat::pf32bit) throw std::invalid_argument("SmoothStretch draws on 32-bit bitmaps");
  const int bpp = picture.Format() == PixelFormat::pf32bit   ? 4
                  : picture.Format() == PixelFormat::pf24bit ? 3
                                                             : 0;
  if (bpp == 0) throw std::invalid_argument("SmoothStretch reads 24- or 32-bit pictures");
  const Rect visible = Intersect(dest, target.Bounds());
  if (visible.IsEmpty() || picture.Width() == 0 || picture.Height() == 0) return;

  const int dw = dest.Width(), dh = dest.Height();
  const Taps across = MakeTaps(picture.Width(), dw);
  const Taps down = MakeTaps(picture.Height(), dh);

  // Resampled source rows, kept while later target rows still need them.
  const int ring = down.per_target;
  std::vector<uint16_t> rows(size_t(ring) * dw * 3);
  std::vector<int> held(size_t(ring), -1);
  auto row_of = [&](int sy) -> const uint16_t* {
    const size_t slot = size_t(sy % ring);
    uint16_t* r = &rows[slot * dw * 3];
    if (held[slot] != sy) {
      ResampleRow(picture.ScanLine(sy), bpp, across, r);
      held[slot] = sy;
    }
    return r;
  };

  const int x0 = visible.Left - dest.Left, x1 = visible.Right - dest.Left;
  std::vector<uint32_t> sum(size_t(dw) * 3);
  for (int y = visible.Top - dest.Top; y < visible.Bottom - dest.Top; ++y) {
    std::fill(sum.begin() + x0 * 3, sum.begin() + x1 * 3, 0u);
    const uint32_t* w = &down.weights[size_t(y) * down.per_target];
    for (int k = 0; k < down.count[size_t(y)]; ++k) {
      const uint16_t* r = row_of(down.first[size_t(y)] + k);
      for (int i = x0 * 3; i < x1 * 3; ++i) sum[size_t(i)] += w[k] * r[i];
    }
    constexpr int kShift = kWeightBits + kFractionBits;
    constexpr uint32_t kHalf = 1u << (kShift - 1);
    uint8_t* out = target.ScanLine(dest.Top + y);
    for (int x = x0; x < x1; ++x) {
      uint8_t* p = out + size_t(dest.Left + x) * 4;
      p[0] = uint8_t((sum[size_t(x) * 3] + kHalf) >> kShift);
      p[1] = uint8_t((sum[size_t(x) * 3 + 1] + kHalf) >> kShift);
      p[2] = uint8_t((sum[size_t(x) * 3 + 2] + kHalf) >> kShift);
      p[3] = 0;
    }
  }
}

}  // namespace gfx
