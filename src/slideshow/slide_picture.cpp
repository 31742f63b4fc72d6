#include "slide_picture.h"

#include <algorithm>
#include <stdexcept>

#include "gfx/font_library.h"

namespace slideshow {

bool IsPlainLook(const SlideLook& look) {
  return look.framing.mode == FitMode::Fit && look.framing.background == gfx::clBlack &&
         look.motion.kind == MotionKind::None && look.caption.empty();
}

void SlidePicture::Make(const std::string& path, bool exifOrientation, int frameWidth,
                        int frameHeight, const SlideLook& look, int slideIndex) {
  note_.clear();
  picture_.Make(path, exifOrientation, frameWidth, frameHeight, look.framing, look.motion, slideIndex);
  fade_ = look.captionStyle.fade;
  if (look.caption.empty()) {
    caption_.Clear();
    return;
  }
  // Fonts belong to the thread that sets the text; captions are set once a slide.
  // A system without any usable font loses the caption, not the slide.
  try {
    gfx::FontLibrary fonts;
    caption_.Make(fonts, look.caption, look.captionStyle, frameWidth, frameHeight, &note_);
  } catch (const std::runtime_error& e) {
    caption_.Clear();
    note_ = std::string("caption left out: ") + e.what();
  }
}

void SlidePicture::PaintAt(double seconds, double duration, gfx::Bitmap& frame) {
  picture_.PaintAt(duration > 0 ? std::clamp(seconds / duration, 0.0, 1.0) : 0.0, frame);
  caption_.PaintOnto(frame, CaptionOpacity(seconds, duration, fade_));
}

bool SlidePicture::SameAt(double seconds, double otherSeconds, double duration) const {
  if (picture_.Moves()) return seconds == otherSeconds;
  return caption_.Empty() ||
         CaptionOpacity(seconds, duration, fade_) == CaptionOpacity(otherSeconds, duration, fade_);
}

}  // namespace slideshow
