#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "canvas.h"
#include "gx.h"

namespace {

// A mirrored bitmap brush reads ... 2, 1, 0 | 0, 1, 2 ... across every tile edge, on both
// sides of the origin, horizontally and vertically.
TEST(BitmapBrushExtend, MirrorIsSymmetricAtEveryTileEdge) {
    constexpr int32_t kTile = 4, kSize = 24, kOrigin = 8;
    // Column and row i hold blue i + 1 and green i + 1, so that 0 means "not painted".
    GXBitmapRec_* tile = nullptr;
    const GXBitmapDesc desc{kTile, kTile, GXPixelFormatPARGB32, 96, 96};
    ASSERT_EQ(GXCreateBitmap(&desc, &tile), GXResultSuccess);
    std::vector<uint32_t> pixels;
    for (int32_t y = 0; y < kTile; ++y)
        for (int32_t x = 0; x < kTile; ++x) pixels.push_back(0xFF000000u | (y + 1) << 8 | (x + 1));
    const GXBitmapData memory{pixels.data(), kTile * 4, kTile * 4};
    ASSERT_EQ(GXBitmapCopyFromMemory(tile, nullptr, &memory), GXResultSuccess);
    const GXBitmapBrushParams params{GXBitmapSamplingNearest, GXExtendMirror, GXExtendMirror};
    const GXMatrix placement{1, 0, 0, 1, kOrigin, kOrigin};
    GXBrushRec_* brush = nullptr;
    ASSERT_EQ(GXCreateBrushBitmap(tile, 1.0f, &params, &placement, &brush), GXResultSuccess);

    Canvas canvas(kSize, kSize, GXPixelFormatPARGB32);
    canvas.Begin();
    canvas.FillRect(0, 0, kSize, kSize, brush);
    canvas.End();
    auto mirrored = [](int32_t i) {
        const int32_t r = ((i % (2 * kTile)) + 2 * kTile) % (2 * kTile);
        return uint32_t(r < kTile ? r : 2 * kTile - 1 - r);
    };
    for (int32_t y = 0; y < kSize; ++y)
        for (int32_t x = 0; x < kSize; ++x)
            ASSERT_EQ(canvas.At(x, y), 0xFF000000u | (mirrored(y - kOrigin) + 1) << 8 |
                                           (mirrored(x - kOrigin) + 1))
                << x << "," << y;
    // The review's reading: left of the origin the pattern is the right side reflected.
    EXPECT_EQ(canvas.At(kOrigin - 1, kOrigin) & 0xFF, 1u);
    EXPECT_EQ(canvas.At(kOrigin - 3, kOrigin) & 0xFF, 3u);
    GXObjectRelease(GX_HANDLE(brush));
    GXObjectRelease(GX_HANDLE(tile));
}

// A bitmap drawn far below its size keeps its reduced copy between draws, but anything that
// changes the bitmap (a paint into it, a copy into it) shows at the next draw.
TEST(BitmapReduction, DrawsTheBitmapAsItIsNow) {
    Canvas source(400, 400, GXPixelFormatPARGB32);
    auto paintSource = [&](uint32_t argb) {
        source.Begin();
        source.FillRect(0, 0, 400, 400, source.Solid(argb));
        source.End();
    };
    Canvas page(40, 40, GXPixelFormatPARGB32);
    // The channel (shift 0 blue, 8 green, 16 red) that the draw at a tenth shows: the
    // reduction's weights leave an opaque colour a few steps short of 255.
    auto drawnChannel = [&] {
        page.Begin();
        const GXMatrix tenth{0.1f, 0, 0, 0.1f, 0, 0};
        EXPECT_EQ(GXRenderTargetSetCTM(page.target(), &tenth), GXResultSuccess);
        EXPECT_EQ(GXRenderTargetDrawBitmap(page.target(), source.bitmap(), 1.0f,
                                           GXBitmapSamplingBoxBilinear),
                  GXResultSuccess);
        page.End();
        const uint32_t pixel = page.At(20, 20);
        for (int shift = 0; shift <= 16; shift += 8)
            if (((pixel >> shift) & 0xFF) > 0xF0) return shift;
        return -1;
    };
    paintSource(0xFF0000FFu);
    EXPECT_EQ(drawnChannel(), 0);
    EXPECT_EQ(drawnChannel(), 0);
    paintSource(0xFFFF0000u);
    EXPECT_EQ(drawnChannel(), 16);
    std::vector<uint32_t> green(400 * 400, 0xFF00FF00u);
    const GXBitmapData memory{green.data(), 400 * 4, 400 * 4};
    ASSERT_EQ(GXBitmapCopyFromMemory(source.bitmap(), nullptr, &memory), GXResultSuccess);
    EXPECT_EQ(drawnChannel(), 8);
}

}  // namespace
