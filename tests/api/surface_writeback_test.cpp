#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "canvas.h"
#include "gx.h"

namespace {

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
