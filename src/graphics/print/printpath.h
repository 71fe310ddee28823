#pragma once

#include <memory>

#include "graphics/geometry/geometrysink.h"
#include "platform/printcanvas.h"

namespace Graphics {

class Geometry;

// Builds the canvas path of a geometry: replayed into this sink, every figure becomes a
// canvas figure and the fill rule its winding or even-odd mode.
class PrintPath : public GeometrySink {
public:
    // The path of `geometry` carried through `matrix`; empty (non-zero winding) for an
    // empty geometry.
    static Host::PrintCanvasPath Build(const Geometry& geometry, const GXMatrix& matrix);

    // 0 non-zero winding, 1 even-odd; any other rule leaves the mode as it was.
    void SetFillRule(int32_t rule) override;
    void BeginFigure(const GXPoint& start) override { path_.MoveTo(start); }
    // Nothing: the next figure begins with its own move.
    void EndFigure() override {}
    void EndFigureClose() override { path_.Close(); }
    void LineTo(const GXPoint& point) override { path_.LineTo(point); }
    void CubicCurveTo(const GXPoint& c1, const GXPoint& c2, const GXPoint& end) override {
        path_.CurveTo(c1, c2, end);
    }

private:
    Host::PrintCanvasPath path_;  // what has been replayed so far
};

}  // namespace Graphics
