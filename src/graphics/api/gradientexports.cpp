// Exports: gradients.
#include <memory>
#include <vector>

#include "graphics/api/exportguard.h"
#include "graphics/api/handlerecord.h"
#include "graphics/paint/lineargradient.h"
#include "graphics/paint/radialgradient.h"
#include "graphics/paint/trimeshgradient.h"

using namespace Graphics;

namespace {

std::shared_ptr<GradientStopCollection> CollectStops(const GXGradientStop* stops, uint64_t count) {
    auto collection = std::make_shared<GradientStopCollection>();
    for (uint64_t i = 0; i < count; ++i) collection->Insert({stops[i].offset, stops[i].color});
    return collection;
}

}  // namespace

GXResult GXCreateGradientLinear(const GXLinearGradientDesc* desc, GXGradientRec_** out) {
    if (AnyUnusable(desc, out)) return GXResultInvalidArg;
    if (desc->count > 0 && !desc->stops) return GXResultInvalidArg;
    return ExportGuard([&] {
        *out = MakeHandle<GXGradientRec_>(std::make_shared<LinearGradient>(
            CollectStops(desc->stops, desc->count), GXPoint{desc->x0, desc->y0},
            GXPoint{desc->x1, desc->y1}, desc->extendStart, desc->extendEnd, desc->background));
    });
}

GXResult GXCreateGradientRadial(const GXRadialGradientDesc* desc, GXGradientRec_** out) {
    if (AnyUnusable(desc, out)) return GXResultInvalidArg;
    if (desc->count > 0 && !desc->stops) return GXResultInvalidArg;
    return ExportGuard([&] {
        *out = MakeHandle<GXGradientRec_>(std::make_shared<RadialGradient>(
            CollectStops(desc->stops, desc->count), GXPoint{desc->x0, desc->y0}, desc->r0,
            GXPoint{desc->x1, desc->y1}, desc->r1, desc->extendStart, desc->extendEnd,
            desc->background));
    });
}

GXResult GXCreateGradientTriMesh(const GXTriMeshVertex* vertices, uint64_t count,
                                 uint32_t background, GXGradientRec_** out) {
    if (AnyUnusable(vertices, out) || count == 0) return GXResultInvalidArg;
    return ExportGuard([&] {
        std::vector<TriMeshVertex> mesh;
        mesh.reserve(count);
        for (uint64_t i = 0; i < count; ++i)
            mesh.push_back({vertices[i].x, vertices[i].y, vertices[i].color});
        *out = MakeHandle<GXGradientRec_>(
            std::make_shared<TriMeshGradient>(std::move(mesh), background));
    });
}
