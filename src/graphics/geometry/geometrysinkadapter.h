#pragma once

#include "graphics/geometry/geometrysink.h"

namespace Graphics {

// Replays into a caller's callbacks. It keeps a pointer to the caller's record (not a
// copy) and lives for one call; points are handed over as local copies, so a callback
// never sees the geometry's own storage.
class GeometrySinkAdapter_ final : public GeometrySink {
public:
    explicit GeometrySinkAdapter_(const GXGeometrySinkCallbacks* callbacks)
        : callbacks_(callbacks) {}

    void SetFillRule(int32_t rule) override { callbacks_->setFillRule(callbacks_->context, rule); }
    void BeginFigure(const GXPoint& start) override {
        GXPoint p = start;
        callbacks_->beginFigure(callbacks_->context, &p);
    }
    void EndFigure() override { callbacks_->endFigure(callbacks_->context); }
    void EndFigureClose() override { callbacks_->endFigureClose(callbacks_->context); }
    void LineTo(const GXPoint& point) override {
        GXPoint p = point;
        callbacks_->lineTo(callbacks_->context, &p);
    }
    void CubicCurveTo(const GXPoint& c1, const GXPoint& c2, const GXPoint& end) override {
        GXPoint a = c1, b = c2, e = end;
        callbacks_->cubicCurveTo(callbacks_->context, &a, &b, &e);
    }

private:
    const GXGeometrySinkCallbacks* callbacks_;  // the caller's record; all six non-null
};

}  // namespace Graphics
