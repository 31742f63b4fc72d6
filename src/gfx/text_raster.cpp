#include "text_raster.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_GLYPH_H
#include FT_STROKER_H

#include <algorithm>
#include <cmath>

namespace gfx {

namespace {

struct GlyphOwner {
  FT_Glyph g = nullptr;
  ~GlyphOwner() {
    if (g) FT_Done_Glyph(g);
  }
};
struct StrokerOwner {
  FT_Stroker s = nullptr;
  ~StrokerOwner() {
    if (s) FT_Stroker_Done(s);
  }
};

// Renders the glyph with its origin at (x, y) and keeps the larger coverage.
void Stamp(FT_Glyph& glyph, double x, double y, int width, int height, std::vector<uint8_t>& mask) {
  const double fx = std::floor(x), fy = std::floor(y);
  FT_Vector origin{FT_Pos(std::lround((x - fx) * 64)), FT_Pos(-std::lround((y - fy) * 64))};
  if (FT_Glyph_To_Bitmap(&glyph, FT_RENDER_MODE_NORMAL, &origin, 1) != 0) return;
  const auto* bg = reinterpret_cast<FT_BitmapGlyph>(glyph);
  const FT_Bitmap& b = bg->bitmap;
  if (b.pixel_mode != FT_PIXEL_MODE_GRAY) return;
  const int left = int(fx) + bg->left, top = int(fy) - bg->top;
  for (unsigned r = 0; r < b.rows; ++r) {
    const int ty = top + int(r);
    if (ty < 0 || ty >= height) continue;
    const uint8_t* src = b.buffer + long(r) * b.pitch;
    uint8_t* dst = &mask[size_t(ty) * size_t(width)];
    for (unsigned c = 0; c < b.width; ++c) {
      const int tx = left + int(c);
      if (tx >= 0 && tx < width) dst[tx] = std::max(dst[tx], src[c]);
    }
  }
}

inline uint32_t Over(uint32_t under, uint32_t colour, unsigned alpha) {
  // Premultiplied "over": the layer's alpha covers that share of what is under.
  uint32_t out = 0;
  for (int s = 0; s < 32; s += 8) {
    const unsigned top = s == 24 ? alpha : ((colour >> s & 255) * alpha + 127) / 255;
    const unsigned below = under >> s & 255;
    out |= uint32_t(top + (below * (255 - alpha) + 127) / 255) << s;
  }
  return out;
}

}  // namespace

TextMasks RasterizeText(const TextBlock& block, double outlineWidth, int pad) {
  TextMasks m;
  m.width = int(std::ceil(block.Width())) + 2 * pad;
  m.height = int(std::ceil(block.Height())) + 2 * pad;
  m.fill.assign(size_t(m.width) * size_t(m.height), 0);
  if (outlineWidth > 0) m.outline.assign(m.fill.size(), 0);
  const double blockWidth = block.Width();
  StrokerOwner stroker;
  for (size_t i = 0; i < block.lines.size(); ++i) {
    const TextLine& line = block.lines[i];
    const double left = pad + (blockWidth - line.width) / 2;
    const double baseline = pad + block.ascent + double(i) * block.lineHeight;
    for (const PlacedGlyph& g : line.glyphs) {
      FT_Face face = g.font->face;
      if (FT_Load_Glyph(face, g.glyph, FT_LOAD_NO_BITMAP) != 0) continue;
      if (face->glyph->format != FT_GLYPH_FORMAT_OUTLINE) continue;
      GlyphOwner ink;
      if (FT_Get_Glyph(face->glyph, &ink.g) != 0) continue;
      if (!m.outline.empty()) {
        if (!stroker.s && FT_Stroker_New(face->glyph->library, &stroker.s) != 0) stroker.s = nullptr;
        GlyphOwner grown;
        if (stroker.s && FT_Glyph_Copy(ink.g, &grown.g) == 0) {
          FT_Stroker_Set(stroker.s, FT_Fixed(std::lround(outlineWidth * 64)), FT_STROKER_LINECAP_ROUND,
                         FT_STROKER_LINEJOIN_ROUND, 0);
          if (FT_Glyph_StrokeBorder(&grown.g, stroker.s, 0, 1) == 0)
            Stamp(grown.g, left + g.x, baseline + g.y, m.width, m.height, m.outline);
        }
      }
      Stamp(ink.g, left + g.x, baseline + g.y, m.width, m.height, m.fill);
    }
  }
  return m;
}

void PaintText(const TextMasks& masks, const TextPaint& paint, Bitmap& overlay) {
  overlay.SetPixelFormat(PixelFormat::pf32bit);
  overlay.SetSize(masks.width, masks.height);
  const int shift = int(std::lround(paint.shadowOffset));
  const auto at = [&](const std::vector<uint8_t>& mask, int x, int y) -> unsigned {
    if (mask.empty() || x < 0 || y < 0 || x >= masks.width || y >= masks.height) return 0;
    return mask[size_t(y) * size_t(masks.width) + size_t(x)];
  };
  for (int y = 0; y < masks.height; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(overlay.ScanLine(y));
    for (int x = 0; x < masks.width; ++x) {
      uint32_t p = 0;
      if (shift > 0) {
        const unsigned s = std::max(at(masks.fill, x - shift, y - shift), at(masks.outline, x - shift, y - shift));
        p = Over(p, paint.shadow, (s * unsigned(paint.shadowOpacity) + 127) / 255);
      }
      p = Over(p, paint.outline, std::max(at(masks.outline, x, y), at(masks.fill, x, y)) *
                                     (masks.outline.empty() ? 0 : 1));
      row[x] = Over(p, paint.fill, at(masks.fill, x, y));
    }
  }
}

void BlendOverlay(Bitmap& frame, const Bitmap& overlay, int x, int y, int opacity) {
  if (opacity <= 0) return;
  opacity = std::min(opacity, 256);
  const int x0 = std::max(0, x), x1 = std::min(frame.Width(), x + overlay.Width());
  const int y0 = std::max(0, y), y1 = std::min(frame.Height(), y + overlay.Height());
  for (int ty = y0; ty < y1; ++ty) {
    const auto* src = reinterpret_cast<const uint32_t*>(overlay.ScanLine(ty - y)) + (x0 - x);
    auto* dst = reinterpret_cast<uint32_t*>(frame.ScanLine(ty)) + x0;
    for (int tx = 0; tx < x1 - x0; ++tx) {
      const uint32_t s = src[tx];
      const unsigned a = ((s >> 24) * unsigned(opacity)) >> 8;
      if (a == 0) continue;
      uint32_t out = 0;
      for (int c = 0; c < 24; c += 8) {
        const unsigned top = ((s >> c & 255) * unsigned(opacity)) >> 8;
        out |= std::min(255u, top + ((dst[tx] >> c & 255) * (255 - a) + 127) / 255) << c;
      }
      dst[tx] = out;
    }
  }
}

}  // namespace gfx
