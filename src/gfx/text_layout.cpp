#include "text_layout.h"

#include <fribidi.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <hb.h>

#include <algorithm>
#include <memory>

namespace gfx {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

struct BufferOwner {
  hb_buffer_t* b;
  ~BufferOwner() { hb_buffer_destroy(b); }
};

bool IsSpace(char32_t c) { return c == ' ' || c == 0x3000; }

// Ideographs and kana may break anywhere.
bool IsIdeographic(char32_t c) {
  return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0xFF00 && c <= 0xFFEF) || (c >= 0x20000 && c <= 0x3FFFF);
}

bool IsNeutralScript(hb_script_t s) {
  return s == HB_SCRIPT_COMMON || s == HB_SCRIPT_INHERITED || s == HB_SCRIPT_UNKNOWN;
}

// A stretch of one direction, script and font, in logical order.
struct Run {
  size_t start = 0, end = 0;
  FriBidiLevel level = 0;
  hb_script_t script = HB_SCRIPT_COMMON;
  FontFace* font = nullptr;
};

// One paragraph being set: its characters, their bidi levels and fonts.
class ParagraphSetter {
 public:
  ParagraphSetter(FontLibrary& fonts, FontFace& font, int pixelSize, std::u32string text)
      : fonts_(fonts), font_(font), size_(pixelSize), text_(std::move(text)) {
    const auto n = FriBidiStrIndex(text_.size());
    std::vector<FriBidiCharType> types(text_.size());
    std::vector<FriBidiBracketType> brackets(text_.size());
    levels_.assign(text_.size(), 0);
    const auto* chars = reinterpret_cast<const FriBidiChar*>(text_.data());
    fribidi_get_bidi_types(chars, n, types.data());
    fribidi_get_bracket_types(chars, n, types.data(), brackets.data());
    FriBidiParType base = FRIBIDI_PAR_ON;  // from the first strong character
    if (n > 0 && fribidi_get_par_embedding_levels_ex(types.data(), brackets.data(), n, &base,
                                                     levels_.data()) == 0)
      std::fill(levels_.begin(), levels_.end(), 0);
    hb_unicode_funcs_t* unicode = hb_unicode_funcs_get_default();
    scripts_.resize(text_.size());
    faces_.resize(text_.size());
    for (size_t i = 0; i < text_.size(); ++i) {
      scripts_[i] = hb_unicode_script(unicode, text_[i]);
      FontFace* f = &font_;
      if (!f->Covers(text_[i]) && !IsSpace(text_[i]))
        if (FontFace* other = fonts_.FallbackFor(text_[i], font_.family, size_)) f = other;
      faces_[i] = f;
    }
  }

  size_t Size() const { return text_.size(); }
  const std::u32string& Text() const { return text_; }

  // Characters [from, to) as one display line.
  TextLine Set(size_t from, size_t to) {
    std::vector<Run> runs = Itemize(from, to);
    ReorderForDisplay(runs);
    TextLine line;
    double pen = 0;
    for (const Run& r : runs) Shape(r, pen, line.glyphs);
    line.width = pen;
    return line;
  }

 private:
  std::vector<Run> Itemize(size_t from, size_t to) const {
    std::vector<Run> runs;
    for (size_t i = from; i < to; ++i) {
      const hb_script_t s = scripts_[i];
      // Spaces and punctuation stay in the run around them when its font has them.
      const bool neutral = IsNeutralScript(s);
      if (!runs.empty()) {
        Run& r = runs.back();
        const bool sameFont = faces_[i] == r.font || (neutral && r.font->Covers(text_[i]));
        if (levels_[i] == r.level && sameFont &&
            (neutral || s == r.script || IsNeutralScript(r.script))) {
          if (IsNeutralScript(r.script)) r.script = s;
          r.end = i + 1;
          continue;
        }
      }
      runs.push_back({i, i + 1, levels_[i], s, faces_[i]});
    }
    return runs;
  }

  // Reverses every stretch of runs at or above each odd level, highest first.
  static void ReorderForDisplay(std::vector<Run>& runs) {
    if (runs.empty()) return;
    int highest = 0, lowestOdd = 255;
    for (const Run& r : runs) {
      highest = std::max(highest, int(r.level));
      if (r.level % 2) lowestOdd = std::min(lowestOdd, int(r.level));
    }
    for (int level = highest; level >= lowestOdd && level > 0; --level) {
      for (size_t i = 0; i < runs.size();) {
        if (runs[i].level < level) {
          ++i;
          continue;
        }
        size_t j = i;
        while (j < runs.size() && runs[j].level >= level) ++j;
        std::reverse(runs.begin() + long(i), runs.begin() + long(j));
        i = j;
      }
    }
  }

  void Shape(const Run& r, double& pen, std::vector<PlacedGlyph>& out) const {
    BufferOwner buffer{hb_buffer_create()};
    // The whole paragraph goes in as context, so joining forms see their neighbours.
    hb_buffer_add_utf32(buffer.b, reinterpret_cast<const uint32_t*>(text_.data()), int(text_.size()),
                        unsigned(r.start), int(r.end - r.start));
    hb_buffer_set_direction(buffer.b, r.level % 2 ? HB_DIRECTION_RTL : HB_DIRECTION_LTR);
    hb_buffer_set_script(buffer.b, r.script);
    hb_buffer_set_language(buffer.b, hb_language_get_default());
    hb_shape(r.font->shaper, buffer.b, nullptr, 0);
    unsigned count = 0;
    const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buffer.b, &count);
    const hb_glyph_position_t* pos = hb_buffer_get_glyph_positions(buffer.b, &count);
    for (unsigned g = 0; g < count; ++g) {
      out.push_back({r.font, info[g].codepoint, pen + pos[g].x_offset / 64.0, -pos[g].y_offset / 64.0});
      pen += pos[g].x_advance / 64.0;
    }
  }

  FontLibrary& fonts_;
  FontFace& font_;
  int size_;
  std::u32string text_;
  std::vector<FriBidiLevel> levels_;
  std::vector<hb_script_t> scripts_;
  std::vector<FontFace*> faces_;
};

bool BreakBefore(const std::u32string& t, size_t k) {
  if (k == 0 || k >= t.size()) return k == t.size();
  return (IsSpace(t[k - 1]) && !IsSpace(t[k])) || IsIdeographic(t[k - 1]) || IsIdeographic(t[k]);
}

size_t TrimEnd(const std::u32string& t, size_t from, size_t to) {
  while (to > from && IsSpace(t[to - 1])) --to;
  return to;
}

// Greedy wrapping: each line takes as many break opportunities as fit.
void WrapParagraph(ParagraphSetter& p, double maxWidth, std::vector<TextLine>& lines) {
  const std::u32string& t = p.Text();
  size_t start = 0;
  while (start < t.size() && IsSpace(t[start])) ++start;
  if (start == t.size()) {
    lines.push_back({});  // an empty line keeps its place
    return;
  }
  while (start < t.size()) {
    size_t best = 0;
    TextLine bestLine;
    for (size_t k = start + 1; k <= t.size(); ++k) {
      if (!BreakBefore(t, k)) continue;
      TextLine line = p.Set(start, TrimEnd(t, start, k));
      if (line.width > maxWidth && best != 0) break;
      best = k;
      bestLine = std::move(line);
      if (bestLine.width > maxWidth) break;
    }
    if (bestLine.width > maxWidth) {
      // One word wider than the line: cut it where it still fits.
      size_t lo = start + 1, hi = best;
      while (lo + 1 < hi) {
        const size_t mid = (lo + hi) / 2;
        (p.Set(start, mid).width <= maxWidth ? lo : hi) = mid;
      }
      best = lo;
      bestLine = p.Set(start, lo);
    }
    lines.push_back(std::move(bestLine));
    start = best;
    while (start < t.size() && IsSpace(t[start])) ++start;
  }
}

}  // namespace

double TextBlock::Width() const {
  double w = 0;
  for (const TextLine& l : lines) w = std::max(w, l.width);
  return w;
}

std::u32string DecodeUtf8(std::string_view text) {
  std::u32string out;
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const size_t n = text.size();
  static constexpr char32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
  for (size_t i = 0; i < n && out.size() < kMaxTextCodepoints;) {
    const unsigned char c = s[i];
    size_t extra = 0;
    char32_t cp = c;
    if (c < 0x80) {
      out.push_back(cp);
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      extra = 1, cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2, cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      extra = 3, cp = c & 0x07;
    } else {
      out.push_back(kReplacement);
      ++i;
      continue;
    }
    size_t k = 1;
    for (; k <= extra && i + k < n && (s[i + k] & 0xC0) == 0x80; ++k) cp = cp << 6 | (s[i + k] & 0x3F);
    // Cut short, overlong, a surrogate or past Unicode: one replacement.
    const bool whole = k > extra;
    const bool valid = whole && cp >= kLeast[extra] && !(cp >= 0xD800 && cp <= 0xDFFF) && cp <= 0x10FFFF;
    out.push_back(valid ? cp : kReplacement);
    i += k;
  }
  return out;
}

TextBlock LayOutText(FontLibrary& fonts, FontFace& font, int pixelSize, std::string_view text,
                     double maxWidth) {
  TextBlock block;
  const FT_Size_Metrics& m = font.face->size->metrics;
  block.ascent = m.ascender / 64.0;
  block.lineHeight = m.height / 64.0;
  std::u32string all = DecodeUtf8(text);
  size_t from = 0;
  while (from <= all.size()) {
    size_t to = all.find(U'\n', from);
    if (to == std::u32string::npos) to = all.size();
    std::u32string paragraph = all.substr(from, to - from);
    // Tabs are spaces; other control characters draw nothing.
    for (char32_t& c : paragraph)
      if (c == '\t' || c == '\r') c = ' ';
    std::erase_if(paragraph, [](char32_t c) { return c < 0x20 || (c >= 0x7F && c < 0xA0); });
    ParagraphSetter setter(fonts, font, pixelSize, std::move(paragraph));
    WrapParagraph(setter, maxWidth, block.lines);
    from = to + 1;
  }
  return block;
}

}  // namespace gfx
