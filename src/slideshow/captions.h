// Captions on slides: the style a show gives them, their layout in the
// frame (placement, margins, wrapping) and their fade. A caption is set and
// drawn once per slide into an overlay; each frame only lays it over.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "gfx/bitmap.h"
#include "gfx/font_library.h"
#include "slideshow/look.h"

namespace slideshow {

std::optional<CaptionPlace> CaptionPlaceNamed(std::string_view name);

class CaptionOverlay {
 public:
  // Sets the text for a frame of that size. A font that is not installed is
  // replaced by the default and `note` says so; nothing here fails on text.
  void Make(gfx::FontLibrary& fonts, std::string_view text, const CaptionStyle& style,
            int frameWidth, int frameHeight, std::string* note);
  void Clear() {
    overlay_.Release();
    area_ = {};
  }
  bool Empty() const { return overlay_.Width() == 0; }
  // Where the overlay goes in the frame (it may be larger than the ink).
  gfx::Rect Area() const { return area_; }
  // Lays the caption over the frame at opacity 0..1.
  void PaintOnto(gfx::Bitmap& frame, double opacity) const;

 private:
  gfx::Bitmap overlay_;
  gfx::Rect area_;
};

// The caption's opacity at `seconds` into a slide shown for `duration`.
double CaptionOpacity(double seconds, double duration, double fade);

}  // namespace slideshow
