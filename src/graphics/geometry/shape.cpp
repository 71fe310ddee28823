#include "graphics/geometry/shape.h"

#include <utility>

namespace Graphics {

Shape::Shape() : bound_(std::make_shared<BoundCalculator>()) {}

void Shape::BeginFigure(const GXPoint& start) {
    // Copy first: `start` may refer into the block that Reset hands back for reuse.
    GXPoint p = start;
    if (figureOpen_) EndFigure();
    // Closed until the start point is in: a failed growth must not leave an open figure
    // without points.
    figureOpen_ = false;
    current_.Reset();
    current_.AppendStart(p);
    figureOpen_ = true;
    bound_->BeginFigure(p);
}

void Shape::EndFigure() {
    if (!figureOpen_ || current_.PointCount() == 0) return;
    // A lone start point stays open: a following LineTo extends the same figure.
    if (current_.VerbCount() == 0 && !current_.IsClosed()) return;
    // push_back either moves the figure in or throws leaving it untouched.
    figures_.push_back(std::move(current_));
    figureOpen_ = false;
    bound_->EndFigure();
}

void Shape::EndFigureClose() {
    if (!figureOpen_) return;
    current_.SetClosed(true);
    EndFigure();
}

void Shape::LineTo(const GXPoint& point) {
    if (!figureOpen_) return;
    const GXPoint& last = current_.LastPoint();
    // A NaN coordinate compares unequal, so such a point is always stored.
    if (!(point.x == last.x && point.y == last.y)) current_.AppendLine(point);
    bound_->LineTo(point);
}

void Shape::CubicCurveTo(const GXPoint& c1, const GXPoint& c2, const GXPoint& end) {
    if (!figureOpen_) return;
    current_.AppendCubic(c1, c2, end);
    bound_->CubicCurveTo(c1, c2, end);
}

void Shape::Clear() {
    fillRule_ = 0;
    figureOpen_ = false;
    // The last stored figure's block becomes the open figure's, so that a shape refilled
    // with a figure of the same size needs no allocation.
    if (!figures_.empty()) current_ = std::move(figures_.back());
    current_.Reset();
    figures_.clear();
    *bound_ = BoundCalculator();
}

void Shape::Replay(GeometrySink& sink) const {
    if (figures_.empty()) return;
    sink.SetFillRule(fillRule_);
    // By index over the figures stored now: a sink that builds onto this shape (a caller's
    // callback, say) grows the array under us but never changes a stored figure.
    const size_t count = figures_.size();
    for (size_t i = 0; i < count; ++i) figures_[i].Replay(sink);
}

}  // namespace Graphics
