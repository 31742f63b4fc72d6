// Regions shared by the reveal effects: bands of bars, jittering shreds,
// speckled fronts, circular sectors, polygons, and the reveal step itself.
// W and H are the frame size; XLen and YLen how far the bars have grown.
#pragma once

#include <initializer_list>
#include <optional>
#include <span>

#include "gfx/bitmap.h"
#include "gfx/geometry.h"
#include "gfx/region.h"

namespace effects {

// Horz picks horizontal bars (1 from the right, 2 from the left, 3 both
// sides at once, 4 left then right, 5 right then left), Vert vertical ones
// (1 bottom, 2 top, 3 both, 4 top then bottom, 5 bottom then top); 0 = none.
// Bars of thickness min(W, H) / 50 + 1 alternate: the even ones fill while
// the length is within the frame, the odd ones after that.
std::optional<gfx::Region> BuildBarsRegion(int XLen, int YLen, int W, int H, int Horz,
                                           int Vert);

// Thin bars whose length jitters by up to a tenth of the frame around the
// front; draws one number per bar from the shared generator. Horz/Vert:
// 1 right/bottom, 2 left/top, 3 out from the middle, 4 in from both sides.
std::optional<gfx::Region> BuildShredRegion(int XLen, int YLen, int W, int H, int Horz,
                                            int Vert);

// A solid front with loose squares scattered ahead of it, new every call.
// Horz 1 from the right, 2 from the left; Vert 1 from the bottom, 2 top.
std::optional<gfx::Region> BuildSpeckleRegion(int XLen, int YLen, int W, int H, int Horz,
                                              int Vert);

// The fan from (CX, CY) through Count arc points, the first at StartAngle
// and each next one step of (End - Start) / Count further: the last point
// stops one step short of EndAngle. Angles grow clockwise on screen.
gfx::Region BuildSectorRegion(int CX, int CY, int Radius, long double StartAngle,
                              long double EndAngle, int Count);

// Polygon from x0, y0, x1, y1, ... filled with the winding rule. A trailing
// odd value is ignored.
gfx::Region PolygonRegion(std::span<const int> Coordinates);
gfx::Region PolygonRegion(std::initializer_list<int> Coordinates);

// Turns the points about (CX, CY); positive angles turn clockwise on screen.
// Coordinates are rounded half to even.
void RotatePoints(gfx::Point* Points, int Count, int CX, int CY, long double Angle);

// Copies all of Image onto Display through R and leaves no clip region.
void RevealThroughRegion(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H,
                         gfx::Region R);
// The same; no region means nothing to reveal (not "no clipping").
void RevealThroughRegion(gfx::Bitmap& Display, const gfx::Bitmap& Image, int W, int H,
                         std::optional<gfx::Region> R);

}  // namespace effects
