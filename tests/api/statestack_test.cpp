#include <gtest/gtest.h>

#include <cstdint>

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

}  // namespace
