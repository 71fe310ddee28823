#include "graphics/target/pixelsnapping.h"

#include <cmath>
#include <cstdint>

#include "graphics/geometry/transformer.h"

namespace Graphics {

namespace {

bool Snappable(float v) {
    return std::fabs(v) <= kSnapLimit;
}  // false for NaN as well

// One axis of SnapRect: [low, high] becomes [p0, p1] in whole pixels.
void SnapSpan(float low, float high, float& snappedLow, float& snappedHigh) {
    int64_t p0 = int64_t(std::floor(low));
    int64_t p1 = int64_t(std::ceil(high));
    const int64_t size = int64_t(std::ceil(high - low));
    // A span thinner than a pixel inside one pixel column still covers that column.
    if (size <= 0 && p0 == p1) ++p1;
    // Outward rounding of both ends can add one pixel more than the span's own rounded
    // size: drop the end pixel the span covers less.
    if (p1 - p0 >= (size <= 0 ? 2 : size + 1)) {
        if (low - float(p0) > float(p1) - high)
            ++p0;
        else
            --p1;
    }
    snappedLow = float(p0);
    snappedHigh = float(p1);
}

}  // namespace

bool AxisAlignedBox(const GXPoint (&corners)[4], GXRect& box) {
    const GXPoint &p0 = corners[0], &p1 = corners[1], &p2 = corners[2], &p3 = corners[3];
    const bool horizontalFirst = p0.y == p1.y && p1.x == p2.x && p2.y == p3.y && p3.x == p0.x;
    const bool verticalFirst = p0.x == p1.x && p1.y == p2.y && p2.x == p3.x && p3.y == p0.y;
    if (!horizontalFirst && !verticalFirst) return false;
    box.left = std::fmin(p0.x, p2.x);
    box.right = std::fmax(p0.x, p2.x);
    box.top = std::fmin(p0.y, p2.y);
    box.bottom = std::fmax(p0.y, p2.y);
    return true;
}

bool MapRectAxisAligned(const GXMatrix& ctm, const GXRect& rect, GXRect& device) {
    const GXPoint corners[4] = {
        TransformPoint(ctm, {rect.left, rect.top}),
        TransformPoint(ctm, {rect.right, rect.top}),
        TransformPoint(ctm, {rect.right, rect.bottom}),
        TransformPoint(ctm, {rect.left, rect.bottom}),
    };
    return AxisAlignedBox(corners, device);
}

bool SnapRect(const GXRect& device, GXRect& snapped) {
    if (!Snappable(device.left) || !Snappable(device.top) || !Snappable(device.right) ||
        !Snappable(device.bottom))
        return false;
    SnapSpan(device.left, device.right, snapped.left, snapped.right);
    SnapSpan(device.top, device.bottom, snapped.top, snapped.bottom);
    return true;
}

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
