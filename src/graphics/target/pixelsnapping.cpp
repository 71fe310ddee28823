#include "graphics/target/pixelsnapping.h"

#include <cmath>
#include <initializer_list>

namespace Graphics {

bool WholePixelFrame(const GXRect& centres, float width, GXRect (&bands)[4]) {
    constexpr float kExactLimit = 4194304.0f;  // 2^22: x.5 plus a whole half-width is exact
    if (!(width >= 1 && width <= kExactLimit) || std::fmod(width, 2.0f) != 1.0f) return false;
    for (const float v : {centres.left, centres.top, centres.right, centres.bottom})
        if (!(std::fabs(v) <= kExactLimit) || v - std::floor(v) != 0.5f) return false;
    // The inner edges must stay apart: a hole of no width would join the bands, and the
    // outline of a narrower rectangle folds over itself.
    if (!(centres.right - centres.left > width && centres.bottom - centres.top > width))
        return false;
    const float half = width / 2;
    const GXRect outer{centres.left - half, centres.top - half, centres.right + half,
                       centres.bottom + half};
    const GXRect inner{centres.left + half, centres.top + half, centres.right - half,
                       centres.bottom - half};
    bands[0] = GXRect{outer.left, outer.top, outer.right, inner.top};
    bands[1] = GXRect{outer.left, inner.bottom, outer.right, outer.bottom};
    bands[2] = GXRect{outer.left, inner.top, inner.left, inner.bottom};
    bands[3] = GXRect{inner.right, inner.top, outer.right, inner.bottom};
    return true;
}

}  // namespace Graphics
