// Caption text from anywhere (malformed UTF-8, control characters, every
// script, mixed directions) set into lines of any width and drawn: no fault,
// no more lines than characters (plus the first), every glyph position a number.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include <fuzzer/FuzzedDataProvider.h>

#include "gfx/text_layout.h"
#include "gfx/text_raster.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static std::unique_ptr<gfx::FontLibrary> fonts = std::make_unique<gfx::FontLibrary>();
  FuzzedDataProvider in(data, size);
  // A few sizes: each opens its faces once, and sizes do not change the paths taken.
  constexpr int kSizes[] = {7, 13, 24};
  const int pixelSize = kSizes[in.ConsumeIntegralInRange(0, 2)];
  const double width = in.ConsumeIntegralInRange(1, 400);
  const std::string text = in.ConsumeRemainingBytesAsString();
  gfx::FontFace& font = fonts->Find("DejaVu Sans", pixelSize, nullptr);
  const gfx::TextBlock block = gfx::LayOutText(*fonts, font, pixelSize, text, width);
  if (block.lines.size() > gfx::DecodeUtf8(text).size() + 1) __builtin_trap();
  for (const gfx::TextLine& line : block.lines) {
    for (const gfx::PlacedGlyph& g : line.glyphs)
      if (!std::isfinite(g.x) || !std::isfinite(g.y)) __builtin_trap();
  }
  const gfx::TextMasks masks = gfx::RasterizeText(block, pixelSize / 10.0, 2);
  gfx::Bitmap overlay;
  gfx::PaintText(masks, {}, overlay);
  gfx::Bitmap frame(64, 48);
  gfx::BlendOverlay(frame, overlay, -5, 20, 200);
  return 0;
}
