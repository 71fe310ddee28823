#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>

#include "canvas.h"
#include "gx.h"

namespace {

// EndLayer closes the innermost open group even when states pushed inside it were never
// popped: the group is composited, those states end with it, and drawing goes on in the
// parent's state. Unmatched PopState and EndLayer with no open group do nothing.
TEST(StateStack, EndLayerClosesTheGroupAndTheStatesPushedInsideIt) {
    Canvas canvas(8, 8, GXPixelFormatPARGB32);
    GXRenderTargetRec_* target = canvas.target();
    canvas.Begin();
    ASSERT_EQ(GXRenderTargetPushState(target), GXResultSuccess);  // outside the group
    const GXLayerParams params{{0, 0, 8, 8}, 1.0f, 1, 0};
    ASSERT_EQ(GXRenderTargetBeginLayer(target, &params), GXResultSuccess);
    ASSERT_EQ(GXRenderTargetPushState(target), GXResultSuccess);
    ASSERT_EQ(GXRenderTargetTranslateCTM(target, 4, 0), GXResultSuccess);
    ASSERT_EQ(GXRenderTargetPushState(target), GXResultSuccess);
    canvas.FillRect(0, 0, 2, 2, canvas.red());  // at x 4..6
    ASSERT_EQ(GXRenderTargetEndLayer(target), GXResultSuccess);
    // Back in the state outside the group: no translation, and the next fill is drawn.
    GXMatrix ctm{};
    ASSERT_EQ(GXRenderTargetGetCTM(target, &ctm), GXResultSuccess);
    EXPECT_EQ(ctm.e, 0.0f);
    canvas.FillRect(0, 4, 2, 6, canvas.red());
    // One PopState left: the one pushed before the group; the rest do nothing.
    ASSERT_EQ(GXRenderTargetPopState(target), GXResultSuccess);
    ASSERT_EQ(GXRenderTargetPopState(target), GXResultSuccess);
    ASSERT_EQ(GXRenderTargetEndLayer(target), GXResultSuccess);
    canvas.FillRect(6, 6, 8, 8, canvas.red());
    canvas.End();
    EXPECT_EQ(canvas.At(4, 0), kRed);
    EXPECT_EQ(canvas.At(0, 0), 0u);
    EXPECT_EQ(canvas.At(0, 4), kRed);
    EXPECT_EQ(canvas.At(7, 7), kRed);
}

bool SameBits(const GXMatrix& a, const GXMatrix& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// The CTM the caller sets is the CTM the caller reads back, bit for bit, inside groups
// opened under any CTM (singular and huge ones too), and drawing calls leave it as it was.
TEST(StateStack, CtmIsExactInsideGroups) {
    Canvas canvas(32, 32, GXPixelFormatPARGB32);
    GXRenderTargetRec_* target = canvas.target();
    std::mt19937 random(7);
    std::uniform_real_distribution<float> any(-3, 3);
    const GXMatrix openers[] = {{2.5f, 0.3f, -0.7f, 1.9f, 3.25f, 7.5f},
                                {0, 0, 0, 0, 10, 20},
                                {3e37f, 0, 0, -3e37f, 1e30f, -1e30f}};
    canvas.Begin();
    for (const GXMatrix& opener : openers) {
        ASSERT_EQ(GXRenderTargetSetCTM(target, &opener), GXResultSuccess);
        const GXLayerParams params{{-1e6f, -1e6f, 1e6f, 1e6f}, 1.0f, 1, 0};
        ASSERT_EQ(GXRenderTargetBeginLayer(target, &params), GXResultSuccess);
        GXMatrix read{};
        ASSERT_EQ(GXRenderTargetGetCTM(target, &read), GXResultSuccess);
        EXPECT_TRUE(SameBits(read, opener));
        for (int32_t trial = 0; trial < 300; ++trial) {
            const GXMatrix m{any(random), any(random), any(random),
                             any(random), 40 * any(random), 40 * any(random)};
            ASSERT_EQ(GXRenderTargetSetCTM(target, &m), GXResultSuccess);
            ASSERT_EQ(GXRenderTargetGetCTM(target, &read), GXResultSuccess);
            ASSERT_TRUE(SameBits(read, m)) << trial;
            const GXPoint from{0, 0}, to{3, 4};
            ASSERT_EQ(GXRenderTargetStrokeLine(target, &from, &to, canvas.red(), 0, nullptr),
                      GXResultSuccess);
            ASSERT_EQ(GXRenderTargetGetCTM(target, &read), GXResultSuccess);
            ASSERT_TRUE(SameBits(read, m)) << trial;
        }
        ASSERT_EQ(GXRenderTargetEndLayer(target), GXResultSuccess);
    }
    canvas.End();

    // A group opened under a singular CTM (an empty group) still keeps the CTM set in it.
    Canvas inside(8, 8, GXPixelFormatPARGB32);
    inside.Begin();
    const GXMatrix singular{0, 0, 0, 0, 10, 20}, shift{1, 0, 0, 1, 3, 4};
    ASSERT_EQ(GXRenderTargetSetCTM(inside.target(), &singular), GXResultSuccess);
    const GXLayerParams everywhere{{-1, -1, 1, 1}, 1.0f, 1, 0};
    ASSERT_EQ(GXRenderTargetBeginLayer(inside.target(), &everywhere), GXResultSuccess);
    ASSERT_EQ(GXRenderTargetSetCTM(inside.target(), &shift), GXResultSuccess);
    GXMatrix read{};
    ASSERT_EQ(GXRenderTargetGetCTM(inside.target(), &read), GXResultSuccess);
    EXPECT_TRUE(SameBits(read, shift));
    ASSERT_EQ(GXRenderTargetEndLayer(inside.target()), GXResultSuccess);
    inside.End();
}

}  // namespace
