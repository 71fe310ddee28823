#include "graphics/geometry/transformer.h"

#include <utility>

namespace Graphics {

bool IsIdentity(const GXMatrix& m) {
    return m.a == 1 && m.b == 0 && m.c == 0 && m.d == 1 && m.e == 0 && m.f == 0;
}

namespace {
// Extremes that let a NaN corner through only when every corner is NaN: comparisons with
// NaN fail, so the first finite candidate wins over a NaN start.
void Extend(float v, float& lo, float& hi) {
    if (v < lo || lo != lo) lo = v;
    if (v > hi || hi != hi) hi = v;
}
}  // namespace

GXRect TransformBounds(const GXMatrix& m, const GXRect& box) {
    if (IsIdentity(m)) {
        GXRect r;
        r.left = box.left < box.right ? box.left : box.right;
        r.right = box.left < box.right ? box.right : box.left;
        r.top = box.top < box.bottom ? box.top : box.bottom;
        r.bottom = box.top < box.bottom ? box.bottom : box.top;
        return r;
    }
    const GXPoint corners[4] = {
        TransformPoint(m, {box.left, box.top}), TransformPoint(m, {box.right, box.top}),
        TransformPoint(m, {box.right, box.bottom}), TransformPoint(m, {box.left, box.bottom})};
    GXRect r{corners[0].x, corners[0].y, corners[0].x, corners[0].y};
    for (int i = 1; i < 4; ++i) {
        Extend(corners[i].x, r.left, r.right);
        Extend(corners[i].y, r.top, r.bottom);
    }
    return r;
}

Transformer::Transformer(const GXMatrix& matrix, std::shared_ptr<GeometrySink> target)
    : matrix_(matrix), target_(std::move(target)) {}

}  // namespace Graphics
