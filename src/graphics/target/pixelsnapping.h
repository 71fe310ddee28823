#pragma once

#include "gx.h"

namespace Graphics {

// The stroke of width `width` along the device rectangle `centres` (normalised, its sides
// on pixel centres) as the four whole-pixel bands it covers: top, bottom, left, right. True
// only when that stroke is exactly those pixels: an odd whole width puts both edges of each
// side on pixel boundaries, and a hole wider and taller than nothing keeps the bands apart.
// Coordinates stay below 2^22 so that every sum here is exact.
bool WholePixelFrame(const GXRect& centres, float width, GXIntRect (&bands)[4]);

}  // namespace Graphics
