// Old and new pictures whose every pixel says which picture and which
// position it came from, so a drawn frame can be checked pixel by pixel.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "effects/effect.h"
#include "gfx/bitmap.h"
#include "gfx/canvas.h"

namespace effect_test {

// Bit 23: new picture; bits 12..22: row; bits 0..11: column. The fourth byte
// differs between the pictures too.
inline uint32_t Tag(bool isNew, int x, int y) {
  return (isNew ? 0xA5800000u : 0x5A000000u) | ((uint32_t(y) & 0x7FFu) << 12) |
         (uint32_t(x) & 0xFFFu);
}

inline uint32_t PixelAt(const gfx::Bitmap& b, int x, int y) {
  uint32_t v;
  std::memcpy(&v, b.ScanLine(y) + 4 * x, 4);
  return v;
}

inline void SetPixel(gfx::Bitmap& b, int x, int y, uint32_t v) {
  std::memcpy(b.ScanLine(y) + 4 * x, &v, 4);
}

inline void FillTagged(gfx::Bitmap& b, bool isNew) {
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) SetPixel(b, x, y, Tag(isNew, x, y));
}

inline void FillUniform(gfx::Bitmap& b, uint32_t v) {
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) SetPixel(b, x, y, v);
}

// A hash of the whole pixel memory, eight bytes at a time.
inline uint64_t Checksum(const gfx::Bitmap& b) {
  uint64_t h = 1469598103934665603ull;
  const uint8_t* p = b.Bits();
  const size_t n = size_t(b.Stride()) * b.Height();
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t w;
    std::memcpy(&w, p + i, 8);
    h = (h ^ w) * 1099511628211ull;
    h ^= h >> 29;
  }
  for (; i < n; ++i) h = (h ^ p[i]) * 1099511628211ull;
  return h;
}

// The two pictures of a transition and the frame an effect draws on.
struct EffectFrames {
  EffectFrames(int w, int h) : oldPic(w, h), newPic(w, h), display(w, h) {
    FillTagged(oldPic, false);
    FillTagged(newPic, true);
    Reset();
  }

  int W() const { return display.Width(); }
  int H() const { return display.Height(); }

  // The frame shows the old picture again, as the caller prepares it.
  void Reset() {
    std::memcpy(display.Bits(), oldPic.Bits(), size_t(oldPic.Stride()) * oldPic.Height());
  }

  // One frame with the given extents, drawn as the slideshow draws it.
  void Draw(effects::TEffectProc proc, int x, int y, int progress = 50) {
    Reset();
    display.GetCanvas().SetStretchMode(gfx::StretchMode::ColorOnColor);
    proc(display, newPic, W(), H(), x, y, progress);
  }

  // One frame with the extents the slideshow derives from progress.
  void DrawAt(effects::TEffectProc proc, int progress) {
    const effects::Extents e = effects::ProgressExtents(W(), H(), progress);
    Draw(proc, e.X, e.Y, progress);
  }

  gfx::Bitmap oldPic, newPic, display;
};

inline std::string Describe(uint32_t v) {
  std::ostringstream s;
  s << ((v & 0x800000u) ? "new(" : "old(") << (v & 0xFFFu) << "," << ((v >> 12) & 0x7FFu)
    << ")";
  if ((v & 0xFF000000u) != 0xA5000000u && (v & 0xFF000000u) != 0x5A000000u) s << "?";
  return s.str();
}

// Compares the frame with expected(x, y) and lists the first mismatches.
template <typename Expected>
::testing::AssertionResult FrameIs(const gfx::Bitmap& display, Expected expected) {
  std::ostringstream out;
  int bad = 0;
  for (int y = 0; y < display.Height(); ++y)
    for (int x = 0; x < display.Width(); ++x) {
      const uint32_t got = PixelAt(display, x, y), want = expected(x, y);
      if (got == want) continue;
      if (++bad <= 8)
        out << "\n  at (" << x << "," << y << ") got " << Describe(got) << " want "
            << Describe(want);
    }
  if (bad == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << bad << " pixels differ:" << out.str();
}

// Every pixel (x, y) shows new(cols[x], rows[y]), or the old picture's own
// pixel where either entry is -1.
inline ::testing::AssertionResult MatchesMap(const EffectFrames& f, const std::vector<int>& cols,
                                             const std::vector<int>& rows) {
  if (int(cols.size()) != f.W() || int(rows.size()) != f.H())
    return ::testing::AssertionFailure() << "expectation does not fit the frame";
  return FrameIs(f.display, [&](int x, int y) {
    return cols[x] < 0 || rows[y] < 0 ? Tag(false, x, y) : Tag(true, cols[x], rows[y]);
  });
}

// Columns only: each row shows the same row of its source.
inline ::testing::AssertionResult MatchesColumns(const EffectFrames& f,
                                                 const std::vector<int>& cols) {
  std::vector<int> rows(size_t(f.H()));
  for (int y = 0; y < f.H(); ++y) rows[size_t(y)] = y;
  return MatchesMap(f, cols, rows);
}

// One string per row, one token per pixel: ".." is the old picture's own
// pixel, two hex digits "xy" are the new picture's pixel (x, y).
inline ::testing::AssertionResult MatchesGrid(const EffectFrames& f,
                                              const std::vector<std::string>& grid) {
  if (int(grid.size()) != f.H()) return ::testing::AssertionFailure() << "grid height";
  std::vector<std::vector<uint32_t>> want;
  for (int y = 0; y < f.H(); ++y) {
    std::istringstream in(grid[size_t(y)]);
    std::vector<uint32_t> row;
    for (std::string t; in >> t;) {
      const int x = int(row.size());
      row.push_back(t == ".." ? Tag(false, x, y)
                              : Tag(true, std::stoi(t.substr(0, 1), nullptr, 16),
                                    std::stoi(t.substr(1, 1), nullptr, 16)));
    }
    if (int(row.size()) != f.W()) return ::testing::AssertionFailure() << "grid row " << y;
    want.push_back(row);
  }
  return FrameIs(f.display, [&](int x, int y) { return want[size_t(y)][size_t(x)]; });
}

// 0, 1, ..., n - 1
inline std::vector<int> Identity(int n) {
  std::vector<int> v(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) v[size_t(i)] = i;
  return v;
}

}  // namespace effect_test
