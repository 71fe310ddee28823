#include "graphics/software/swsolidcolorsource.h"

#include <algorithm>

namespace Graphics {

void SwSolidColorSource::FillSpan(int32_t x0, int32_t x1, int32_t /*y*/, uint32_t* out) {
    std::fill(out, out + (x1 - x0), pixel_);
}

uint32_t SwSolidColorSource::PremultipliedPixel(const ColorF& color, float opacity) {
    if (!(opacity > 0.0f)) opacity = 0.0f;
    if (opacity > 1.0f) opacity = 1.0f;
    // The brush's channels are already within 0..1; ToARGB clamps once more all the same.
    const uint32_t straight =
        ColorF{color.red, color.green, color.blue, opacity * color.alpha}.ToARGB();
    return Premultiply(straight);
}

}  // namespace Graphics
