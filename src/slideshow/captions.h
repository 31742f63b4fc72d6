// Captions on slides: the style a show gives them, their layout in the
// frame (placement, margins, wrapping) and their fade. A caption is set and
// drawn once per slide into an overlay; each frame only lays it over.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "gfx/bitmap.h"
#include "gfx/font_library.h"

namespace slideshow {

enum class CaptionPlace { Bottom, Top, Centre };

struct CaptionStyle {
  std::string font = "DejaVu Sans";  // family name, as fontconfig knows it
  double size = 0.06;                // text height as a share of the frame height
  gfx::Color colour = gfx::clWhite;
  gfx::Color outlineColour = gfx::clBlack;
  double outline = 0.06;             // outline width as a share of the text size; 0: none
  bool shadow = true;
  CaptionPlace place = CaptionPlace::Bottom;
  double margin = 0.05;              // from the frame's edges, as a share of its height
  double fade = 0.5;                 // seconds of fade in and of fade out
  friend bool operator==(const CaptionStyle&, const CaptionStyle&) = default;
};

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
