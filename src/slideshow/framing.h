// How a picture sits in the frame (fit with bars, fill and crop, or fit over
// a blurred copy of itself) and, with motion, which part of it shows when.
// A framed picture is made once per slide; painting a moment of it costs one
// resampling of the frame.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "gfx/bilinear_sampler.h"
#include "gfx/bitmap.h"
#include "gfx/picture_file.h"
#include "slideshow/look.h"
#include "slideshow/motion.h"

namespace slideshow {

std::optional<FitMode> FitModeNamed(std::string_view name);
// "#RRGGBB" or "RRGGBB".
std::optional<gfx::Color> ParseColor(std::string_view text);

// The still placement: the frame rectangle the picture is drawn into and
// the part of the picture (fractions) that shows there.
struct Placement {
  gfx::Rect dest;
  gfx::RectF view;
};
Placement PlaceStill(int pictureWidth, int pictureHeight, int frameWidth, int frameHeight,
                     const FramingStyle& style);

class FramedPicture {
 public:
  // Decodes the picture and prepares what painting needs: the picture kept
  // at 1.5 times the density the frame shows of it (never more than the
  // file holds, only the part the move visits), and the blurred backdrop.
  // Throws the decoder's PictureError.
  void Make(const std::string& path, bool exifOrientation, int frameWidth, int frameHeight,
            const FramingStyle& style, const MotionSpec& motion, int slideIndex);
  // The same from a picture in memory (24 or 32 bits). `own` is the
  // picture's own size when it was decoded smaller (0 x 0: its bitmap's).
  void Make(const gfx::Bitmap& picture, int frameWidth, int frameHeight,
            const FramingStyle& style, const MotionSpec& motion, int slideIndex,
            gfx::PictureSize own = {});

  bool Moves() const { return moves_; }
  // Paints the moment t (0..1 of the slide's time on screen) onto a 32-bit
  // bitmap of the frame size.
  void PaintAt(double t, gfx::Bitmap& frame);

  // Where a point of the picture (fractions) lands in the frame at t, in
  // pixels (pixel centres at +0.5): the ideal path painting follows.
  std::pair<double, double> FramePoint(double t, double px, double py) const;
  const gfx::Bitmap& Kept() const { return kept_; }

 private:
  void MakeBackdrop(const gfx::Bitmap& picture);
  void ReleaseBackdrop();
  void MakeKept(const gfx::Bitmap& picture);
  void PaintBackground(gfx::Bitmap& frame) const;

  int frameW_ = 0, frameH_ = 0;
  int pictureW_ = 0, pictureH_ = 0;  // the picture's own size, upright
  FramingStyle style_;
  Easing easing_ = Easing::Linear;
  bool moves_ = false;
  gfx::Rect dest_;  // where the picture goes in the frame
  MovePath path_;   // views in fractions of the picture
  gfx::Bitmap kept_;         // the picture, scaled and cropped, 32 bits
  double keptScaleX_ = 1, keptScaleY_ = 1;  // kept pixels per picture fraction
  double keptLeft_ = 0, keptTop_ = 0;       // kept origin in those units
  // Blur: the blurred copy where it shows, beside or above and below the
  // picture (a frame-sized one would be mostly hidden under a moving picture).
  struct BackdropPart {
    gfx::Rect area;  // in the frame
    gfx::Bitmap pixels;
  };
  BackdropPart backdrop_[2];
  gfx::BilinearSampler sampler_;
};

}  // namespace slideshow
