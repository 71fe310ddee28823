#pragma once

#include <cstdint>

#include "gx.h"

namespace Graphics {

// The one way paths travel through the library: storage, bounds, the matrix stage, the
// stroker and dasher, the Boolean sweep, the hit tester, the rasterizer and callers' own
// callbacks all receive geometry by replay into a sink.
//
// Replay protocol: nothing at all for an empty geometry; otherwise SetFillRule once, then
// for each figure BeginFigure, its LineTo/CubicCurveTo segments and EndFigure or
// EndFigureClose (the closing segment is implied, never repeated). A sink must not keep the
// references it is handed.
class GeometrySink {
public:
    virtual ~GeometrySink() = default;
    virtual void SetFillRule(int32_t rule) = 0;  // 0 non-zero winding, 1 even-odd
    virtual void BeginFigure(const GXPoint& start) = 0;
    virtual void EndFigure() = 0;
    virtual void EndFigureClose() = 0;
    virtual void LineTo(const GXPoint& point) = 0;
    virtual void CubicCurveTo(const GXPoint& c1, const GXPoint& c2, const GXPoint& end) = 0;
};

}  // namespace Graphics
