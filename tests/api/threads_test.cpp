#include <gtest/gtest.h>

#include <cstdint>
#include <thread>
#include <vector>

#include "gx.h"

namespace {

// Four threads paint their own targets with shared brushes (solid, bitmap, gradient),
// gradients, geometries, a shared source bitmap and a shared font face, and use the bitmap
// cache at the same time. Every call succeeds and all four targets end up identical.
// scripts/tsan.sh runs this under ThreadSanitizer.
TEST(Threads, FourTargetsShareResources) {
    const GXBitmapDesc sourceDesc{16, 16, GXPixelFormatARGB32, 96, 96};
    GXBitmapRec_* source = nullptr;
    ASSERT_EQ(GXCreateBitmap(&sourceDesc, &source), GXResultSuccess);
    ASSERT_EQ(GXBitmapColorFill(source, nullptr, 0x8000FF00u), GXResultSuccess);
    GXBrushRec_* solid = nullptr;
    GXBrushRec_* pattern = nullptr;
    ASSERT_EQ(GXCreateBrushSolidARGB(0xFFFF0000u, &solid), GXResultSuccess);
    ASSERT_EQ(GXCreateBrushBitmap(source, 1, nullptr, nullptr, &pattern), GXResultSuccess);
    // Gradients and a shrinking box-filtered bitmap brush: whatever they compute lazily
    // (colour ramps, reduced copies of the bitmap) is shared by the four threads too.
    static const GXGradientStop stops[] = {{0, 0xFFFF0000u}, {0.5f, 0x8000FF00u}, {1, 0xFF0000FFu}};
    const GXLinearGradientDesc linearDesc{stops, 3, 0, 0, 64, 64, 1, 1, {}, 0};
    const GXRadialGradientDesc radialDesc{stops, 3, 20, 20, 2, 32, 32, 30, 1, 1, {}, 0};
    GXGradientRec_* linear = nullptr;
    GXGradientRec_* radial = nullptr;
    ASSERT_EQ(GXCreateGradientLinear(&linearDesc, &linear), GXResultSuccess);
    ASSERT_EQ(GXCreateGradientRadial(&radialDesc, &radial), GXResultSuccess);
    GXBrushRec_* radialBrush = nullptr;
    GXBrushRec_* reduced = nullptr;
    ASSERT_EQ(GXCreateBrushGradient(radial, 0.8f, nullptr, &radialBrush), GXResultSuccess);
    const GXBitmapBrushParams boxParams{GXBitmapSamplingBoxBilinear, GXExtendRepeat,
                                        GXExtendMirror};
    const GXMatrix quarter{0.25f, 0, 0, 0.25f, 0, 0};
    ASSERT_EQ(GXCreateBrushBitmap(source, 1, &boxParams, &quarter, &reduced), GXResultSuccess);
    GXGeometryRec_* ellipse = nullptr;
    ASSERT_EQ(GXCreateGeometry(&ellipse), GXResultSuccess);
    const GXRect box{4, 4, 60, 40};
    ASSERT_EQ(GXGeometryEllipse(ellipse, &box), GXResultSuccess);
    static const uint16_t family[] = {'D', 'e', 'j', 'a', 'V', 'u', ' ', 'S', 'a', 'n', 's', 0};
    static const uint16_t text[] = {'G', 'x', 0};
    GXFontFaceRec_* face = nullptr;
    ASSERT_EQ(GXCreateFontFace(family, 0, 12, &face), GXResultSuccess);

    constexpr int kThreads = 4;
    // Each thread holds one reference to this brush; the last to finish frees it.
    GXBrushRec_* handedOver = nullptr;
    ASSERT_EQ(GXCreateBrushSolidARGB(0x400000FFu, &handedOver), GXResultSuccess);
    for (int t = 1; t < kThreads; ++t)
        ASSERT_EQ(GXObjectAcquire(GX_HANDLE(handedOver)), GXResultSuccess);
    std::vector<GXBitmapRec_*> bitmaps(kThreads, nullptr);
    std::vector<int> failures(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            auto ok = [&](GXResult r) { failures[t] += r != GXResultSuccess; };
            const GXBitmapDesc desc{64, 64, GXPixelFormatARGB32, 96, 96};
            GXRenderTargetRec_* target = nullptr;
            ok(GXCreateBitmap(&desc, &bitmaps[t]));
            // New pixels are uninitialised; start every target from the same bits.
            ok(GXBitmapColorFill(bitmaps[t], nullptr, 0));
            ok(GXCreateRenderTargetBitmap(bitmaps[t], &target));
            GXStrokeStyle style{};
            style.lineCap = GXLineCapRound;
            style.miterLimit = 10;
            style.dashes[0] = 3;
            style.dashes[1] = 2;
            style.dashCount = 2;
            for (int i = 0; i < 20; ++i) {
                ok(GXRenderTargetBeginPaint(target));
                ok(GXRenderTargetClear(target, 0));
                ok(GXRenderTargetDrawGradient(target, linear, 0.5f));
                ok(GXRenderTargetFillRect(target, &box, radialBrush));
                ok(GXRenderTargetFillRect(target, &box, reduced));
                ok(GXRenderTargetFillRect(target, &box, handedOver));
                // A brush of its own over the shared bitmap, made and released while the
                // other threads do the same.
                GXBrushRec_* own = nullptr;
                ok(GXCreateBrushBitmap(source, 0.5f, nullptr, nullptr, &own));
                ok(GXRenderTargetFillEllipse(target, &box, own));
                GXObjectRelease(GX_HANDLE(own));
                ok(GXRenderTargetFillGeometry(target, ellipse, solid));
                ok(GXRenderTargetStrokeGeometry(target, ellipse, pattern, 3, &style));
                ok(GXRenderTargetDrawBitmap(target, source, 0.5f, 1));
                ok(GXRenderTargetFillText(target, face, text, solid));
                ok(GXRenderTargetEndPaint(target));
                int32_t id = 0;
                GXBitmapRec_* registered = nullptr;
                GXTextBound bound{};
                uint64_t inUse = 0;
                ok(GXBitmapCachePut(source, &id));
                ok(GXBitmapCacheGet(uint32_t(id), &registered));
                ok(GXBitmapCacheGetMemoryInUse(&inUse));
                ok(GXBitmapCacheRemove(uint32_t(id)));
                ok(GXFontFaceCalculateTextBound(face, text, &bound));
            }
            GXObjectRelease(GX_HANDLE(target));
            GXObjectRelease(GX_HANDLE(handedOver));
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(failures[t], 0) << "thread " << t;
    std::vector<std::vector<uint32_t>> pixels(kThreads, std::vector<uint32_t>(64 * 64));
    for (int t = 0; t < kThreads; ++t) {
        const GXBitmapData memory{pixels[t].data(), 256, 256};
        EXPECT_EQ(GXBitmapCopyToMemory(bitmaps[t], nullptr, &memory), GXResultSuccess);
        EXPECT_EQ(pixels[t], pixels[0]) << "thread " << t;
        GXObjectRelease(GX_HANDLE(bitmaps[t]));
    }
    for (GXOBase* h : {GX_HANDLE(source), GX_HANDLE(solid), GX_HANDLE(pattern), GX_HANDLE(ellipse),
                       GX_HANDLE(face), GX_HANDLE(linear), GX_HANDLE(radial),
                       GX_HANDLE(radialBrush), GX_HANDLE(reduced)})
        GXObjectRelease(h);
}

}  // namespace
