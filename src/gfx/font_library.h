// Fonts for text on pictures: found by family name through fontconfig,
// opened with FreeType, one face per file kept for the library's life.
// Used from one thread at a time (FreeType's library object is not shared
// between threads); each thread that draws text makes its own.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

struct FT_LibraryRec_;
struct FT_FaceRec_;
struct hb_font_t;

namespace gfx {

// A face at one pixel size, with its HarfBuzz twin for shaping.
struct FontFace {
  FT_FaceRec_* face = nullptr;
  hb_font_t* shaper = nullptr;
  std::string family;  // as the font names itself
  std::string file;
  bool Covers(uint32_t codepoint) const;
};

class FontLibrary {
 public:
  FontLibrary();
  ~FontLibrary();
  FontLibrary(const FontLibrary&) = delete;
  FontLibrary& operator=(const FontLibrary&) = delete;

  // The face of that family at `pixelSize`; a family fontconfig does not
  // know gets its best match (the system's default sans serif) and `note`
  // says so. Throws std::runtime_error only when no font can be opened at all.
  FontFace& Find(const std::string& family, int pixelSize, std::string* note);
  // A face that has the character, preferring `family`; nullptr when no
  // installed font has it.
  FontFace* FallbackFor(uint32_t codepoint, const std::string& family, int pixelSize);

 private:
  FontFace* Open(const std::string& file, int index, int pixelSize);

  FT_LibraryRec_* library_ = nullptr;
  struct Entry;
  std::map<std::pair<std::string, int>, std::unique_ptr<Entry>> faces_;  // (file#index, size)
  std::map<std::pair<uint32_t, int>, FontFace*> fallback_;  // (codepoint, size); nullptr: none
  std::vector<FontFace*> fallbackFaces_;  // each fallback face once
};

}  // namespace gfx
