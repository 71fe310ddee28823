#include "graphics/target/pixelsnapping.h"

#include <cmath>
#include <cstdint>
#include <initializer_list>

namespace Graphics {

bool WholePixelFrame(const GXRect& centres, float width, GXIntRect (&bands)[4]) {
    constexpr float kExactLimit = 4194304.0f;  // 2^22: x.5 plus a whole half-width is exact
    if (!(width >= 1 && width <= kExactLimit) || std::fmod(width, 2.0f) != 1.0f) return false;
    for (const float v : {centres.left, centres.top, centres.right, centres.bottom})
        if (!(std::fabs(v) <= kExactLimit) || v - std::floor(v) != 0.5f) return false;
    // The inner edges must stay apart: a hole of no width would join the bands, and the
    // outline of a narrower rectangle folds over itself.
    if (!(centres.right - centres.left > width && centres.bottom - centres.top > width))
        return false;
    const float half = width / 2;
    // Whole numbers below 2^23: exact as int32_t.
    const int32_t outerLeft = int32_t(centres.left - half), outerTop = int32_t(centres.top - half);
    const int32_t outerRight = int32_t(centres.right + half);
    const int32_t outerBottom = int32_t(centres.bottom + half);
    const int32_t innerLeft = int32_t(centres.left + half), innerTop = int32_t(centres.top + half);
    const int32_t innerRight = int32_t(centres.right - half);
    const int32_t innerBottom = int32_t(centres.bottom - half);
    bands[0] = GXIntRect{outerLeft, outerTop, outerRight, innerTop};
    bands[1] = GXIntRect{outerLeft, innerBottom, outerRight, outerBottom};
    bands[2] = GXIntRect{outerLeft, innerTop, innerLeft, innerBottom};
    bands[3] = GXIntRect{innerRight, innerTop, outerRight, innerBottom};
    return true;
}

}  // namespace Graphics
