#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "graphics/paint/gradientstopcollection.h"
#include "gx.h"

namespace Graphics {

class Gradient;
class SwColorSource;

// What the gradient sources share: the choice of source by gradient kind and the colour
// of a stop table at a parameter value.
class SwGradientColorSource {
public:
    // The source painting `gradient` seen through `brushMatrix` then `deviceMatrix`, with
    // `opacity`, for a draw covering `deviceRect`. Raises "Not implemented" for a gradient
    // kind this renderer does not paint.
    static std::shared_ptr<SwColorSource> Factory(const std::shared_ptr<Gradient>& gradient,
                                                  const GXMatrix& brushMatrix, float opacity,
                                                  const GXIntRect& deviceRect,
                                                  const GXMatrix& deviceMatrix);

    // How many stops from the front of the collection have an offset to search by (NaN
    // offsets are kept at the end and never match).
    static size_t SearchableStopCount(const GradientStopCollection& stops);

    // True when the first `count` stops are all opaque, so that every mix of them is.
    static bool StopsOpaque(const GradientStop* stops, size_t count);

    // The premultiplied colour of `stops` (count >= 1, offsets non-decreasing) at t in 0..1:
    // the first stop at or above t; short of an exact match, that stop mixed with the one
    // before by (int((upper - t) / (upper - lower) x 255) & 0xFF) + 1. Below the first stop
    // the first stop's colour, above the last the last's (as PDF renderers do).
    static uint32_t StopColor(const GradientStop* stops, size_t count, float t);
};

}  // namespace Graphics
