// The rules for the values of a slide's look (placement, colour, motion,
// caption style), shared by the renderer's command line and the show file.
// Each throws ValueError saying what is allowed.
#pragma once

#include <string_view>

#include "slideshow/look.h"
#include "slideshow/value_rules.h"

namespace slideshow {

FitMode FitModeValue(std::string_view text);           // fit, fill, blur
gfx::Color ColourValue(std::string_view text);         // #RRGGBB
// A named move, or "X,Y,W,H:X,Y,W,H" (start and end in fractions of the picture).
MotionSpec MotionValue(std::string_view text);
Easing EasingValue(std::string_view text);             // linear, smooth
CaptionPlace CaptionPlaceValue(std::string_view text); // bottom, top, centre
// A number from `least` to `most`.
double NumberValue(std::string_view text, double least, double most);
// "X,Y" fractions from 0 to 1.
std::pair<double, double> PointValue(std::string_view text);

}  // namespace slideshow
