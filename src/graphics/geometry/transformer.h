#pragma once

#include <memory>

#include "graphics/geometry/geometrysink.h"

namespace Graphics {

// The identity matrix; a matrix counts as the identity only when all six elements equal
// these exactly.
constexpr GXMatrix kIdentityMatrix{1, 0, 0, 1, 0, 0};

bool IsIdentity(const GXMatrix& m);

// (x, y) -> (a*x + c*y + e, b*x + d*y + f), in single precision.
inline GXPoint TransformPoint(const GXMatrix& m, const GXPoint& p) {
    return GXPoint{m.a * p.x + m.c * p.y + m.e, m.b * p.x + m.d * p.y + m.f};
}

// The box of `box` carried through `m`: the normalised box for the identity, else the
// per-axis extremes of the four mapped corners.
GXRect TransformBounds(const GXMatrix& m, const GXRect& box);

// The matrix stage put in front of any sink: every point, control points included, is
// mapped (Bézier curves are affine-invariant); verbs, closed flags and the rule pass
// through.
class Transformer final : public GeometrySink {
public:
    Transformer(const GXMatrix& matrix, std::shared_ptr<GeometrySink> target);

    void SetFillRule(int32_t rule) override { target_->SetFillRule(rule); }
    void BeginFigure(const GXPoint& start) override {
        target_->BeginFigure(TransformPoint(matrix_, start));
    }
    void EndFigure() override { target_->EndFigure(); }
    void EndFigureClose() override { target_->EndFigureClose(); }
    void LineTo(const GXPoint& point) override { target_->LineTo(TransformPoint(matrix_, point)); }
    void CubicCurveTo(const GXPoint& c1, const GXPoint& c2, const GXPoint& end) override {
        target_->CubicCurveTo(TransformPoint(matrix_, c1), TransformPoint(matrix_, c2),
                              TransformPoint(matrix_, end));
    }

private:
    GXMatrix matrix_;                       // applied to every point
    std::shared_ptr<GeometrySink> target_;  // never null
};

}  // namespace Graphics
