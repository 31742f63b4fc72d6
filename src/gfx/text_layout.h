// Text set into lines: UTF-8 decoded, split into runs of one direction,
// script and font, shaped with HarfBuzz, ordered for display with fribidi,
// and wrapped to a width. The result is glyphs at pen positions; drawing
// them is text_raster's job.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "font_library.h"

namespace gfx {

struct PlacedGlyph {
  FontFace* font = nullptr;
  uint32_t glyph = 0;
  double x = 0;  // pen position from the line's left end, pixels
  double y = 0;  // from the baseline, down is positive
};

struct TextLine {
  std::vector<PlacedGlyph> glyphs;  // in display order, left to right
  double width = 0;
};

struct TextBlock {
  std::vector<TextLine> lines;
  double ascent = 0;      // baseline of the first line below the block's top
  double lineHeight = 0;  // baseline to baseline
  double Height() const { return lines.empty() ? 0 : lineHeight * double(lines.size()); }
  double Width() const;
};

// Longest text taken; more is cut at a character boundary.
constexpr size_t kMaxTextCodepoints = 4000;

// UTF-8 to code points; a malformed sequence becomes U+FFFD, so untrusted
// text never stops the drawing.
std::u32string DecodeUtf8(std::string_view text);

// Sets `text` in `font` (characters it lacks come from a fallback font of
// the system), breaking lines at spaces, between ideographs, at "\n", and
// inside a word only when the word alone is wider than maxWidth.
TextBlock LayOutText(FontLibrary& fonts, FontFace& font, int pixelSize, std::string_view text,
                     double maxWidth);

}  // namespace gfx
