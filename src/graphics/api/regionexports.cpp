// Exports: regions.
#include <memory>
#include <vector>

#include "graphics/api/exportguard.h"
#include "graphics/api/handlerecord.h"
#include "graphics/region/region.h"

using Graphics::AnyUnusable;
using Graphics::ExportGuard;
using Graphics::MakeHandle;
using Graphics::Region;

namespace {

bool IsCombineMode(GXCombineMode op) {
    return op >= GXCombineIntersect && op <= GXCombineReverseDifference;
}

// Each handle holds a region of its own; only the run arrays inside are shared.
GXRegionRec_* NewRegionHandle(Region region) {
    return MakeHandle<GXRegionRec_>(std::make_shared<Region>(std::move(region)));
}

}  // namespace

GXResult GXCreateRegion(GXRegionRec_** region) {
    if (AnyUnusable(region)) return GXResultInvalidArg;
    return ExportGuard([&] { *region = NewRegionHandle(Region()); });
}

GXResult GXCreateRegionFromRect(const GXIntRect* rect, GXRegionRec_** region) {
    if (AnyUnusable(rect, region)) return GXResultInvalidArg;
    if (!Region::IsStorableRect(*rect)) return GXResultInvalidArg;
    return ExportGuard([&] { *region = NewRegionHandle(Region(*rect)); });
}

GXResult GXRegionIsAreaEmpty(GXRegionRec_* region, uint8_t* isEmpty) {
    if (AnyUnusable(region, isEmpty)) return GXResultInvalidArg;
    *isEmpty = region->impl->IsEmpty() ? 1 : 0;
    return GXResultSuccess;
}

GXResult GXRegionGetBound(GXRegionRec_* region, GXIntRect* bound) {
    if (AnyUnusable(region, bound)) return GXResultInvalidArg;
    *bound = region->impl->Bound();
    return GXResultSuccess;
}

GXResult GXRegionContainsPoint(GXRegionRec_* region, const GXIntPoint* point, uint8_t* contains) {
    if (AnyUnusable(region, point, contains)) return GXResultInvalidArg;
    *contains = region->impl->BoundContains(*point) ? 1 : 0;
    return GXResultSuccess;
}

GXResult GXRegionContainsRect(GXRegionRec_* region, const GXIntRect* rect, uint8_t* contains) {
    if (AnyUnusable(region, rect, contains)) return GXResultInvalidArg;
    if (!Region::IsStorableRect(*rect)) return GXResultInvalidArg;
    return ExportGuard([&] { *contains = region->impl->Contains(Region(*rect)) ? 1 : 0; });
}

GXResult GXRegionContains(GXRegionRec_* a, GXRegionRec_* b, uint8_t* contains) {
    if (AnyUnusable(a, b, contains)) return GXResultInvalidArg;
    return ExportGuard([&] { *contains = a->impl->Contains(*b->impl) ? 1 : 0; });
}

GXResult GXRegionHasIntersection(GXRegionRec_* a, GXRegionRec_* b, uint8_t* intersects) {
    if (AnyUnusable(a, b, intersects)) return GXResultInvalidArg;
    return ExportGuard([&] { *intersects = a->impl->Intersects(*b->impl) ? 1 : 0; });
}

GXResult GXRegionHasIntersectionWithRect(GXRegionRec_* region, const GXIntRect* rect,
                                         uint8_t* intersects) {
    if (AnyUnusable(region, rect, intersects)) return GXResultInvalidArg;
    if (!Region::IsStorableRect(*rect)) return GXResultInvalidArg;
    return ExportGuard([&] { *intersects = region->impl->Intersects(Region(*rect)) ? 1 : 0; });
}

GXResult GXRegionOffset(GXRegionRec_* region, int32_t dx, int32_t dy) {
    if (AnyUnusable(region)) return GXResultInvalidArg;
    // Guarded: a run array shared with another region is copied before it moves.
    return ExportGuard(
        [&] { return region->impl->Offset(dx, dy) ? GXResultSuccess : GXResultInvalidArg; });
}

GXResult GXRegionCombine(GXRegionRec_* a, GXRegionRec_* b, GXCombineMode op,
                         GXRegionRec_** result) {
    if (AnyUnusable(a, b, result)) return GXResultInvalidArg;
    if (!IsCombineMode(op)) return GXResultInvalidArg;
    return ExportGuard([&] { *result = NewRegionHandle(Region::Oper(*a->impl, *b->impl, op)); });
}

GXResult GXRegionCombineRect(GXRegionRec_* a, const GXIntRect* rect, GXCombineMode op,
                             GXRegionRec_** result) {
    if (AnyUnusable(a, rect, result)) return GXResultInvalidArg;
    if (!IsCombineMode(op) || !Region::IsStorableRect(*rect)) return GXResultInvalidArg;
    return ExportGuard(
        [&] { *result = NewRegionHandle(Region::Oper(*a->impl, Region(*rect), op)); });
}

GXResult GXRegionEnumRects(GXRegionRec_* region, GXRegionRectCallback callback, void* context) {
    if (AnyUnusable(region) || callback == nullptr) return GXResultInvalidArg;
    return ExportGuard([&] {
        // Gathered first, so a callback that changes or releases the region is harmless.
        const std::vector<GXIntRect> rects = region->impl->Rects();
        for (const GXIntRect& rect : rects) callback(context, &rect);
    });
}
