#include "graphics/geometry/devicerect.h"

#include <algorithm>
#include <initializer_list>

#include "graphics/geometry/geometry.h"
#include "graphics/geometry/transformer.h"

namespace Graphics {

namespace {

bool Snappable(float v) {
    return std::fabs(v) <= kSnapLimit;
}  // false for NaN as well

int32_t PixelEdge(float v) {
    return int32_t(std::clamp(v, -kSnapLimit, kSnapLimit));
}

}  // namespace

bool DeviceRect::FromCorners(const GXPoint (&corners)[4], DeviceRect& rect) {
    const GXPoint &p0 = corners[0], &p1 = corners[1], &p2 = corners[2], &p3 = corners[3];
    const bool horizontalFirst = p0.y == p1.y && p1.x == p2.x && p2.y == p3.y && p3.x == p0.x;
    const bool verticalFirst = p0.x == p1.x && p1.y == p2.y && p2.x == p3.x && p3.y == p0.y;
    if (!horizontalFirst && !verticalFirst) return false;
    rect.box_ = GXRect{std::fmin(p0.x, p2.x), std::fmin(p0.y, p2.y), std::fmax(p0.x, p2.x),
                       std::fmax(p0.y, p2.y)};
    return true;
}

bool DeviceRect::FromGeometry(const Geometry& geometry, const GXMatrix& matrix, DeviceRect& rect) {
    GXPoint corners[4];
    if (!geometry.FourCorners(corners)) return false;
    for (GXPoint& corner : corners) corner = TransformPoint(matrix, corner);
    return FromCorners(corners, rect);
}

bool DeviceRect::FromUserRect(const GXMatrix& ctm, const GXRect& rect, DeviceRect& device) {
    const GXPoint corners[4] = {
        TransformPoint(ctm, {rect.left, rect.top}),
        TransformPoint(ctm, {rect.right, rect.top}),
        TransformPoint(ctm, {rect.right, rect.bottom}),
        TransformPoint(ctm, {rect.left, rect.bottom}),
    };
    return FromCorners(corners, device);
}

bool DeviceRect::WholePixels(GXIntRect& pixels) const {
    for (const float v : {box_.left, box_.top, box_.right, box_.bottom})
        if (std::floor(v) != v) return false;
    pixels = GXIntRect{PixelEdge(box_.left), PixelEdge(box_.top), PixelEdge(box_.right),
                       PixelEdge(box_.bottom)};
    return true;
}

bool DeviceRect::Snap(GXIntRect& pixels) const {
    if (!Snappable(box_.left) || !Snappable(box_.top) || !Snappable(box_.right) ||
        !Snappable(box_.bottom))
        return false;
    const PixelSpan x = SnapSpan(box_.left, box_.right);
    const PixelSpan y = SnapSpan(box_.top, box_.bottom);
    // Within kSnapLimit plus a pixel: every edge fits an int32_t.
    pixels = GXIntRect{int32_t(x.begin), int32_t(y.begin), int32_t(x.end), int32_t(y.end)};
    return true;
}

}  // namespace Graphics
