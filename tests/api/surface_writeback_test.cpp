#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "canvas.h"
#include "gx.h"

namespace {

int32_t BitsPerPixel(GXPixelFormat format) {
    switch (format) {
        case GXPixelFormatRGB24:
            return 24;
        case GXPixelFormatA8:
        case GXPixelFormatIndexed8:
        case GXPixelFormatGray8:
            return 8;
        case GXPixelFormatA1:
        case GXPixelFormatIndexed1:
        case GXPixelFormatGray1:
            return 1;
        default:
            return 32;
    }
}

// Pixel (x, y) of the bitmap as its raw bits; RGB32's padding byte is left out.
uint32_t RawPixel(GXBitmapRec_* bitmap, GXPixelFormat format, int32_t x, int32_t y) {
    GXBitmapData data{};
    EXPECT_EQ(GXBitmapLock(bitmap, nullptr, GXLockRead, &data), GXResultSuccess);
    const uint8_t* row = static_cast<const uint8_t*>(data.data) + int64_t(data.stride) * y;
    const int32_t bits = BitsPerPixel(format);
    uint32_t value = 0;
    if (bits == 1)
        value = (row[x / 8] >> (7 - x % 8)) & 1;
    else
        for (int32_t i = bits / 8 - 1; i >= 0; --i) value = value << 8 | row[x * bits / 8 + i];
    EXPECT_EQ(GXBitmapUnlock(bitmap), GXResultSuccess);
    return format == GXPixelFormatRGB32 ? value & 0xFFFFFFu : value;
}

// A paint leaves every pixel it did not draw on bit-identical, in all ten formats, however
// many times the bitmap is painted; drawn pixels take the nearest value the format holds.
TEST(SurfaceWriteBack, PaintRoundTripKeepsUntouchedPixels) {
    constexpr int32_t kWidth = 21, kHeight = 9;
    std::mt19937 random(20);
    for (int32_t code = 1; code <= 10; ++code) {
        const GXPixelFormat format = GXPixelFormat(code);
        for (int32_t trial = 0; trial < 8; ++trial) {
            GXBitmapRec_* bitmap = nullptr;
            const GXBitmapDesc desc{kWidth, kHeight, format, 96, 96};
            ASSERT_EQ(GXCreateBitmap(&desc, &bitmap), GXResultSuccess);
            std::vector<uint8_t> bytes(size_t(kWidth) * 4 * kHeight);
            for (uint8_t& b : bytes) b = uint8_t(random());
            const GXBitmapData memory{bytes.data(), kWidth * 4, kWidth * 4};
            ASSERT_EQ(GXBitmapCopyFromMemory(bitmap, nullptr, &memory), GXResultSuccess);
            // Opaque random palettes of 1 to 256 entries, some indices past their end.
            std::vector<uint32_t> colors(1 + random() % (code == GXPixelFormatIndexed1 ? 2 : 256));
            for (uint32_t& c : colors) c = 0xFF000000u | (random() & 0xFFFFFFu);
            GXPaletteRec_* palette = nullptr;
            ASSERT_EQ(GXCreatePalette(colors.data(), colors.size(), &palette), GXResultSuccess);
            ASSERT_EQ(GXBitmapSetPalette(bitmap, palette), GXResultSuccess);
            std::vector<uint32_t> before;
            for (int32_t y = 0; y < kHeight; ++y)
                for (int32_t x = 0; x < kWidth; ++x) before.push_back(RawPixel(bitmap, format, x, y));

            GXRenderTargetRec_* target = nullptr;
            ASSERT_EQ(GXCreateRenderTargetBitmap(bitmap, &target), GXResultSuccess);
            // A paint that draws nothing, then one that fills a rectangle with a colour the
            // format holds exactly.
            const uint32_t k = uint32_t(random() % colors.size()), grey = random() & 0xFF;
            uint32_t color = 0xFF000000u | (random() & 0xFFFFFFu);
            if (code == GXPixelFormatIndexed8 || code == GXPixelFormatIndexed1) color = colors[k];
            if (code == GXPixelFormatGray8) color = 0xFF000000u | grey * 0x010101u;
            if (code == GXPixelFormatGray1) color = grey & 1 ? kWhite : kBlack;
            const float x0 = float(random() % kWidth), x1 = float(random() % kWidth);
            const float y0 = float(random() % kHeight), y1 = float(random() % kHeight);
            const GXRect rect{std::min(x0, x1), std::min(y0, y1), std::max(x0, x1) + 1,
                              std::max(y0, y1) + 1};
            GXBrushRec_* brush = nullptr;
            ASSERT_EQ(GXCreateBrushSolidARGB(color, &brush), GXResultSuccess);
            ASSERT_EQ(GXRenderTargetBeginPaint(target), GXResultSuccess);
            ASSERT_EQ(GXRenderTargetEndPaint(target), GXResultSuccess);
            for (int32_t paint = 0; paint < 2; ++paint) {
                ASSERT_EQ(GXRenderTargetBeginPaint(target), GXResultSuccess);
                ASSERT_EQ(GXRenderTargetFillRect(target, &rect, brush), GXResultSuccess);
                ASSERT_EQ(GXRenderTargetEndPaint(target), GXResultSuccess);
            }
            for (int32_t y = 0; y < kHeight; ++y)
                for (int32_t x = 0; x < kWidth; ++x) {
                    const uint32_t after = RawPixel(bitmap, format, x, y);
                    const bool drawn =
                        x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
                    if (!drawn) {
                        ASSERT_EQ(after, before[size_t(y) * kWidth + x])
                            << "format " << code << ", trial " << trial << ": " << x << "," << y;
                        continue;
                    }
                    uint32_t expected = 0;
                    switch (code) {
                        case GXPixelFormatRGB24:
                        case GXPixelFormatRGB32:
                            expected = color & 0xFFFFFFu;
                            break;
                        case GXPixelFormatPARGB32:
                        case GXPixelFormatARGB32:
                            expected = color;
                            break;
                        case GXPixelFormatA8:
                            expected = 255;
                            break;
                        case GXPixelFormatGray8:
                            expected = grey;
                            break;
                        case GXPixelFormatA1:
                            expected = 1;
                            break;
                        case GXPixelFormatGray1:
                            expected = grey & 1;
                            break;
                        default:
                            expected = k;
                    }
                    if (code == GXPixelFormatIndexed8 || code == GXPixelFormatIndexed1)
                        ASSERT_EQ(colors[after], colors[expected]) << code << ": " << x << "," << y;
                    else
                        ASSERT_EQ(after, expected) << code << ": " << x << "," << y;
                }
            GXObjectRelease(GX_HANDLE(brush));
            GXObjectRelease(GX_HANDLE(target));
            GXObjectRelease(GX_HANDLE(palette));
            GXObjectRelease(GX_HANDLE(bitmap));
        }
    }
}

// An RGB32 pixel has no alpha: whatever a paint draws, clears or composites, the fourth
// byte a render target leaves in an RGB32 bitmap is 0xFF.
TEST(SurfaceWriteBack, RgbTargetStaysOpaque) {
    Canvas canvas(16, 16, GXPixelFormatRGB32);
    canvas.Begin();
    ASSERT_EQ(GXRenderTargetClear(canvas.target(), 0x80FF0000u), GXResultSuccess);
    canvas.End();
    // As GXBitmapColorFill stores the same colour.
    for (uint32_t pixel : canvas.Pixels()) ASSERT_EQ(pixel, 0xFFFF0000u);

    std::mt19937 random(12);
    std::uniform_real_distribution<float> coordinate(-4, 20);
    canvas.Begin();
    for (int32_t draw = 0; draw < 60; ++draw) {
        ASSERT_EQ(GXRenderTargetSetBlendMode(canvas.target(), int32_t(random() % 16)),
                  GXResultSuccess);
        const GXRect rect{coordinate(random), coordinate(random), coordinate(random),
                          coordinate(random)};
        GXBrushRec_* brush = canvas.Solid(uint32_t(random()));
        switch (random() % 5) {
        case 0:
            ASSERT_EQ(GXRenderTargetClear(canvas.target(), uint32_t(random())), GXResultSuccess);
            break;
        case 1: {
            const GXLayerParams params{rect, 0.6f, uint8_t(random() % 2), uint8_t(random() % 2)};
            ASSERT_EQ(GXRenderTargetBeginLayer(canvas.target(), &params), GXResultSuccess);
            break;
        }
        case 2:
            ASSERT_EQ(GXRenderTargetEndLayer(canvas.target()), GXResultSuccess);
            break;
        case 3:
            ASSERT_EQ(GXRenderTargetInvertRect(canvas.target(), &rect), GXResultSuccess);
            break;
        default:
            ASSERT_EQ(GXRenderTargetFillEllipse(canvas.target(), &rect, brush), GXResultSuccess);
        }
    }
    canvas.End();
    for (uint32_t pixel : canvas.Pixels()) ASSERT_EQ(Alpha(pixel), 0xFFu);
}

}  // namespace
