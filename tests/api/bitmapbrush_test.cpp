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

}  // namespace
