#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "canvas.h"
#include "gx.h"

namespace {

constexpr uint32_t kGray = 0xFF808080u;
constexpr uint32_t kHalfRed = 0x80FF0000u;   // premultiplied: 0x80800000
constexpr uint32_t kHalfBlue = 0x800000FFu;  // premultiplied: 0x80000080

GXLayerParams Layer(float l, float t, float r, float b, float opacity, bool isolated,
                    bool knockout) {
    return GXLayerParams{GXRect{l, t, r, b}, opacity, uint8_t(isolated), uint8_t(knockout)};
}

void Begin(Canvas& canvas, const GXLayerParams& params) {
    ASSERT_EQ(GXRenderTargetBeginLayer(canvas.target(), &params), GXResultSuccess);
}

void End(Canvas& canvas) {
    ASSERT_EQ(GXRenderTargetEndLayer(canvas.target()), GXResultSuccess);
}

void SetBlendMode(Canvas& canvas, int32_t mode) {
    ASSERT_EQ(GXRenderTargetSetBlendMode(canvas.target(), mode), GXResultSuccess);
}

// Red over [0, 6) and blue over [3, 8) of the 8 x 1 canvas, both half transparent.
void OverlappingHalfFills(Canvas& canvas) {
    canvas.FillRect(0, 0, 6, 1, canvas.Solid(kHalfRed));
    canvas.FillRect(3, 0, 8, 1, canvas.Solid(kHalfBlue));
}

TEST(LayerGroups, IsolatedOpaqueFillMatchesTheFillDrawnDirectly) {
    Canvas direct(24, 24, GXPixelFormatPARGB32), grouped(24, 24, GXPixelFormatPARGB32);
    const GXRect ellipse{3.3f, 2.7f, 20.6f, 19.2f};
    direct.Begin();
    ASSERT_EQ(GXRenderTargetFillEllipse(direct.target(), &ellipse, direct.red()), GXResultSuccess);
    direct.End();
    grouped.Begin();
    Begin(grouped, Layer(0, 0, 24, 24, 1, true, false));
    ASSERT_EQ(GXRenderTargetFillEllipse(grouped.target(), &ellipse, grouped.red()),
              GXResultSuccess);
    End(grouped);
    grouped.End();
    EXPECT_EQ(grouped.Pixels(), direct.Pixels());
}

TEST(LayerGroups, NonIsolatedAntiAliasedFillsComeCloseToDirectDrawing) {
    // Edges go through the backdrop removal and the division by the shape; rounding may
    // move a channel by a step or two, never more.
    for (bool knockout : {false, true}) {
        Canvas direct(24, 24, GXPixelFormatPARGB32), grouped(24, 24, GXPixelFormatPARGB32);
        const GXRect ellipse{3.3f, 2.7f, 20.6f, 19.2f};
        for (Canvas* canvas : {&direct, &grouped}) {
            canvas->Begin();
            canvas->FillRect(0, 0, 24, 12, canvas->Solid(0xFF336699u));
            canvas->FillRect(0, 12, 24, 24, canvas->Solid(0x80FFCC00u));
            if (canvas == &grouped) Begin(*canvas, Layer(0, 0, 24, 24, 1, false, knockout));
            ASSERT_EQ(
                GXRenderTargetFillEllipse(canvas->target(), &ellipse, canvas->Solid(0xC0C02040u)),
                GXResultSuccess);
            if (canvas == &grouped) End(*canvas);
            canvas->End();
        }
        const std::vector<uint32_t> want = direct.Pixels(), got = grouped.Pixels();
        for (size_t i = 0; i < want.size(); ++i)
            for (int shift = 0; shift < 32; shift += 8)
                EXPECT_NEAR(int((got[i] >> shift) & 0xFF), int((want[i] >> shift) & 0xFF), 2)
                    << "pixel " << i << " knockout " << knockout;
    }
}

TEST(LayerGroups, OpacityHalvesTheResult) {
    Canvas canvas(4, 1, GXPixelFormatPARGB32);
    canvas.Begin();
    canvas.FillRect(2, 0, 4, 1, canvas.Solid(kWhite));
    Begin(canvas, Layer(0, 0, 4, 1, 0.5f, true, false));
    canvas.FillRect(0, 0, 4, 1, canvas.red());
    End(canvas);
    canvas.End();
    // Weight int(0.5 x 255) + 1 = 128: red 255 x 128 >> 8 = 127; over white 127 + 128.
    EXPECT_EQ(canvas.At(0, 0), 0x7F7F0000u);
    EXPECT_EQ(canvas.At(3, 0), 0xFFFF8080u);
}

TEST(LayerGroups, KnockoutShowsOnlyTheLaterObjectWhereTheyOverlap) {
    for (bool isolated : {false, true}) {
        Canvas canvas(8, 1, GXPixelFormatPARGB32);
        canvas.Begin();
        if (!isolated) canvas.FillRect(0, 0, 8, 1, canvas.Solid(kWhite));
        Begin(canvas, Layer(0, 0, 8, 1, 1, isolated, true));
        OverlappingHalfFills(canvas);
        End(canvas);
        canvas.End();
        if (isolated) {
            EXPECT_EQ(canvas.At(1, 0), 0x80800000u);
            EXPECT_EQ(canvas.At(4, 0), 0x80000080u);  // blue alone
            EXPECT_EQ(canvas.At(7, 0), 0x80000080u);
        } else {
            // Each half fill over white: 0x80 + 255 x 128 >> 8 = 0x7F.
            EXPECT_EQ(canvas.At(1, 0), 0xFFFF7F7Fu);
            EXPECT_EQ(canvas.At(4, 0), 0xFF7F7FFFu);  // blue over white, no red
            EXPECT_EQ(canvas.At(7, 0), 0xFF7F7FFFu);
        }
    }
}

TEST(LayerGroups, NonKnockoutGroupsAccumulateLikeDirectDrawing) {
    for (bool isolated : {false, true}) {
        Canvas canvas(8, 1, GXPixelFormatPARGB32);
        canvas.Begin();
        if (!isolated) canvas.FillRect(0, 0, 8, 1, canvas.Solid(kWhite));
        Begin(canvas, Layer(0, 0, 8, 1, 1, isolated, false));
        OverlappingHalfFills(canvas);
        End(canvas);
        canvas.End();
        // Blue over red: 0x80000080 + (0x80800000 x 128 >> 8); over white as well.
        EXPECT_EQ(canvas.At(4, 0), isolated ? 0xC0400080u : 0xFF7F3FBFu);
    }
}

TEST(LayerGroups, OnlyNonIsolatedGroupsBlendWithWhatIsBehindThem) {
    for (bool isolated : {false, true}) {
        Canvas canvas(2, 1, GXPixelFormatPARGB32);
        canvas.Begin();
        canvas.FillRect(0, 0, 2, 1, canvas.Solid(kGray));
        Begin(canvas, Layer(0, 0, 2, 1, 1, isolated, false));
        SetBlendMode(canvas, 1);  // Multiply
        canvas.FillRect(0, 0, 2, 1, canvas.red());
        End(canvas);
        canvas.End();
        // Multiply by gray: (0x80 + 1) x 255 >> 8 = 0x80. An isolated group has nothing to
        // multiply with and composites its red normally.
        EXPECT_EQ(canvas.At(0, 0), isolated ? kRed : 0xFF800000u);
    }
}

TEST(LayerGroups, BlendModeOverTransparentGroupKeepsTheSource) {
    Canvas canvas(2, 1, GXPixelFormatPARGB32);
    canvas.Begin();
    Begin(canvas, Layer(0, 0, 2, 1, 1, true, false));
    SetBlendMode(canvas, 1);
    canvas.FillRect(0, 0, 2, 1, canvas.Solid(kHalfRed));
    End(canvas);
    canvas.End();
    EXPECT_EQ(canvas.At(0, 0), 0x80800000u);
}

TEST(LayerGroups, ParentBlendModeAppliesWhenTheGroupIsComposited) {
    Canvas canvas(2, 1, GXPixelFormatPARGB32);
    canvas.Begin();
    canvas.FillRect(0, 0, 2, 1, canvas.Solid(kGray));
    SetBlendMode(canvas, 1);
    Begin(canvas, Layer(0, 0, 2, 1, 1, true, false));
    canvas.FillRect(0, 0, 2, 1, canvas.red());  // Normal inside the group
    End(canvas);
    canvas.FillRect(1, 0, 2, 1, canvas.red());  // Multiply again after it
    canvas.End();
    EXPECT_EQ(canvas.At(0, 0), 0xFF800000u);
    EXPECT_EQ(canvas.At(1, 0), 0xFF800000u);
}

TEST(LayerGroups, NestedGroupsMultiplyTheirOpacities) {
    Canvas canvas(2, 1, GXPixelFormatPARGB32);
    canvas.Begin();
    Begin(canvas, Layer(0, 0, 2, 1, 0.5f, true, false));
    Begin(canvas, Layer(0, 0, 2, 1, 0.5f, true, false));
    canvas.FillRect(0, 0, 2, 1, canvas.red());
    End(canvas);
    End(canvas);
    canvas.End();
    // 255 x 128 >> 8 = 127, then 127 x 128 >> 8 = 63.
    EXPECT_EQ(canvas.At(0, 0), 0x3F3F0000u);
}

TEST(LayerGroups, GroupsInsideAKnockoutGroupStartFromItsInitialBackdrop) {
    Canvas canvas(2, 1, GXPixelFormatPARGB32);
    canvas.Begin();
    canvas.FillRect(0, 0, 2, 1, canvas.Solid(kWhite));
    Begin(canvas, Layer(0, 0, 2, 1, 1, false, true));
    canvas.FillRect(0, 0, 2, 1, canvas.red());
    Begin(canvas, Layer(0, 0, 1, 1, 1, false, false));
    SetBlendMode(canvas, 1);
    canvas.FillRect(0, 0, 1, 1, canvas.Solid(kGray));
    End(canvas);
    End(canvas);
    canvas.End();
    // Gray multiplied with the white backdrop, not with the red drawn before it.
    EXPECT_EQ(canvas.At(0, 0), kGray);
    EXPECT_EQ(canvas.At(1, 0), kRed);
}

TEST(LayerGroups, BoundsTransformAndClipPlaceTheGroup) {
    Canvas canvas(8, 8, GXPixelFormatPARGB32);
    canvas.Begin();
    ASSERT_EQ(GXRenderTargetScaleCTM(canvas.target(), 2, 2), GXResultSuccess);
    const GXRect clip{0, 0, 4, 3};  // device (0, 0, 8, 6)
    ASSERT_EQ(GXRenderTargetClipRect(canvas.target(), &clip), GXResultSuccess);
    Begin(canvas, Layer(1, 1, 4, 4, 1, true, false));  // device (2, 2, 8, 8)
    GXMatrix ctm{};
    ASSERT_EQ(GXRenderTargetGetCTM(canvas.target(), &ctm), GXResultSuccess);
    EXPECT_EQ(ctm.a, 2);  // the transform carries into the group
    // A clip set inside the group ends with it.
    const GXRect inner{0, 0, 4, 2};  // device rows 0..4
    ASSERT_EQ(GXRenderTargetClipRect(canvas.target(), &inner), GXResultSuccess);
    canvas.FillRect(0, 0, 4, 4, canvas.red());
    End(canvas);
    canvas.FillRect(0, 3.5f, 1, 4, canvas.red());  // device (0, 7, 2, 8): clipped away
    canvas.End();
    int32_t painted = 0;
    for (int32_t y = 0; y < 8; ++y)
        for (int32_t x = 0; x < 8; ++x) {
            const bool inside = x >= 2 && y >= 2 && y < 4;
            EXPECT_EQ(canvas.At(x, y), inside ? kRed : 0u) << x << "," << y;
            painted += inside;
        }
    EXPECT_EQ(painted, 12);
}

TEST(LayerGroups, MasksOfTheGroupEndWithItAndTheParentsApplyToIt) {
    Canvas canvas(4, 1, GXPixelFormatPARGB32);
    canvas.Begin();
    // The parent's opacity mask halves the composited group.
    ASSERT_EQ(GXRenderTargetSetOpacityMask(canvas.target(), 0, canvas.Solid(0x80000000u)),
              GXResultSuccess);
    Begin(canvas, Layer(0, 0, 4, 1, 1, true, false));
    // Inside, a shape mask that lets nothing through over the right half.
    ASSERT_EQ(GXRenderTargetSetShapeMask(canvas.target(), 1, canvas.Solid(kWhite)),
              GXResultSuccess);
    canvas.FillRect(2, 0, 4, 1, canvas.red());
    ASSERT_EQ(GXRenderTargetSetShapeMask(canvas.target(), 1, nullptr), GXResultSuccess);
    canvas.FillRect(0, 0, 2, 1, canvas.red());
    End(canvas);
    canvas.End();
    EXPECT_EQ(canvas.At(0, 0), 0x80800000u);  // mask 0x80: weight 0x81, 255 x 0x81 >> 8
    EXPECT_EQ(canvas.At(3, 0), 0u);
}

TEST(LayerCalls, EmptyUnbalancedAndUnfinishedGroupsAreHarmless) {
    Canvas canvas(4, 4, GXPixelFormatPARGB32);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const GXLayerParams whole = Layer(0, 0, 4, 4, 1, false, false);
    // Outside a paint, and closing what is not open, do nothing.
    EXPECT_EQ(GXRenderTargetBeginLayer(canvas.target(), &whole), GXResultSuccess);
    EXPECT_EQ(GXRenderTargetEndLayer(canvas.target()), GXResultSuccess);
    canvas.Begin();
    EXPECT_EQ(GXRenderTargetEndLayer(canvas.target()), GXResultSuccess);
    // NaN bounds or opacity are refused and open nothing: the fill after them is drawn
    // inside the zero-opacity group, so nothing shows.
    Begin(canvas, Layer(0, 0, 4, 4, 0, true, false));
    for (const GXLayerParams& params :
         {Layer(nan, 0, 4, 4, 1, false, false), Layer(0, 0, 4, nan, 1, false, false),
          Layer(0, 0, 4, 4, nan, false, false)})
        EXPECT_EQ(GXRenderTargetBeginLayer(canvas.target(), &params), GXResultInvalidArg);
    canvas.FillRect(0, 0, 4, 4, canvas.red());
    End(canvas);
    // Inverted, outside and zero-opacity groups draw nothing and close cleanly.
    for (const GXLayerParams& params :
         {Layer(4, 0, 0, 4, 1, true, false), Layer(10, 10, 20, 20, 1, false, true),
          Layer(0, 0, 4, 4, 0, true, false)}) {
        Begin(canvas, params);
        canvas.FillRect(0, 0, 4, 4, canvas.red());
        End(canvas);
    }
    EXPECT_EQ(canvas.Painted(), 0);
    // Infinite bounds cover the target; an opacity above 1 counts as 1.
    Begin(canvas, Layer(-inf, -inf, inf, inf, 7, true, false));
    canvas.FillRect(0, 0, 1, 1, canvas.red());
    End(canvas);
    EXPECT_EQ(canvas.At(0, 0), kRed);
    // A group left open at the end of the paint is dropped.
    Begin(canvas, whole);
    canvas.FillRect(0, 0, 4, 4, canvas.red());
    canvas.End();
    EXPECT_EQ(canvas.Painted(), 1);
    EXPECT_EQ(GXRenderTargetBeginLayer(canvas.target(), nullptr), GXResultInvalidArg);
    EXPECT_EQ(GXRenderTargetEndLayer(nullptr), GXResultInvalidArg);
}

// Opening a group costs the same at any depth, and a deep nest left open at the end of
// the paint is dropped without recursing through it.
TEST(LayerCalls, DeepNestsOpenAndCloseInLinearTime) {
    Canvas canvas(4, 4, GXPixelFormatPARGB32);
    canvas.Begin();
    Begin(canvas, Layer(0, 0, 1, 1, 1, true, false));
    const GXLayerParams outside = Layer(10, 10, 20, 20, 1, true, false);
    for (int i = 0; i < 100000; ++i)
        ASSERT_EQ(GXRenderTargetBeginLayer(canvas.target(), &outside), GXResultSuccess);
    for (int i = 0; i < 50000; ++i) ASSERT_EQ(GXRenderTargetEndLayer(canvas.target()), GXResultSuccess);
    canvas.End();
    EXPECT_EQ(canvas.Painted(), 0);
}

TEST(LayerCalls, ClearingAGroupPaintsNothingByItself) {
    Canvas canvas(4, 1, GXPixelFormatPARGB32);
    canvas.Begin();
    canvas.FillRect(0, 0, 4, 1, canvas.Solid(kWhite));
    Begin(canvas, Layer(0, 0, 4, 1, 1, false, false));
    ASSERT_EQ(GXRenderTargetClear(canvas.target(), kRed), GXResultSuccess);
    // Only what the group draws reaches the parent: the cleared colour takes the place of
    // the backdrop inside the group and is taken out again with it when the group ends.
    canvas.FillRect(0, 0, 1, 1, canvas.Solid(kHalfBlue));
    End(canvas);
    canvas.End();
    EXPECT_EQ(canvas.At(3, 0), kWhite);
    EXPECT_EQ(canvas.At(0, 0), 0xFF7F7F80u);  // half blue over white
}

TEST(LayerCalls, PopStateInsideAGroupCannotReachTheParentsStates) {
    Canvas canvas(2, 1, GXPixelFormatPARGB32);
    canvas.Begin();
    ASSERT_EQ(GXRenderTargetPushState(canvas.target()), GXResultSuccess);
    SetBlendMode(canvas, 1);
    Begin(canvas, Layer(0, 0, 2, 1, 1, true, false));
    ASSERT_EQ(GXRenderTargetPopState(canvas.target()), GXResultSuccess);  // ignored
    canvas.FillRect(0, 0, 2, 1, canvas.red());
    End(canvas);
    ASSERT_EQ(GXRenderTargetPopState(canvas.target()), GXResultSuccess);  // back to Normal
    canvas.FillRect(1, 0, 2, 1, canvas.Solid(kGray));
    canvas.End();
    EXPECT_EQ(canvas.At(0, 0), kRed);  // Multiply over transparent keeps the source
    EXPECT_EQ(canvas.At(1, 0), kGray);
}

TEST(LayerCalls, FailedCompositingStillClosesTheGroup) {
    Canvas canvas(2, 1, GXPixelFormatPARGB32);
    canvas.Begin();
    ASSERT_EQ(GXRenderTargetPushState(canvas.target()), GXResultSuccess);
    // A mask kind the renderer refuses: every fill under it fails, the group's too.
    ASSERT_EQ(GXRenderTargetSetOpacityMask(canvas.target(), 7, canvas.Solid(kWhite)),
              GXResultSuccess);
    Begin(canvas, Layer(0, 0, 2, 1, 1, true, false));
    canvas.FillRect(0, 0, 2, 1, canvas.red());
    EXPECT_NE(GXRenderTargetEndLayer(canvas.target()), GXResultSuccess);
    ASSERT_EQ(GXRenderTargetPopState(canvas.target()), GXResultSuccess);
    canvas.FillRect(1, 0, 2, 1, canvas.red());  // reaches the bitmap: the group is gone
    canvas.End();
    EXPECT_EQ(canvas.At(0, 0), 0u);
    EXPECT_EQ(canvas.At(1, 0), kRed);
}

}  // namespace
