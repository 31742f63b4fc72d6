// Drawing surface of one bitmap: fills, block copies and colour-on-colour
// stretches, clipped to the bitmap and to an optional clip region.
#pragma once

#include <mutex>
#include <optional>
#include <vector>

#include "bitmap.h"
#include "region.h"

namespace gfx {

// Only colour-on-colour exists: stretches drop or repeat whole rows and
// columns, never average. The mode is kept because callers set it.
enum class StretchMode { BlackOnWhite = 1, WhiteOnBlack = 2, ColorOnColor = 3, Halftone = 4 };

class Canvas {
 public:
  explicit Canvas(Bitmap& owner) : owner_(owner) {}
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  // Re-entrant per-canvas lock.
  void Lock() { lock_.lock(); }
  void Unlock() { lock_.unlock(); }

  Bitmap& Owner() { return owner_; }

  // The bitmap's bounds limited by the clip region's bounds.
  Rect ClipRect() const;

  // Fills with the colour (palette index nearest to it for 8 bits) and
  // renews the bitmap's handle value.
  void FillRect(const Rect& r, Color color);

  // Plain copy of a w x h block of src at (sx, sy) to (dx, dy). Parts outside
  // either bitmap are skipped. src may be this canvas's own bitmap; the
  // result is always that of reading the whole source block first.
  // Formats: any format onto the same format, any format onto 32 bits.
  void CopyRect(int dx, int dy, int w, int h, const Bitmap& src, int sx, int sy);

  // Nearest-neighbour stretch of the sw x sh block at (sx, sy) onto dw x dh
  // at (dx, dy). A negative dw covers columns dx+dw+1 .. dx, mirrored (rows
  // likewise). Destination column i (0 = first of the block in its own
  // order) samples source column sx + (2i+1)*sw / (2*dw) (absolute values,
  // floor). Overlap with the source behaves as reading the source first.
  void StretchRect(int dx, int dy, int dw, int dh, const Bitmap& src, int sx, int sy, int sw,
                   int sh);
  // Whole of src into dest.
  void StretchDraw(const Rect& dest, const Bitmap& src);

  void SetStretchMode(StretchMode m) { stretchMode_ = m; }
  StretchMode GetStretchMode() const { return stretchMode_; }

  // The canvas keeps its own copy; nullptr selects no clip region.
  void SelectClipRegion(const Region* r);
  // Removes r from the clip area (the whole bitmap when none is selected).
  void ExcludeClipRect(const Rect& r);
  bool HasClipRegion() const { return clip_.has_value(); }
  const Region* ClipRegion() const { return clip_ ? &*clip_ : nullptr; }

 private:
  Bitmap& owner_;
  std::recursive_mutex lock_;
  std::optional<Region> clip_;
  StretchMode stretchMode_ = StretchMode::BlackOnWhite;
  // Kept between calls so that drawing a frame allocates nothing once warm.
  std::vector<uint8_t> scratch_;  // source block snapshot for copies within one bitmap
  std::vector<int> colOffsets_;   // stretch: source byte offset per destination column
  std::vector<int> rowMap_;       // stretch: source row per destination row
};

// Holds a canvas lock for a scope.
class CanvasLock {
 public:
  explicit CanvasLock(Canvas& c) : c_(c) { c_.Lock(); }
  ~CanvasLock() { c_.Unlock(); }
  CanvasLock(const CanvasLock&) = delete;
  CanvasLock& operator=(const CanvasLock&) = delete;

 private:
  Canvas& c_;
};

}  // namespace gfx
