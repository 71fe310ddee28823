#pragma once

#include <cmath>

#include "graphics/geometry/geometrysink.h"

namespace Graphics {

// The axis-aligned box of every point a geometry has ever received, control points
// included. Every Shape feeds one live, so bound queries cost nothing. The box never
// shrinks: it also holds points the Shape did not store (duplicates, discarded and open
// figures).
class BoundCalculator final : public GeometrySink {
public:
    void SetFillRule(int32_t) override {}
    void BeginFigure(const GXPoint& start) override { Include(start); }
    void EndFigure() override {}
    void EndFigureClose() override {}
    void LineTo(const GXPoint& point) override { Include(point); }
    void CubicCurveTo(const GXPoint& c1, const GXPoint& c2, const GXPoint& end) override {
        Include(c1);
        Include(c2);
        Include(end);
    }

    // A point with a NaN or infinite coordinate is left out, first or not: the figures
    // holding one are dropped when drawn, so they have no extent to bound.
    void Include(const GXPoint& p) {
        if (!std::isfinite(p.x) || !std::isfinite(p.y)) return;
        if (empty_) {
            left_ = right_ = p.x;
            top_ = bottom_ = p.y;
            empty_ = false;
            return;
        }
        if (p.x < left_) left_ = p.x;
        if (p.y < top_) top_ = p.y;
        if (p.x > right_) right_ = p.x;
        if (p.y > bottom_) bottom_ = p.y;
    }

    // Widens this box to take in `other`'s.
    void Include(const BoundCalculator& other) {
        if (other.empty_) return;
        Include(GXPoint{other.left_, other.top_});
        Include(GXPoint{other.right_, other.bottom_});
    }

    bool IsEmpty() const { return empty_; }
    // The box, (0, 0, 0, 0) while empty.
    GXRect Box() const { return GXRect{left_, top_, right_, bottom_}; }

private:
    bool empty_ = true;  // no point included yet
    float left_ = 0;     // smallest x included
    float top_ = 0;      // smallest y included
    float right_ = 0;    // largest x included
    float bottom_ = 0;   // largest y included
};

}  // namespace Graphics
