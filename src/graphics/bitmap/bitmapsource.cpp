#include "graphics/bitmap/bitmapsource.h"

#include <algorithm>

namespace Graphics {

GXIntRect ClampRect(const GXIntRect* rect, GXIntSize size) {
    int32_t width = std::max(size.width, 0);
    int32_t height = std::max(size.height, 0);
    if (!rect) return GXIntRect{0, 0, width, height};
    GXIntRect clamped;
    clamped.left = std::clamp(rect->left, 0, width);
    clamped.top = std::clamp(rect->top, 0, height);
    // An inverted rectangle collapses onto its clamped top-left corner.
    clamped.right = std::clamp(rect->right, clamped.left, width);
    clamped.bottom = std::clamp(rect->bottom, clamped.top, height);
    return clamped;
}

}  // namespace Graphics
