#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "graphics/core/graphicsbase.h"
#include "graphics/geometry/geometrysink.h"
#include "graphics/geometry/shape.h"

namespace Graphics {

struct StrokeStyle;

// The object behind a geometry handle: a path built point by point or by the library
// (rectangles, ellipses, stroke outlines, transformed copies), consumed by replay. Being a
// sink itself, a geometry can be the target of another geometry's replay.
class Geometry : public GraphicsBase, public GeometrySink {
public:
    Geometry();
    // Tells the release hook when renderings of this geometry are kept.
    ~Geometry() override;
    // A copy would share the identity that renderers key their caches by.
    Geometry(const Geometry&) = delete;
    Geometry& operator=(const Geometry&) = delete;

    void SetFillRule(int32_t rule) override {
        shape_->SetFillRule(rule);
        ++revision_;
    }
    void BeginFigure(const GXPoint& start) override {
        shape_->BeginFigure(start);
        ++revision_;
    }
    void EndFigure() override {
        shape_->EndFigure();
        ++revision_;
    }
    void EndFigureClose() override {
        shape_->EndFigureClose();
        ++revision_;
    }
    // Both begin a figure at the current point (or (0, 0)) when none is open.
    void LineTo(const GXPoint& point) override;
    void CubicCurveTo(const GXPoint& c1, const GXPoint& c2, const GXPoint& end) override;
    // The cubic (current point, control, end); with no current point at all the first
    // control point is `control` itself.
    virtual void ConicCurveTo(const GXPoint& control, const GXPoint& end);

    int32_t FillRule() const { return shape_->FillRule(); }
    // True when no figure is stored; an open figure does not count.
    bool IsEmpty() const { return shape_->Figures().empty(); }
    // The last point of the open figure; else the start point of the last stored figure
    // when it is closed, its last point when open; false when there is none.
    bool CurrentPoint(GXPoint& point) const;
    const BoundCalculator& Bound() const { return shape_->Bound(); }
    const Shape& GetShape() const { return *shape_; }
    // The corners when the geometry is exactly one figure of four straight sides: three
    // segments over four points, or four over five that return to the start.
    bool FourCorners(GXPoint (&corners)[4]) const;

    // Replays the stored figures (nothing for a null sink or no stored figure).
    void SendToSink(GeometrySink* sink) const;
    // The same through `matrix`; the matrix stage is skipped for the identity.
    void SendToSinkTransformed(const GXMatrix& matrix, GeometrySink* sink) const;

    // Empties the geometry as if it were new, keeping a figure's block. Only for a geometry
    // no one else holds: everywhere else a stored figure is never changed.
    void Reset() {
        shape_->Clear();
        ++revision_;
    }

    // What renderers key cached renderings of this geometry by: an identity no other
    // geometry of the process ever has (addresses are reused, identities are not), and a
    // revision that every change of figures or fill rule advances.
    uint64_t Identity() const { return identity_; }
    uint64_t Revision() const { return revision_; }
    // A renderer that keeps renderings of this geometry past a draw marks it; when a marked
    // geometry dies, the hook (one per process, set by that renderer's cache) is called
    // with its identity, so that what was kept for it goes with it.
    void MarkRenderingsKept() const { renderingsKept_.store(true, std::memory_order_relaxed); }
    using ReleaseHook = void (*)(uint64_t identity);
    static void SetReleaseHook(ReleaseHook hook);

    // Construction sequences, issued through this geometry's own operations.
    void Rectangle(const GXRect& r);
    void Ellipse(const GXRect& r);
    void RoundRectangle(const GXRect& r, float rx, float ry);

    // Same rule, same bound, same stored figures point for point and verb for verb.
    bool PointsEqual(const Geometry& other) const;

    // Whether `point` lies in the filled interior, in the geometry's own coordinates. Every
    // figure counts as closed; cubics are flattened to 1/1000 of the bound's larger side.
    bool HitTest(const GXPoint& point) const;

    // Replays the outline of this geometry's stroke into `target` (nothing when the target
    // is null or no figure is stored); the fill rule is not passed on.
    void Widen(float width, const StrokeStyle& style, float tolerance,
               const std::shared_ptr<GeometrySink>& target) const;

    // Sends this geometry combined with `other` seen through `matrix` into `target` (nothing
    // when null): operation 0 intersect, 1 union, 2 exclusive or, 3 this minus other, 4
    // other minus this; precision (positive) is the grid unit and flattening tolerance.
    // Empty or disjoint operands are replayed unchanged, curves and rules included; a swept
    // result is closed polygons under the non-zero rule and sets no rule.
    void Combine(const Geometry& other, const GXMatrix& matrix, int32_t operation, float precision,
                 const std::shared_ptr<GeometrySink>& target) const;

private:
    // Begins a figure at the current point, or (0, 0), when none is open.
    void EnsureFigure();
    // Runs build(shape) on a new shape and appends its figures, all or nothing.
    template <class Build>
    void AddFigure(Build&& build);

    std::shared_ptr<Shape> shape_;  // never null
    uint64_t identity_;             // unique in the process, from a counter
    uint64_t revision_ = 0;         // advanced by every change
    mutable std::atomic<bool> renderingsKept_{false};  // see MarkRenderingsKept
};

}  // namespace Graphics
