#pragma once

#include "gx.h"

namespace Graphics {

// Device coordinates beyond this magnitude are left unsnapped: floats there are already
// whole numbers, and the integer arithmetic of snapping stays far from overflow.
constexpr float kSnapLimit = 16777216.0f;  // 2^24

// The axis-aligned box through four corners given in path order, when they form one: each
// side is horizontal or vertical, in either orientation (corners keep their roles or are
// exchanged by a quarter turn). The box is normalised (left <= right, top <= bottom). A
// NaN coordinate never compares equal, so such corners form no box.
bool AxisAlignedBox(const GXPoint (&corners)[4], GXRect& box);

// The device box of the user rectangle `rect` under `ctm` when the CTM keeps it
// axis-aligned (scales, flips, quarter turns, translations), normalised; false otherwise.
bool MapRectAxisAligned(const GXMatrix& ctm, const GXRect& rect, GXRect& device);

// Snaps a normalised device box to whole pixels so that it covers the pixels its area
// mostly covers and is never thinner than one pixel. False (and `snapped` untouched) when a
// coordinate is not finite or lies beyond kSnapLimit: such boxes are drawn as they are.
bool SnapRect(const GXRect& device, GXRect& snapped);

// The stroke of width `width` along the device rectangle `centres` (normalised, its sides
// on pixel centres) as the four whole-pixel bands it covers: top, bottom, left, right. True
// only when that stroke is exactly those pixels: an odd whole width puts both edges of each
// side on pixel boundaries, and a hole wider and taller than nothing keeps the bands apart.
// Coordinates stay below 2^22 so that every sum here is exact.
bool WholePixelFrame(const GXRect& centres, float width, GXRect (&bands)[4]);

}  // namespace Graphics
