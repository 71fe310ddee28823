#include "graphics/geometry/hittestproxy.h"

#include "graphics/geometry/figureflattener.h"

namespace Graphics {

HitTestProxy::HitTestProxy(const GXPoint& point, float tolerance)
    : point_(point), tolerance_(tolerance) {}

void HitTestProxy::Edge(const GXPoint& to) {
    const GXPoint a = current_;
    current_ = to;
    const float y = point_.y;
    // Half-open in y, so a vertex shared by two edges counts once; horizontal edges never
    // satisfy either test.
    int32_t direction;
    if (to.y < y && y <= a.y) {
        direction = -1;
    } else if (a.y < y && y <= to.y) {
        direction = 1;
    } else {
        return;
    }
    const float crossX = a.x + (to.x - a.x) * (y - a.y) / (to.y - a.y);
    if (point_.x > crossX) winding_ += direction;
}

void HitTestProxy::EndFigureClose() {
    Edge(start_);
}

void HitTestProxy::LineTo(const GXPoint& point) {
    Edge(point);
}

void HitTestProxy::CubicCurveTo(const GXPoint& c1, const GXPoint& c2, const GXPoint& end) {
    FigureFlattener flattener;
    flattener.Init(FigureFlattener::UsableTolerance(tolerance_, current_, c1, c2, end), current_,
                   c1, c2, end);
    GXPoint p;
    while (flattener.Next(p)) Edge(p);
    Edge(end);
}

bool HitTestProxy::IsInside() const {
    if (fillRule_ == 0) return winding_ != 0;
    if (fillRule_ == 1) return (winding_ & 1) != 0;
    return false;
}

}  // namespace Graphics
