#pragma once

#include "graphics/geometry/geometrysink.h"

namespace Graphics {

// Decides whether a point lies in the filled interior by counting signed crossings of the
// horizontal ray from the point towards -x, under the replayed fill rule. Cubics are
// flattened (not tested through their control polygon, which would let a point between a
// bulging curve and its polygon hit); every figure counts as closed.
class HitTestProxy final : public GeometrySink {
public:
    // `tolerance` is the flattening tolerance for cubics, in the geometry's units.
    HitTestProxy(const GXPoint& point, float tolerance);

    void SetFillRule(int32_t rule) override { fillRule_ = rule; }
    void BeginFigure(const GXPoint& start) override { start_ = current_ = start; }
    void EndFigure() override { EndFigureClose(); }
    void EndFigureClose() override;
    void LineTo(const GXPoint& point) override;
    void CubicCurveTo(const GXPoint& c1, const GXPoint& c2, const GXPoint& end) override;

    // Nonzero: winding != 0; even-odd: winding odd; any other rule: never inside.
    bool IsInside() const;
    int32_t Winding() const { return winding_; }

private:
    // Counts the edge from current_ to `to` and moves there.
    void Edge(const GXPoint& to);

    GXPoint point_;         // the point under test
    float tolerance_;       // flattening tolerance for cubics, > 0
    int32_t fillRule_ = 0;  // the geometry's rule as replayed
    GXPoint start_{};       // start of the current figure (its closing edge ends here)
    GXPoint current_{};     // end of the last edge counted
    int32_t winding_ = 0;   // +1 per edge crossing downward-increasing y, -1 the other way
};

}  // namespace Graphics
