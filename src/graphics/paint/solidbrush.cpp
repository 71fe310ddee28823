#include "graphics/paint/solidbrush.h"

#include <cmath>

#include "graphics/geometry/transformer.h"

namespace Graphics {
namespace {

// Below 0 becomes 0 and above 1 becomes 1; NaN becomes 0 so that no colour source ever
// converts a NaN channel to an integer.
float ClampUnit(float channel) {
    if (!(channel > 0.0f)) return 0.0f;
    return std::fmin(channel, 1.0f);
}

}  // namespace

SolidBrush::SolidBrush(const ColorF& color, float opacity)
    : Brush(kIdentityMatrix, opacity),
      color_{ClampUnit(color.red), ClampUnit(color.green), ClampUnit(color.blue),
             ClampUnit(color.alpha)} {}

}  // namespace Graphics
