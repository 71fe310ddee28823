#pragma once

#include <cmath>
#include <vector>

#include "graphics/geometry/geometrysink.h"

namespace Graphics {

// Collects what a stage sends as polylines (cubics keep their three points), one entry
// per figure, so tests can compare whole outlines with concrete coordinates.
struct RecordingSink : GeometrySink {
    struct Recorded {
        std::vector<GXPoint> points;
        bool closed = false;
        bool ended = false;
    };
    std::vector<Recorded> figures;

    void SetFillRule(int32_t) override {}
    void BeginFigure(const GXPoint& p) override { figures.push_back({{p}, false, false}); }
    void EndFigure() override { figures.back().ended = true; }
    void EndFigureClose() override {
        figures.back().ended = true;
        figures.back().closed = true;
    }
    void LineTo(const GXPoint& p) override { figures.back().points.push_back(p); }
    void CubicCurveTo(const GXPoint& a, const GXPoint& b, const GXPoint& e) override {
        figures.back().points.insert(figures.back().points.end(), {a, b, e});
    }
};

inline bool Near(const GXPoint& a, const GXPoint& b, float eps = 1e-5f) {
    return std::fabs(a.x - b.x) <= eps && std::fabs(a.y - b.y) <= eps;
}

}  // namespace Graphics
