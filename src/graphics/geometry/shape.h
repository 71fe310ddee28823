#pragma once

#include <memory>
#include <vector>

#include "graphics/geometry/boundcalculator.h"
#include "graphics/geometry/figure.h"
#include "graphics/geometry/geometrysink.h"

namespace Graphics {

// The path storage. It keeps the figures that were ended, in insertion order; the figure
// being built is invisible to everything but the bound and the current point until it is
// ended. Stored figures are never changed or removed. Every call either completes or,
// when an allocation fails, throws leaving the shape as it was.
class Shape final : public GeometrySink {
public:
    Shape();

    void SetFillRule(int32_t rule) override { fillRule_ = rule; }
    void BeginFigure(const GXPoint& start) override;
    void EndFigure() override;
    void EndFigureClose() override;
    void LineTo(const GXPoint& point) override;
    void CubicCurveTo(const GXPoint& c1, const GXPoint& c2, const GXPoint& end) override;

    int32_t FillRule() const { return fillRule_; }
    bool IsFigureOpen() const { return figureOpen_; }
    const Figure& CurrentFigure() const { return current_; }
    const std::vector<Figure>& Figures() const { return figures_; }
    const BoundCalculator& Bound() const { return *bound_; }

    // Ends the open figure and stores the figures of `other` after it, all or nothing.
    void Append(Shape&& other);

    // The replay protocol: nothing for no stored figure, else SetFillRule once and every
    // stored figure in order.
    void Replay(GeometrySink& sink) const;

    // Back to a new shape's state (rule 0, no figure, empty bound), keeping one figure's
    // block for the next figure. Stored figures are otherwise never removed: this is only
    // for a shape that nothing else reads any more.
    void Clear();

private:
    int32_t fillRule_ = 0;                    // stored as given; consumers read 0 and 1 only
    bool figureOpen_ = false;                 // current_ is being built
    Figure current_;                          // the open figure; its block is reused
    std::vector<Figure> figures_;             // ended figures, in insertion order
    std::shared_ptr<BoundCalculator> bound_;  // every point ever received, never empty

    // True when the open figure has something to store: a segment, or it was closed.
    bool OpenFigureIsStorable() const;
    // Makes room for `count` more stored figures, so that storing them cannot fail.
    void ReserveFigures(size_t count);
    // Stores the open figure; room for it must have been made.
    void StoreOpenFigure() noexcept;
};

}  // namespace Graphics
