#include "captions.h"

#include <algorithm>
#include <cmath>

#include "gfx/text_layout.h"
#include "gfx/text_raster.h"

namespace slideshow {

namespace {

// Sizes below this are unreadable, above it the font engines slow down for
// nothing a frame can show.
constexpr int kMinPixelSize = 6;
constexpr int kMaxPixelSize = 1000;

}  // namespace

std::optional<CaptionPlace> CaptionPlaceNamed(std::string_view name) {
  if (name == "bottom") return CaptionPlace::Bottom;
  if (name == "top") return CaptionPlace::Top;
  if (name == "centre" || name == "center") return CaptionPlace::Centre;
  return std::nullopt;
}

void CaptionOverlay::Make(gfx::FontLibrary& fonts, std::string_view text, const CaptionStyle& style,
                          int frameWidth, int frameHeight, std::string* note) {
  Clear();
  const int pixelSize = std::clamp(int(std::lround(style.size * frameHeight)), kMinPixelSize, kMaxPixelSize);
  const int margin = std::clamp(int(std::lround(style.margin * frameHeight)), 0, frameWidth / 4);
  const double outline = std::max(0.0, style.outline) * pixelSize;
  const double shadow = style.shadow ? std::max(1.0, pixelSize / 16.0) : 0.0;
  // Room around the ink for the outline and the shadow.
  const int pad = int(std::ceil(outline + shadow)) + 1;
  const double width = std::max(1.0, double(frameWidth - 2 * margin - 2 * pad));

  gfx::FontFace& font = fonts.Find(style.font, pixelSize, note);
  const gfx::TextBlock block = gfx::LayOutText(fonts, font, pixelSize, text, width);
  if (block.lines.empty() || block.Width() <= 0) return;
  const gfx::TextMasks masks = gfx::RasterizeText(block, outline, pad);
  gfx::TextPaint paint;
  paint.fill = style.colour;
  paint.outline = style.outlineColour;
  paint.shadowOffset = shadow;
  gfx::PaintText(masks, paint, overlay_);

  const int left = (frameWidth - masks.width) / 2;
  int top = (frameHeight - masks.height) / 2;
  if (style.place == CaptionPlace::Bottom) top = frameHeight - margin - masks.height + pad;
  if (style.place == CaptionPlace::Top) top = margin - pad;
  area_ = {left, top, left + masks.width, top + masks.height};
}

void CaptionOverlay::PaintOnto(gfx::Bitmap& frame, double opacity) const {
  if (Empty()) return;
  gfx::BlendOverlay(frame, overlay_, area_.Left, area_.Top, int(std::lround(std::clamp(opacity, 0.0, 1.0) * 256)));
}

double CaptionOpacity(double seconds, double duration, double fade) {
  if (seconds < 0 || seconds > duration) return 0;
  if (fade <= 0) return 1;
  // A slide shorter than two fades reaches its peak in the middle.
  const double f = std::min(fade, duration / 2);
  return std::clamp(std::min(seconds, duration - seconds) / f, 0.0, 1.0);
}

}  // namespace slideshow
