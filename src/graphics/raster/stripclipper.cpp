#include "graphics/raster/stripclipper.h"

#include <algorithm>

#include "graphics/geometry/figureflattener.h"

namespace Graphics {

StripClipper::StripClipper(Axis axis, float low, float high, float tolerance,
                           std::shared_ptr<GeometrySink> downstream)
    : tolerance_(tolerance),
      axis_(axis),
      low_(std::min(low, high)),
      high_(std::max(low, high)),
      downstream_(std::move(downstream)),
      figureStart_{0, 0},
      currentPoint_{0, 0},
      figureBegun_(false),
      figureOpen_(false),
      side_(kInside) {}

void StripClipper::SetFillRule(int32_t rule) {
    downstream_->SetFillRule(rule);
}

StripClipper::Side StripClipper::SideOf(const GXPoint& p) const {
    float v = axis_ == kClipX ? p.x : p.y;
    // NaN counts as inside and travels on; the rasterizer drops figures that carry one.
    if (v < low_) return kBelow;
    if (v > high_) return kAbove;
    return kInside;
}

GXPoint StripClipper::Crossing(const GXPoint& a, const GXPoint& b, float bound) const {
    // In double, so the far end of a segment thousands of strips long does not drown the
    // position of the crossing; the clipped coordinate is set to the bound exactly.
    if (axis_ == kClipX) {
        double t = (double{bound} - a.x) / (double{b.x} - a.x);
        return {bound, static_cast<float>(a.y + t * (double{b.y} - a.y))};
    }
    double t = (double{bound} - a.y) / (double{b.y} - a.y);
    return {static_cast<float>(a.x + t * (double{b.x} - a.x)), bound};
}

void StripClipper::Emit(const GXPoint& p) {
    if (figureOpen_) {
        downstream_->LineTo(p);
    } else {
        downstream_->BeginFigure(p);
        figureOpen_ = true;
    }
}

void StripClipper::BeginFigure(const GXPoint& start) {
    if (figureBegun_) EndFigureClose();
    figureBegun_ = true;
    figureOpen_ = false;
    figureStart_ = start;
    currentPoint_ = start;
    // Nothing is sent yet: the first emitted point may be a crossing, and a start inside
    // the strip comes back as the end of the closing side.
    side_ = SideOf(start);
}

void StripClipper::LineTo(const GXPoint& point) {
    const Side side = SideOf(point);
    auto bound = [this](Side s) { return s == kBelow ? low_ : high_; };
    if (side_ == kInside) {
        Emit(side == kInside ? point : Crossing(currentPoint_, point, bound(side)));
    } else if (side == kInside) {
        Emit(Crossing(currentPoint_, point, bound(side_)));
        Emit(point);
    } else if (side != side_) {
        Emit(Crossing(currentPoint_, point, bound(side_)));
        Emit(Crossing(currentPoint_, point, bound(side)));
    }
    currentPoint_ = point;
    side_ = side;
}

void StripClipper::EndFigure() {
    EndFigureClose();
}

void StripClipper::EndFigureClose() {
    if (!figureBegun_) return;
    LineTo(figureStart_);
    if (figureOpen_) downstream_->EndFigureClose();
    figureBegun_ = false;
    figureOpen_ = false;
}

void StripClipper::CubicCurveTo(const GXPoint& c1, const GXPoint& c2, const GXPoint& end) {
    FigureFlattener::Flatten(tolerance_, currentPoint_, c1, c2, end,
                             [this](const GXPoint& p) { LineTo(p); });
}

}  // namespace Graphics
