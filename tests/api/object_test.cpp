#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "gx.h"

namespace {

TEST(Objects, NullHandlesAreRejected) {
    EXPECT_EQ(GXObjectAcquire(nullptr), GXResultInvalidArg);
    EXPECT_EQ(GXObjectRelease(nullptr), GXResultInvalidArg);
}

// One live object of each kind, released together.
struct Zoo {
    Zoo() {
        const uint32_t colors[2] = {0xFF000000u, 0xFFFFFFFFu};
        EXPECT_EQ(GXCreatePalette(colors, 2, &palette), GXResultSuccess);
        const GXBitmapDesc desc{8, 8, GXPixelFormatPARGB32, 96, 96};
        EXPECT_EQ(GXCreateBitmap(&desc, &bitmap), GXResultSuccess);
        EXPECT_EQ(GXCreateBrushSolidARGB(0xFFFF0000u, &brush), GXResultSuccess);
        const GXTriMeshVertex vertices[3] = {{0, 0, 0xFF000000u}, {8, 0, 0xFF00FF00u},
                                             {0, 8, 0xFF0000FFu}};
        EXPECT_EQ(GXCreateGradientTriMesh(vertices, 3, 0, &gradient), GXResultSuccess);
        EXPECT_EQ(GXCreateGeometry(&geometry), GXResultSuccess);
        EXPECT_EQ(GXCreateRegion(&region), GXResultSuccess);
        EXPECT_EQ(GXCreateRenderTargetBitmap(bitmap, &target), GXResultSuccess);
    }
    ~Zoo() {
        for (GXOBase* h : All()) GXObjectRelease(h);
    }
    std::vector<GXOBase*> All() const {
        return {GX_HANDLE(palette), GX_HANDLE(bitmap),   GX_HANDLE(brush),
                GX_HANDLE(gradient), GX_HANDLE(geometry), GX_HANDLE(region),
                GX_HANDLE(target)};
    }
    GXPaletteRec_* palette = nullptr;
    GXBitmapRec_* bitmap = nullptr;
    GXBrushRec_* brush = nullptr;
    GXGradientRec_* gradient = nullptr;
    GXGeometryRec_* geometry = nullptr;
    GXRegionRec_* region = nullptr;
    GXRenderTargetRec_* target = nullptr;
};

// Every export checks the kind of each handle it is given: a handle of another kind is
// GXResultInvalidArg, writes no output and leaves both objects usable.
TEST(Objects, HandlesOfAnotherKindAreRefused) {
    Zoo zoo;
    uint64_t count = 77;
    GXIntSize size{7, 7};
    GXBitmapData data{};
    GXPoint point{1, 2};
    GXRect rect{0, 0, 4, 4};
    uint8_t flag = 9;
    GXBrushRec_* made = nullptr;
    struct Call {
        GXOBase* expected;  // the object of the right kind
        std::function<GXResult(GXOBase*)> run;
    };
    const std::vector<Call> calls = {
        {GX_HANDLE(zoo.palette),
         [&](GXOBase* h) { return GXPaletteGetNumColors((GXPaletteRec_*)h, &count); }},
        {GX_HANDLE(zoo.bitmap),
         [&](GXOBase* h) { return GXBitmapGetSize((GXBitmapRec_*)h, &size); }},
        {GX_HANDLE(zoo.bitmap),
         [&](GXOBase* h) { return GXBitmapColorFill((GXBitmapRec_*)h, nullptr, 0xFFFFFFFFu); }},
        {GX_HANDLE(zoo.bitmap),
         [&](GXOBase* h) { return GXBitmapLock((GXBitmapRec_*)h, nullptr, 3, &data); }},
        {GX_HANDLE(zoo.palette),
         [&](GXOBase* h) { return GXBitmapSetPalette(zoo.bitmap, (GXPaletteRec_*)h); }},
        {GX_HANDLE(zoo.geometry),
         [&](GXOBase* h) { return GXGeometryLineTo((GXGeometryRec_*)h, &point); }},
        {GX_HANDLE(zoo.geometry), [&](GXOBase* h) {
             return GXGeometryPointsEqual(zoo.geometry, (GXGeometryRec_*)h, &flag);
         }},
        {GX_HANDLE(zoo.region),
         [&](GXOBase* h) { return GXRegionIsAreaEmpty((GXRegionRec_*)h, &flag); }},
        {GX_HANDLE(zoo.gradient), [&](GXOBase* h) {
             return GXCreateBrushGradient((GXGradientRec_*)h, 1, nullptr, &made);
         }},
        {GX_HANDLE(zoo.brush),
         [&](GXOBase* h) { return GXRenderTargetSetOpacityMask(zoo.target, 0, (GXBrushRec_*)h); }},
        {GX_HANDLE(zoo.brush),
         [&](GXOBase* h) { return GXRenderTargetFillRect(zoo.target, &rect, (GXBrushRec_*)h); }},
        {GX_HANDLE(zoo.target),
         [&](GXOBase* h) { return GXRenderTargetClear((GXRenderTargetRec_*)h, 0); }},
    };
    for (size_t i = 0; i < calls.size(); ++i) {
        for (GXOBase* h : zoo.All()) {
            if (h == calls[i].expected) continue;
            EXPECT_EQ(calls[i].run(h), GXResultInvalidArg) << "call " << i;
        }
        EXPECT_EQ(calls[i].run(calls[i].expected) == GXResultInvalidArg, false) << "call " << i;
        if (i == 3) {
            EXPECT_EQ(GXBitmapUnlock(zoo.bitmap), GXResultSuccess);
        }
        if (made) {
            GXObjectRelease(GX_HANDLE(made));
            made = nullptr;
        }
    }
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(size.width, 8);
}

}  // namespace
