// Exports: geometry.
#include <cmath>
#include <memory>

#include "graphics/api/exportguard.h"
#include "graphics/api/handlerecord.h"
#include "graphics/geometry/geometry.h"
#include "graphics/geometry/geometrysinkadapter.h"
#include "graphics/geometry/strokestyle.h"
#include "graphics/geometry/transformer.h"

using namespace Graphics;

namespace {
Geometry& Impl(GXGeometryRec_* handle) {
    return *handle->impl;
}
}  // namespace

GXResult GXCreateGeometry(GXGeometryRec_** geometry) {
    if (AnyUnusable(geometry)) return GXResultInvalidArg;
    return ExportGuard(
        [&] { *geometry = MakeHandle<GXGeometryRec_>(std::make_shared<Geometry>()); });
}

GXResult GXGeometrySetFillRule(GXGeometryRec_* geometry, int32_t rule) {
    if (AnyUnusable(geometry)) return GXResultInvalidArg;
    return ExportGuard([&] { Impl(geometry).SetFillRule(rule); });
}

GXResult GXGeometryGetFillRule(GXGeometryRec_* geometry, int32_t* rule) {
    if (AnyUnusable(geometry, rule)) return GXResultInvalidArg;
    *rule = Impl(geometry).FillRule();
    return GXResultSuccess;
}

GXResult GXGeometryEmpty(GXGeometryRec_* geometry, uint8_t* empty) {
    if (AnyUnusable(geometry, empty)) return GXResultInvalidArg;
    *empty = Impl(geometry).IsEmpty() ? 1 : 0;
    return GXResultSuccess;
}

GXResult GXGeometryPointsEqual(GXGeometryRec_* geometry, GXGeometryRec_* other, uint8_t* equal) {
    if (AnyUnusable(geometry, other, equal)) return GXResultInvalidArg;
    *equal = Impl(geometry).PointsEqual(Impl(other)) ? 1 : 0;
    return GXResultSuccess;
}

GXResult GXGeometryGetCurrentPoint(GXGeometryRec_* geometry, GXPoint* point) {
    if (AnyUnusable(geometry, point)) return GXResultInvalidArg;
    return Impl(geometry).CurrentPoint(*point) ? GXResultSuccess : GXResultNoResult;
}

GXResult GXGeometryBeginFigure(GXGeometryRec_* geometry, const GXPoint* start) {
    if (AnyUnusable(geometry, start)) return GXResultInvalidArg;
    return ExportGuard([&] { Impl(geometry).BeginFigure(*start); });
}

GXResult GXGeometryEndFigure(GXGeometryRec_* geometry) {
    if (AnyUnusable(geometry)) return GXResultInvalidArg;
    return ExportGuard([&] { Impl(geometry).EndFigure(); });
}

GXResult GXGeometryEndFigureClose(GXGeometryRec_* geometry) {
    if (AnyUnusable(geometry)) return GXResultInvalidArg;
    return ExportGuard([&] { Impl(geometry).EndFigureClose(); });
}

GXResult GXGeometryLineTo(GXGeometryRec_* geometry, const GXPoint* point) {
    if (AnyUnusable(geometry, point)) return GXResultInvalidArg;
    return ExportGuard([&] { Impl(geometry).LineTo(*point); });
}

GXResult GXGeometryConicCurveTo(GXGeometryRec_* geometry, const GXPoint* control,
                                const GXPoint* end) {
    if (AnyUnusable(geometry, control, end)) return GXResultInvalidArg;
    return ExportGuard([&] { Impl(geometry).ConicCurveTo(*control, *end); });
}

GXResult GXGeometryCubicCurveTo(GXGeometryRec_* geometry, const GXPoint* c1, const GXPoint* c2,
                                const GXPoint* end) {
    if (AnyUnusable(geometry, c1, c2, end)) return GXResultInvalidArg;
    return ExportGuard([&] { Impl(geometry).CubicCurveTo(*c1, *c2, *end); });
}

GXResult GXGeometryRectangle(GXGeometryRec_* geometry, const GXRect* rect) {
    if (AnyUnusable(geometry, rect)) return GXResultInvalidArg;
    return ExportGuard([&] { Impl(geometry).Rectangle(*rect); });
}

GXResult GXGeometryEllipse(GXGeometryRec_* geometry, const GXRect* rect) {
    if (AnyUnusable(geometry, rect)) return GXResultInvalidArg;
    return ExportGuard([&] { Impl(geometry).Ellipse(*rect); });
}

GXResult GXGeometryRoundRectangle(GXGeometryRec_* geometry, const GXRect* rect, float rx,
                                  float ry) {
    if (AnyUnusable(geometry, rect)) return GXResultInvalidArg;
    return ExportGuard([&] { Impl(geometry).RoundRectangle(*rect, rx, ry); });
}

GXResult GXGeometryCopy(GXGeometryRec_* geometry, GXGeometryRec_** copy) {
    if (AnyUnusable(geometry, copy)) return GXResultInvalidArg;
    return ExportGuard([&] {
        auto result = std::make_shared<Geometry>();
        Impl(geometry).SendToSink(result.get());
        *copy = MakeHandle<GXGeometryRec_>(std::move(result));
    });
}

GXResult GXGeometrySendToSink(GXGeometryRec_* geometry, const GXGeometrySinkCallbacks* callbacks) {
    if (AnyUnusable(geometry, callbacks)) return GXResultInvalidArg;
    if (!callbacks->setFillRule || !callbacks->beginFigure || !callbacks->endFigure ||
        !callbacks->endFigureClose || !callbacks->lineTo || !callbacks->cubicCurveTo)
        return GXResultInvalidArg;
    return ExportGuard([&] {
        // Callbacks may release the handle; the replay keeps the geometry alive.
        std::shared_ptr<Geometry> keep = geometry->impl;
        GeometrySinkAdapter_ adapter(callbacks);
        keep->SendToSink(&adapter);
    });
}

GXResult GXGeometryTransform(GXGeometryRec_* geometry, const GXMatrix* matrix,
                             GXGeometryRec_** transformed) {
    if (AnyUnusable(geometry, matrix, transformed)) return GXResultInvalidArg;
    return ExportGuard([&] {
        auto result = std::make_shared<Geometry>();
        Impl(geometry).SendToSinkTransformed(*matrix, result.get());
        *transformed = MakeHandle<GXGeometryRec_>(std::move(result));
    });
}

GXResult GXGeometryGetBound(GXGeometryRec_* geometry, const GXMatrix* matrix, GXRect* bound) {
    if (AnyUnusable(geometry, bound)) return GXResultInvalidArg;
    const Geometry& g = Impl(geometry);
    const GXRect box = g.IsEmpty() ? GXRect{0, 0, 0, 0} : g.Bound().Box();
    *bound = TransformBounds(matrix ? *matrix : kIdentityMatrix, box);
    return GXResultSuccess;
}

GXResult GXGeometryHitTest(GXGeometryRec_* geometry, const GXPoint* point, uint8_t* inside) {
    if (AnyUnusable(geometry, point, inside)) return GXResultInvalidArg;
    return ExportGuard([&] { *inside = Impl(geometry).HitTest(*point) ? 1 : 0; });
}

GXResult GXGeometryWiden(GXGeometryRec_* geometry, float width, const GXStrokeStyle* style,
                         float tolerance, GXGeometryRec_** outline) {
    if (AnyUnusable(geometry, style, outline)) return GXResultInvalidArg;
    return ExportGuard([&] {
        auto result = std::make_shared<Geometry>();
        Impl(geometry).Widen(width, StrokeStyle(style), tolerance, result);
        *outline = MakeHandle<GXGeometryRec_>(std::move(result));
    });
}

GXResult GXGeometryCombine(GXGeometryRec_* geometry, GXGeometryRec_* other, const GXMatrix* matrix,
                           int32_t operation, float precision, GXGeometryRec_** combined) {
    if (AnyUnusable(geometry, other, combined)) return GXResultInvalidArg;
    if (operation < 0 || operation > 4 || !std::isfinite(precision) || !(precision > 0)) {
        return GXResultInvalidArg;
    }
    return ExportGuard([&] {
        auto result = std::make_shared<Geometry>();
        Impl(geometry).Combine(Impl(other), matrix ? *matrix : kIdentityMatrix, operation,
                               precision, result);
        *combined = MakeHandle<GXGeometryRec_>(std::move(result));
    });
}
