#include "font_library.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <hb-ft.h>
#include <hb.h>

#include <algorithm>
#include <stdexcept>
#include <strings.h>

namespace gfx {

struct FontLibrary::Entry {
  FontFace font;
  ~Entry() {
    if (font.shaper) hb_font_destroy(font.shaper);
    if (font.face) FT_Done_Face(font.face);
  }
};

namespace {

// Owners for fontconfig objects, each on the line that makes it.
struct PatternOwner {
  FcPattern* p;
  ~PatternOwner() {
    if (p) FcPatternDestroy(p);
  }
};
struct CharSetOwner {
  FcCharSet* c;
  ~CharSetOwner() {
    if (c) FcCharSetDestroy(c);
  }
};

std::string StringOf(FcPattern* p, const char* object) {
  FcChar8* value = nullptr;
  if (FcPatternGetString(p, object, 0, &value) != FcResultMatch || !value) return {};
  return reinterpret_cast<const char*>(value);
}

// fontconfig's best match for a pattern: file, face index and family.
bool Match(FcPattern* pattern, std::string& file, int& index, std::string& family) {
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  PatternOwner match{FcFontMatch(nullptr, pattern, &result)};
  if (!match.p) return false;
  file = StringOf(match.p, FC_FILE);
  family = StringOf(match.p, FC_FAMILY);
  index = 0;
  FcPatternGetInteger(match.p, FC_INDEX, 0, &index);
  return !file.empty();
}

}  // namespace

bool FontFace::Covers(uint32_t codepoint) const { return FT_Get_Char_Index(face, codepoint) != 0; }

FontLibrary::FontLibrary() {
  if (FT_Init_FreeType(&library_) != 0) throw std::runtime_error("FreeType could not start");
}

FontLibrary::~FontLibrary() {
  faces_.clear();  // faces before their library
  FT_Done_FreeType(library_);
}

FontFace* FontLibrary::Open(const std::string& file, int index, int pixelSize) {
  const auto key = std::make_pair(file + "#" + std::to_string(index), pixelSize);
  if (auto it = faces_.find(key); it != faces_.end()) return &it->second->font;
  auto entry = std::make_unique<Entry>();
  if (FT_New_Face(library_, file.c_str(), index, &entry->font.face) != 0) return nullptr;
  if (FT_Set_Pixel_Sizes(entry->font.face, 0, FT_UInt(pixelSize)) != 0) return nullptr;
  entry->font.shaper = hb_ft_font_create_referenced(entry->font.face);
  entry->font.family = entry->font.face->family_name ? entry->font.face->family_name : "";
  entry->font.file = file;
  FontFace* font = &entry->font;
  faces_.emplace(key, std::move(entry));
  return font;
}

FontFace& FontLibrary::Find(const std::string& family, int pixelSize, std::string* note) {
  PatternOwner pattern{FcPatternCreate()};
  if (!family.empty())
    FcPatternAddString(pattern.p, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  std::string file, found;
  int index = 0;
  FontFace* font = Match(pattern.p, file, index, found) ? Open(file, index, pixelSize) : nullptr;
  if (!font) throw std::runtime_error("no font could be opened for \"" + family + "\"");
  // fontconfig always answers; a different family means the one asked for is missing.
  if (note && !family.empty() && strcasecmp(found.c_str(), family.c_str()) != 0 &&
      strcasecmp(font->family.c_str(), family.c_str()) != 0)
    *note = "font \"" + family + "\" not found; using \"" + font->family + "\"";
  return *font;
}

FontFace* FontLibrary::FallbackFor(uint32_t codepoint, const std::string& family, int pixelSize) {
  const auto key = std::make_pair(codepoint, pixelSize);
  if (auto it = fallback_.find(key); it != fallback_.end()) return it->second;
  // A fallback already open that has the character saves asking fontconfig,
  // which costs a good part of a millisecond for each new character.
  for (FontFace* f : fallbackFaces_)
    if (f->face->size->metrics.y_ppem == pixelSize && f->Covers(codepoint)) return fallback_[key] = f;
  PatternOwner pattern{FcPatternCreate()};
  CharSetOwner chars{FcCharSetCreate()};
  FcCharSetAddChar(chars.c, codepoint);
  FcPatternAddCharSet(pattern.p, FC_CHARSET, chars.c);
  if (!family.empty())
    FcPatternAddString(pattern.p, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  std::string file, found;
  int index = 0;
  FontFace* font = Match(pattern.p, file, index, found) ? Open(file, index, pixelSize) : nullptr;
  if (font && !font->Covers(codepoint)) font = nullptr;
  if (font && std::find(fallbackFaces_.begin(), fallbackFaces_.end(), font) == fallbackFaces_.end())
    fallbackFaces_.push_back(font);
  fallback_[key] = font;
  return font;
}

}  // namespace gfx
