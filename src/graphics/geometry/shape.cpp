#include "graphics/geometry/shape.h"

#include <utility>

namespace Graphics {

Shape::Shape() : bound_(std::make_shared<BoundCalculator>()) {}

void Shape::ReserveFigures(size_t count) {
    const size_t needed = figures_.size() + count;
    // Doubling keeps storing a figure amortised O(1).
    if (needed > figures_.capacity())
        figures_.reserve(needed > 2 * figures_.size() ? needed : 2 * figures_.size());
}

bool Shape::OpenFigureIsStorable() const {
    // A lone start point stays open: a following LineTo extends the same figure.
    return figureOpen_ && current_.PointCount() > 0 &&
           (current_.VerbCount() > 0 || current_.IsClosed());
}

void Shape::StoreOpenFigure() noexcept {
    figures_.push_back(std::move(current_));  // room was made: no allocation, no throw
    figureOpen_ = false;
    bound_->EndFigure();
}

void Shape::BeginFigure(const GXPoint& start) {
    // Copy first: `start` may refer into the block that Reset hands back for reuse.
    const GXPoint p = start;
    if (figureOpen_) {
        // The open figure is ended and a new one begins. Every allocation comes first, so
        // a failure leaves the open figure open and unchanged.
        const bool stores = OpenFigureIsStorable();
        if (stores) ReserveFigures(1);
        Figure next;
        next.AppendStart(p);
        if (stores) StoreOpenFigure();
        current_ = std::move(next);
    } else {
        // Nothing open: a failure here leaves the shape closed as it was.
        current_.Reset();
        current_.AppendStart(p);
    }
    figureOpen_ = true;
    bound_->BeginFigure(p);
}

void Shape::EndFigure() {
    if (!OpenFigureIsStorable()) return;
    ReserveFigures(1);
    StoreOpenFigure();
}

void Shape::EndFigureClose() {
    if (!figureOpen_) return;
    ReserveFigures(1);
    current_.SetClosed(true);
    EndFigure();
}

void Shape::Append(Shape&& other) {
    if (other.figures_.empty()) return;
    ReserveFigures(other.figures_.size() + 1);
    if (OpenFigureIsStorable()) StoreOpenFigure();
    figureOpen_ = false;
    for (Figure& figure : other.figures_) figures_.push_back(std::move(figure));
    bound_->Include(*other.bound_);
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
