// A slide's picture as the viewer sees it over its whole time on screen:
// framed (fit, fill or blur), moving (pan and zoom) and captioned. Made
// once per slide, on any thread; painted once per frame on the timeline's.
// A slide with none of these is drawn the plain way instead, so its frames
// stay exactly what they always were.
#pragma once

#include <string>

#include "slideshow/captions.h"
#include "slideshow/framing.h"
#include "slideshow/motion.h"

namespace slideshow {

class SlidePicture {
 public:
  // Decodes and frames the picture and sets the caption for a frame of that
  // size. Throws the decoder's PictureError; a missing font only fills
  // `note`. `slideIndex` varies the automatic move from slide to slide.
  void Make(const std::string& path, bool exifOrientation, int frameWidth, int frameHeight,
            const SlideLook& look, int slideIndex);
  // What the user should hear about the making (a font that is not installed).
  const std::string& Note() const { return note_; }
  // Paints the moment `seconds` into a time on screen of `duration` seconds
  // onto a 32-bit bitmap of the frame size.
  void PaintAt(double seconds, double duration, gfx::Bitmap& frame);
  // The frame would look the same at these two moments.
  bool SameAt(double seconds, double otherSeconds, double duration) const;

 private:
  FramedPicture picture_;
  CaptionOverlay caption_;
  double fade_ = 0;
  std::string note_;
};

}  // namespace slideshow
