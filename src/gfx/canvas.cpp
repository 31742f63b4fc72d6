#include "canvas.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

#include "row_copy.h"

namespace gfx {

namespace {

using gfx::CopyBytes;

int BytesPerPixel(PixelFormat f) { return BitsPerPixel(f) / 8; }

// A full 256-entry copy, so a palette that was shrunk or never filled cannot
// be read out of range; missing entries are black.
using PaletteTable = std::array<Color, 256>;

void LoadPalette(const Bitmap& b, PaletteTable& table) {
  table.fill(clBlack);
  if (b.Format() != PixelFormat::pf8bit) return;
  const auto& p = b.Palette();
  std::copy_n(p.begin(), std::min<size_t>(p.size(), table.size()), table.begin());
}

inline uint32_t Expand5(uint32_t v) { return (v << 3) | (v >> 2); }
inline uint32_t Expand6(uint32_t v) { return (v << 2) | (v >> 4); }

inline Color MakeColor(uint32_t r, uint32_t g, uint32_t b) { return (r << 16) | (g << 8) | b; }

inline Color ReadPixel(const uint8_t* p, PixelFormat f, const PaletteTable& pal) {
  switch (f) {
    case PixelFormat::pf8bit: return pal[*p] & 0xFFFFFF;
    case PixelFormat::pf15bit: {
      const uint32_t v = p[0] | (p[1] << 8);
      return MakeColor(Expand5((v >> 10) & 31), Expand5((v >> 5) & 31), Expand5(v & 31));
    }
    case PixelFormat::pf16bit: {
      const uint32_t v = p[0] | (p[1] << 8);
      return MakeColor(Expand5((v >> 11) & 31), Expand6((v >> 5) & 63), Expand5(v & 31));
    }
    case PixelFormat::pf24bit:
    case PixelFormat::pf32bit: return MakeColor(p[2], p[1], p[0]);
  }
  return clBlack;
}

int NearestIndex(const PaletteTable& pal, Color c) {
  const int r = (c >> 16) & 255, g = (c >> 8) & 255, b = c & 255;
  int best = 0;
  int bestDist = std::numeric_limits<int>::max();
  for (int i = 0; i < 256; ++i) {
    const int dr = int((pal[i] >> 16) & 255) - r;
    const int dg = int((pal[i] >> 8) & 255) - g;
    const int db = int(pal[i] & 255) - b;
    const int d = dr * dr + dg * dg + db * db;
    if (d < bestDist) {
      bestDist = d;
      best = i;
      if (d == 0) break;
    }
  }
  return best;
}

// Writes colours in one pixel format; remembers the last palette match
// because neighbouring pixels usually share a colour.
class PixelWriter {
 public:
  PixelWriter(PixelFormat f, const PaletteTable& pal) : format_(f), pal_(pal) {}

  void Write(uint8_t* p, Color c) {
    const uint32_t r = (c >> 16) & 255, g = (c >> 8) & 255, b = c & 255;
    switch (format_) {
      case PixelFormat::pf8bit:
        if (!haveLast_ || c != lastColor_) {
          lastColor_ = c;
          lastIndex_ = uint8_t(NearestIndex(pal_, c));
          haveLast_ = true;
        }
        *p = lastIndex_;
        break;
      case PixelFormat::pf15bit: {
        const uint32_t v = ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
        p[0] = uint8_t(v);
        p[1] = uint8_t(v >> 8);
        break;
      }
      case PixelFormat::pf16bit: {
        const uint32_t v = ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
        p[0] = uint8_t(v);
        p[1] = uint8_t(v >> 8);
        break;
      }
      case PixelFormat::pf24bit:
        p[0] = uint8_t(b);
        p[1] = uint8_t(g);
        p[2] = uint8_t(r);
        break;
      case PixelFormat::pf32bit:
        p[0] = uint8_t(b);
        p[1] = uint8_t(g);
        p[2] = uint8_t(r);
        p[3] = 0;
        break;
    }
  }

 private:
  PixelFormat format_;
  const PaletteTable& pal_;
  Color lastColor_ = 0;
  uint8_t lastIndex_ = 0;
  bool haveLast_ = false;
};

// How source pixels reach the destination.
enum class Transfer {
  Raw32,   // whole 32-bit pixels, fourth byte included
  Raw,     // same stored format: bytes as they are
  To32,    // any format expanded onto 32 bits
  Convert  // through a colour value (slow, for odd pairings)
};

Transfer ChooseTransfer(PixelFormat from, PixelFormat to, const PaletteTable& fromPal,
                        const PaletteTable& toPal) {
  if (from == to) {
    if (to == PixelFormat::pf32bit) return Transfer::Raw32;
    // Indices only mean the same colours under the same palette.
    if (to != PixelFormat::pf8bit || fromPal == toPal) return Transfer::Raw;
  }
  return to == PixelFormat::pf32bit ? Transfer::To32 : Transfer::Convert;
}

// Where the source pixels are read from: the bitmap itself, or a snapshot of
// the needed block when source and destination are the same bitmap.
struct SourceView {
  const uint8_t* row0 = nullptr;  // address of row y0, column x0
  ptrdiff_t pitch = 0;            // bytes from one row to the row below it
  int x0 = 0;
  int y0 = 0;
  int bpp = 4;
  PixelFormat format = PixelFormat::pf32bit;

  const uint8_t* Row(int y) const { return row0 + ptrdiff_t(y - y0) * pitch; }
  const uint8_t* At(int x, int y) const { return Row(y) + ptrdiff_t(x - x0) * bpp; }
};

SourceView ViewOf(const Bitmap& b) {
  SourceView v;
  v.row0 = b.ScanLine(0);
  v.pitch = -ptrdiff_t(b.Stride());
  v.bpp = BytesPerPixel(b.Format());
  v.format = b.Format();
  return v;
}

// Copies the block of b into buf and returns a view of the copy.
SourceView Snapshot(const Bitmap& b, const Rect& block, std::vector<uint8_t>& buf) {
  SourceView v;
  v.bpp = BytesPerPixel(b.Format());
  v.format = b.Format();
  v.x0 = block.Left;
  v.y0 = block.Top;
  v.pitch = ptrdiff_t(block.Width()) * v.bpp;
  const size_t need = size_t(v.pitch) * size_t(block.Height());
  if (buf.size() < need) buf.resize(need);
  for (int y = block.Top; y < block.Bottom; ++y)
    CopyBytes(buf.data() + size_t(y - block.Top) * size_t(v.pitch),
              b.ScanLine(y) + ptrdiff_t(block.Left) * v.bpp, size_t(v.pitch));
  v.row0 = buf.data();
  return v;
}

// Calls fn for every part of block that the clip region lets through.
// Rectangles are ordered by band, so their bottoms never decrease.
template <class Fn>
void ForEachClipPiece(const std::optional<Region>& clip, const Rect& block, Fn&& fn) {
  if (block.IsEmpty()) return;
  if (!clip) {
    fn(block);
    return;
  }
  const auto& rs = clip->Rects();
  auto it = std::partition_point(rs.begin(), rs.end(),
                                 [&](const Rect& r) { return r.Bottom <= block.Top; });
  for (; it != rs.end() && it->Top < block.Bottom; ++it) {
    const Rect piece = Intersect(*it, block);
    if (!piece.IsEmpty()) fn(piece);
  }
}

Rect ClampToInt(int64_t l, int64_t t, int64_t r, int64_t b) {
  // Callers have already limited these to a bitmap's bounds where it matters.
  const auto c = [](int64_t v) {
    return int(std::clamp<int64_t>(v, std::numeric_limits<int>::min(),
                                   std::numeric_limits<int>::max()));
  };
  return {c(l), c(t), c(r), c(b)};
}

void CopyRow(Transfer t, const uint8_t* s, uint8_t* d, int n, int sbpp, PixelFormat from,
             PixelFormat to, const PaletteTable& fromPal, PixelWriter& writer) {
  switch (t) {
    case Transfer::Raw32:
    case Transfer::Raw: CopyBytes(d, s, size_t(n) * sbpp); return;
    case Transfer::To32:
      for (int i = 0; i < n; ++i, s += sbpp, d += 4) {
        const Color c = ReadPixel(s, from, fromPal);
        std::memcpy(d, &c, 4);
      }
      return;
    case Transfer::Convert:
      for (int i = 0; i < n; ++i, s += sbpp) writer.Write(d + ptrdiff_t(i) * BytesPerPixel(to),
                                                          ReadPixel(s, from, fromPal));
      return;
  }
}

void StretchRowPixels(Transfer t, const uint8_t* s, uint8_t* d, const int* offsets, int n,
                      int sbpp, int dbpp, PixelFormat from, const PaletteTable& fromPal,
                      PixelWriter& writer) {
  switch (t) {
    case Transfer::Raw32: {
      // The hot path; four at a time lets the loads run ahead of the stores.
      int i = 0;
      for (; i + 4 <= n; i += 4) {
        uint32_t p0, p1, p2, p3;
        std::memcpy(&p0, s + offsets[i], 4);
        std::memcpy(&p1, s + offsets[i + 1], 4);
        std::memcpy(&p2, s + offsets[i + 2], 4);
        std::memcpy(&p3, s + offsets[i + 3], 4);
        std::memcpy(d + ptrdiff_t(i) * 4, &p0, 4);
        std::memcpy(d + ptrdiff_t(i) * 4 + 4, &p1, 4);
        std::memcpy(d + ptrdiff_t(i) * 4 + 8, &p2, 4);
        std::memcpy(d + ptrdiff_t(i) * 4 + 12, &p3, 4);
      }
      for (; i < n; ++i) std::memcpy(d + ptrdiff_t(i) * 4, s + offsets[i], 4);
      return;
    }
    case Transfer::Raw:
      // Fixed sizes so each pixel is a plain load and store.
      if (sbpp == 1)
        for (int i = 0; i < n; ++i) d[i] = s[offsets[i]];
      else if (sbpp == 2)
        for (int i = 0; i < n; ++i) std::memcpy(d + ptrdiff_t(i) * 2, s + offsets[i], 2);
      else
        for (int i = 0; i < n; ++i) std::memcpy(d + ptrdiff_t(i) * 3, s + offsets[i], 3);
      return;
    case Transfer::To32:
      for (int i = 0; i < n; ++i) {
        const Color c = ReadPixel(s + offsets[i], from, fromPal);
        std::memcpy(d + ptrdiff_t(i) * 4, &c, 4);
      }
      return;
    case Transfer::Convert:
      for (int i = 0; i < n; ++i)
        writer.Write(d + ptrdiff_t(i) * dbpp, ReadPixel(s + offsets[i], from, fromPal));
      return;
  }
}

// Maps destination positions of one axis of a stretch to source positions.
// The destination block runs from `d` over `dn` positions (mirrored when dn is
// negative); position i of the block reads source position
// s +- floor((2i+1)|sn| / (2|dn|)), the sign following sn. Only positions in
// [0, dLimit) whose source lies in [0, sLimit) are kept; as the mapping is
// monotonic they form one run [first, last).
struct AxisMap {
  int first = 0;
  int last = 0;
};

AxisMap MapAxis(int d, int dn, int s, int sn, int dLimit, int sLimit, std::vector<int>& out) {
  const int64_t adn = dn < 0 ? -int64_t(dn) : dn;
  const int64_t asn = sn < 0 ? -int64_t(sn) : sn;
  const int64_t lo = dn > 0 ? int64_t(d) : int64_t(d) + dn + 1;  // inclusive
  const int64_t hi = dn > 0 ? int64_t(d) + dn : int64_t(d) + 1;  // exclusive
  const int64_t a = std::max<int64_t>(lo, 0);
  const int64_t b = std::min<int64_t>(hi, dLimit);
  AxisMap m;
  if (a >= b) return m;
  out.resize(size_t(b - a));
  int64_t firstValid = b, lastValid = a;  // [firstValid, lastValid)
  for (int64_t x = a; x < b; ++x) {
    const int64_t i = dn > 0 ? x - d : int64_t(d) - x;
    // 128 bits only when a block starting far outside the bitmap needs them.
    const int64_t odd = 2 * i + 1;
    const int64_t step = odd <= std::numeric_limits<int64_t>::max() / asn
                             ? odd * asn / (2 * adn)
                             : int64_t((__int128(odd) * asn) / (2 * adn));
    const int64_t src = sn > 0 ? s + step : s - step;
    if (src >= 0 && src < sLimit) {
      firstValid = std::min(firstValid, x);
      lastValid = x + 1;
      out[size_t(x - a)] = int(src);
    }
  }
  if (firstValid >= lastValid) return m;
  // Shift the kept run to the front so entry 0 belongs to column `first`.
  if (firstValid > a)
    std::copy(out.begin() + (firstValid - a), out.begin() + (lastValid - a), out.begin());
  m.first = int(firstValid);
  m.last = int(lastValid);
  return m;
}

// For a stretch within one bitmap: +1 when going down the destination rows
// never reads a row already written, -1 when going up does, 0 when neither.
// map[k] is the source row of destination row first + k.
int SafeRowOrder(const std::vector<int>& map, int first, int last) {
  bool down = true, up = true;
  for (int y = first; y < last && (down || up); ++y) {
    const int r = map[size_t(y - first)];
    if (r >= first && r < y) down = false;
    if (r > y && r < last) up = false;
  }
  return down ? 1 : up ? -1 : 0;
}

}  // namespace

Rect Canvas::ClipRect() const {
  const Rect bounds = owner_.Bounds();
  if (!clip_) return bounds;
  return Intersect(bounds, clip_->Bounds());
}

void Canvas::FillRect(const Rect& r, Color color) {
  CanvasLock guard(*this);
  Bitmap& bmp = owner_;
  // The content counts as replaced even when nothing visible was filled.
  bmp.RenewHandle();
  const Rect block = Intersect(r, bmp.Bounds());
  if (block.IsEmpty()) return;

  PaletteTable pal;
  LoadPalette(bmp, pal);
  PixelWriter writer(bmp.Format(), pal);
  const int bpp = BytesPerPixel(bmp.Format());
  uint8_t pixel[4] = {};
  writer.Write(pixel, color & 0xFFFFFF);
  uint32_t pixel32;
  std::memcpy(&pixel32, pixel, 4);

  ForEachClipPiece(clip_, block, [&](const Rect& piece) {
    for (int y = piece.Top; y < piece.Bottom; ++y) {
      uint8_t* d = bmp.ScanLine(y) + ptrdiff_t(piece.Left) * bpp;
      const int n = piece.Width();
      if (bpp == 4) {
        for (int i = 0; i < n; ++i) std::memcpy(d + ptrdiff_t(i) * 4, &pixel32, 4);
      } else if (bpp == 1) {
        std::memset(d, pixel[0], size_t(n));
      } else {
        for (int i = 0; i < n; ++i) std::memcpy(d + ptrdiff_t(i) * bpp, pixel, size_t(bpp));
      }
    }
  });
}

void Canvas::CopyRect(int dx, int dy, int w, int h, const Bitmap& src, int sx, int sy) {
  if (w <= 0 || h <= 0) return;
  CanvasLock guard(*this);
  Bitmap& dst = owner_;
  // Destination block, limited to the destination and to the source bitmap
  // as seen from the destination.
  const int64_t ox = int64_t(sx) - dx, oy = int64_t(sy) - dy;  // source minus destination
  const int64_t l = std::max<int64_t>({dx, 0, -ox});
  const int64_t t = std::max<int64_t>({dy, 0, -oy});
  const int64_t r = std::min<int64_t>({int64_t(dx) + w, dst.Width(), src.Width() - ox});
  const int64_t b = std::min<int64_t>({int64_t(dy) + h, dst.Height(), src.Height() - oy});
  if (l >= r || t >= b) return;
  const Rect block = ClampToInt(l, t, r, b);
  const int offX = int(ox), offY = int(oy);  // fit: both ends lie inside a bitmap
  const bool same = &src == &dst;

  if (same && !clip_) {
    // One rectangle within one bitmap: move rows in an order that reads
    // every row before it is overwritten; memmove handles a row moved sideways.
    const int bpp = BytesPerPixel(dst.Format());
    const size_t bytes = size_t(block.Width()) * bpp;
    const bool bottomFirst = offY < 0;  // rows move down: start at the bottom
    for (int k = 0; k < block.Height(); ++k) {
      const int y = bottomFirst ? block.Bottom - 1 - k : block.Top + k;
      uint8_t* d = dst.ScanLine(y) + ptrdiff_t(block.Left) * bpp;
      const uint8_t* s = dst.ScanLine(y + offY) + ptrdiff_t(block.Left + offX) * bpp;
      if (offY != 0)
        CopyBytes(d, s, bytes);  // distinct rows never share bytes
      else
        std::memmove(d, s, bytes);
    }
    return;
  }

  PaletteTable fromPal, toPal;
  LoadPalette(src, fromPal);
  LoadPalette(dst, toPal);
  const Transfer transfer = ChooseTransfer(src.Format(), dst.Format(), fromPal, toPal);
  PixelWriter writer(dst.Format(), toPal);
  const Rect srcBlock{block.Left + offX, block.Top + offY, block.Right + offX,
                      block.Bottom + offY};
  // Several clip pieces within one bitmap could read what an earlier piece
  // wrote, so they read from a snapshot instead.
  const SourceView view = same ? Snapshot(src, srcBlock, scratch_) : ViewOf(src);
  const int dbpp = BytesPerPixel(dst.Format());

  ForEachClipPiece(clip_, block, [&](const Rect& piece) {
    for (int y = piece.Top; y < piece.Bottom; ++y)
      CopyRow(transfer, view.At(piece.Left + offX, y + offY),
              dst.ScanLine(y) + ptrdiff_t(piece.Left) * dbpp, piece.Width(), view.bpp,
              src.Format(), dst.Format(), fromPal, writer);
  });
}

void Canvas::StretchRect(int dx, int dy, int dw, int dh, const Bitmap& src, int sx, int sy,
                         int sw, int sh) {
  if (dw == 0 || dh == 0 || sw == 0 || sh == 0) return;
  CanvasLock guard(*this);
  Bitmap& dst = owner_;
  const bool same = &src == &dst;
  const int sbpp = BytesPerPixel(src.Format());

  // Rows first: the source rows in use decide what a snapshot must hold.
  const AxisMap rows = MapAxis(dy, dh, sy, sh, dst.Height(), src.Height(), rowMap_);
  if (rows.first >= rows.last) return;
  const AxisMap cols = MapAxis(dx, dw, sx, sw, dst.Width(), src.Width(), colOffsets_);
  if (cols.first >= cols.last) return;
  const int nRows = rows.last - rows.first, nCols = cols.last - cols.first;

  const auto [r0, r1] = std::minmax_element(rowMap_.begin(), rowMap_.begin() + nRows);
  const auto [c0, c1] = std::minmax_element(colOffsets_.begin(), colOffsets_.begin() + nCols);
  const Rect srcBlock{*c0, *r0, *c1 + 1, *r1 + 1};
  // Within one bitmap and without clipping, rows can often be done in an
  // order that writes no row before it has been read; then one source row
  // at a time is buffered instead of the whole block.
  const int order = same && !clip_ ? SafeRowOrder(rowMap_, rows.first, rows.last) : 0;
  SourceView view = ViewOf(src);
  if (order != 0) {
    view = Snapshot(src, Rect{srcBlock.Left, 0, srcBlock.Right, 1}, scratch_);
    view.pitch = 0;  // every row is read from the one buffered row
  } else if (same) {
    view = Snapshot(src, srcBlock, scratch_);  // read the whole source block first
  }
  for (int i = 0; i < nCols; ++i) colOffsets_[size_t(i)] = (colOffsets_[size_t(i)] - view.x0) * sbpp;

  PaletteTable fromPal, toPal;
  LoadPalette(src, fromPal);
  LoadPalette(dst, toPal);
  const Transfer transfer = ChooseTransfer(src.Format(), dst.Format(), fromPal, toPal);
  PixelWriter writer(dst.Format(), toPal);
  const int dbpp = BytesPerPixel(dst.Format());
  const Rect block{cols.first, rows.first, cols.last, rows.last};

  if (order != 0) {
    const size_t srcBytes = size_t(srcBlock.Width()) * sbpp;
    const size_t rowBytes = size_t(nCols) * dbpp;
    int prevY = -1, prevSrc = -1;
    for (int k = 0; k < nRows; ++k) {
      const int y = order > 0 ? rows.first + k : rows.last - 1 - k;
      const int srcRow = rowMap_[size_t(y - rows.first)];
      uint8_t* d = dst.ScanLine(y) + ptrdiff_t(cols.first) * dbpp;
      if (srcRow == prevSrc) {
        CopyBytes(d, dst.ScanLine(prevY) + ptrdiff_t(cols.first) * dbpp, rowBytes);
      } else {
        CopyBytes(scratch_.data(), src.ScanLine(srcRow) + ptrdiff_t(srcBlock.Left) * sbpp,
                  srcBytes);
        StretchRowPixels(transfer, scratch_.data(), d, colOffsets_.data(), nCols, sbpp, dbpp,
                         src.Format(), fromPal, writer);
      }
      prevY = y;
      prevSrc = srcRow;
    }
    return;
  }

  ForEachClipPiece(clip_, block, [&](const Rect& piece) {
    const int* offsets = colOffsets_.data() + (piece.Left - cols.first);
    const size_t rowBytes = size_t(piece.Width()) * dbpp;
    for (int y = piece.Top; y < piece.Bottom; ++y) {
      const int srcRow = rowMap_[size_t(y - rows.first)];
      uint8_t* d = dst.ScanLine(y) + ptrdiff_t(piece.Left) * dbpp;
      if (y > piece.Top && rowMap_[size_t(y - 1 - rows.first)] == srcRow) {
        // A repeated source row: the row above already holds the result.
        CopyBytes(d, dst.ScanLine(y - 1) + ptrdiff_t(piece.Left) * dbpp, rowBytes);
        continue;
      }
      StretchRowPixels(transfer, view.Row(srcRow), d, offsets, piece.Width(), sbpp, dbpp,
                       src.Format(), fromPal, writer);
    }
  });
}

void Canvas::StretchDraw(const Rect& dest, const Bitmap& src) {
  StretchRect(dest.Left, dest.Top, dest.Right - dest.Left, dest.Bottom - dest.Top, src, 0, 0,
              src.Width(), src.Height());
}

void Canvas::SelectClipRegion(const Region* r) {
  CanvasLock guard(*this);
  if (r)
    clip_ = *r;
  else
    clip_.reset();
}

void Canvas::ExcludeClipRect(const Rect& r) {
  CanvasLock guard(*this);
  const Region current = clip_ ? *clip_ : Region::FromRect(owner_.Bounds());
  clip_ = Region::Combine(current, Region::FromRect(r), CombineMode::Diff);
}

}  // namespace gfx
