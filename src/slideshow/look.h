// What a slide looks like beyond its picture and times: how the picture
// sits in the frame, how it moves, and its caption. Plain values; the show
// holds them, framing.h, motion.h and captions.h make them visible.
#pragma once

#include <string>

#include "gfx/bilinear_sampler.h"
#include "gfx/bitmap.h"

namespace slideshow {

// How a picture is placed in the frame: whole with bars, covering the frame
// with the overflow cropped, or whole over a blurred copy of itself.
enum class FitMode { Fit, Fill, Blur };

struct FramingStyle {
  FitMode mode = FitMode::Fit;
  gfx::Color background = gfx::clBlack;  // the bars of Fit
  // Which part Fill keeps: 0 = left/top edge, 0.5 = centre, 1 = right/bottom.
  double anchorX = 0.5;
  double anchorY = 0.5;
  friend bool operator==(const FramingStyle&, const FramingStyle&) = default;
};

enum class MotionKind { None, ZoomIn, ZoomOut, PanLeft, PanRight, PanUp, PanDown, Auto, Rects };
enum class Easing { Linear, Smooth };

// Rectangles are fractions of the picture's width and height.
struct MotionSpec {
  MotionKind kind = MotionKind::None;
  Easing easing = Easing::Smooth;
  gfx::RectF start{0, 0, 1, 1};  // for Rects
  gfx::RectF end{0, 0, 1, 1};
  friend bool operator==(const MotionSpec&, const MotionSpec&) = default;
};

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

struct SlideLook {
  FramingStyle framing;
  MotionSpec motion;
  std::string caption;  // UTF-8; empty: none
  CaptionStyle captionStyle;
  friend bool operator==(const SlideLook&, const SlideLook&) = default;
};

// True when the slide needs none of this: the black-barred fit, still,
// without a caption, drawn as it always was.
bool IsPlainLook(const SlideLook& look);

}  // namespace slideshow
