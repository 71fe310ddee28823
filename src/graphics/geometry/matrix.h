#pragma once

#include <cmath>

#include "gx.h"

namespace Graphics {

// Matrix products and inverses for the renderers, formed in double precision and rounded
// once, so that a chain of brush and device matrices loses no more than one rounding per
// element.

// `first` applied, then `then`: (x, y) -> then(first(x, y)).
inline GXMatrix MultiplyMatrix(const GXMatrix& first, const GXMatrix& then) {
    const double a = double(first.a) * then.a + double(first.b) * then.c;
    const double b = double(first.a) * then.b + double(first.b) * then.d;
    const double c = double(first.c) * then.a + double(first.d) * then.c;
    const double d = double(first.c) * then.b + double(first.d) * then.d;
    const double e = double(first.e) * then.a + double(first.f) * then.c + then.e;
    const double f = double(first.e) * then.b + double(first.f) * then.d + then.f;
    return GXMatrix{float(a), float(b), float(c), float(d), float(e), float(f)};
}

inline bool IsFiniteMatrix(const GXMatrix& m) {
    return std::isfinite(m.a) && std::isfinite(m.b) && std::isfinite(m.c) && std::isfinite(m.d) &&
           std::isfinite(m.e) && std::isfinite(m.f);
}

// The inverse of `m` into `out`. False, with `out` untouched, when `m` has a non-finite
// element, a zero determinant, or an inverse that does not fit in floats: such a matrix
// squeezes the plane onto a line and paints nothing.
inline bool InvertMatrix(const GXMatrix& m, GXMatrix& out) {
    if (!IsFiniteMatrix(m)) return false;
    const double det = double(m.a) * m.d - double(m.b) * m.c;
    if (det == 0.0 || !std::isfinite(det)) return false;
    const double a = m.d / det, b = -m.b / det, c = -m.c / det, d = m.a / det;
    const GXMatrix inverse{float(a),
                           float(b),
                           float(c),
                           float(d),
                           float(-(m.e * a + m.f * c)),
                           float(-(m.e * b + m.f * d))};
    if (!IsFiniteMatrix(inverse)) return false;
    out = inverse;
    return true;
}

}  // namespace Graphics
