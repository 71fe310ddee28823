#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "canvas.h"
#include "gx.h"

namespace {

TEST(RenderTargetFill, RectangleOnPremultipliedBitmapIsExact) {
    Canvas canvas(16, 16, GXPixelFormatPARGB32);
    canvas.Begin();
    canvas.FillRect(2, 3, 6, 7, canvas.red());
    // Painted in place: visible before the paint ends.
    EXPECT_EQ(canvas.At(2, 3), kRed);
    canvas.End();
    const std::vector<uint32_t> pixels = canvas.Pixels();
    for (int32_t y = 0; y < 16; ++y)
        for (int32_t x = 0; x < 16; ++x) {
            const bool inside = x >= 2 && x < 6 && y >= 3 && y < 7;
            EXPECT_EQ(pixels[size_t(y) * 16 + x], inside ? kRed : 0u) << x << "," << y;
        }
    GXIntSize size{};
    GXPixelFormat format = GXPixelFormatA8;
    EXPECT_EQ(GXRenderTargetGetSize(canvas.target(), &size), GXResultSuccess);
    EXPECT_EQ(GXRenderTargetGetPixelFormat(canvas.target(), &format), GXResultSuccess);
    EXPECT_EQ(size.width, 16);
    EXPECT_EQ(size.height, 16);
    EXPECT_EQ(format, GXPixelFormatPARGB32);
}

// A bitmap painted through a copy: no sequence of locks, and no notification during a
// paint, loses what was written or drawn.
TEST(RenderTargetFill, LocksAndNotificationsNeverLoseWritesOnACopiedBitmap) {
    Canvas canvas(8, 8, GXPixelFormatARGB32);
    canvas.Begin();
    canvas.FillRect(0, 0, 1, 1, canvas.red());
    canvas.End();  // the renderer now holds a premultiplied copy
    GXBitmapData write{}, read{};
    ASSERT_EQ(GXBitmapLock(canvas.bitmap(), nullptr, GXLockWrite, &write), GXResultSuccess);
    ASSERT_EQ(GXBitmapLock(canvas.bitmap(), nullptr, GXLockRead, &read), GXResultSuccess);
    static_cast<uint32_t*>(write.data)[1] = kBlack;
    EXPECT_EQ(GXBitmapUnlock(canvas.bitmap()), GXResultSuccess);
    EXPECT_EQ(GXBitmapUnlock(canvas.bitmap()), GXResultSuccess);
    EXPECT_EQ(GXBitmapUnlock(canvas.bitmap()), GXResultInvalidArg);
    canvas.Begin();
    canvas.FillRect(2, 0, 3, 1, canvas.red());
    // A notification in the middle of the paint does not throw away what is drawn.
    EXPECT_EQ(GXBitmapNotifyChanged(canvas.bitmap()), GXResultSuccess);
    canvas.FillRect(3, 0, 4, 1, canvas.red());
    canvas.End();
    EXPECT_EQ(canvas.At(0, 0), kRed);
    EXPECT_EQ(canvas.At(1, 0), kBlack);
    EXPECT_EQ(canvas.At(2, 0), kRed);
    EXPECT_EQ(canvas.At(3, 0), kRed);
}

TEST(RenderTargetFill, EllipseCoversItsInsideOnly) {
    Canvas canvas(16, 16, GXPixelFormatPARGB32);
    canvas.Begin();
    const GXRect rect{0, 0, 16, 16};
    ASSERT_EQ(GXRenderTargetFillEllipse(canvas.target(), &rect, canvas.red()), GXResultSuccess);
    canvas.End();
    EXPECT_EQ(canvas.At(8, 8), kRed);
    EXPECT_EQ(canvas.At(7, 1), kRed);
    EXPECT_EQ(canvas.At(0, 0), 0u);
    EXPECT_EQ(canvas.At(15, 15), 0u);
    // The rim is anti-aliased: a partly covered pixel holds premultiplied red.
    const uint32_t rim = canvas.At(2, 2);
    EXPECT_GT(Alpha(rim), 0u);
    EXPECT_LT(Alpha(rim), 255u);
    EXPECT_EQ((rim >> 16) & 0xFF, Alpha(rim));
}

TEST(RenderTargetFill, StraightAlphaBitmapIsPaintedThroughACopy) {
    Canvas canvas(8, 8, GXPixelFormatARGB32);
    canvas.Begin();
    canvas.FillRect(0, 0, 4, 8, canvas.Solid(0x80FF0000u));
    // The paint goes into a premultiplied copy until it ends.
    EXPECT_EQ(canvas.At(1, 1), 0u);
    canvas.End();
    EXPECT_EQ(canvas.At(1, 1), 0x80FF0000u);
    EXPECT_EQ(canvas.At(5, 1), 0u);
    // A second paint starts from what the first left.
    canvas.Begin();
    canvas.FillRect(4, 0, 8, 8, canvas.red());
    canvas.End();
    EXPECT_EQ(canvas.At(1, 1), 0x80FF0000u);
    EXPECT_EQ(canvas.At(5, 1), kRed);
}

TEST(RenderTargetFill, RgbBitmapIsPaintedInPlaceAsOpaque) {
    Canvas canvas(8, 8, GXPixelFormatRGB32);
    canvas.Begin();
    canvas.FillRect(0, 0, 8, 8, canvas.Solid(kWhite));
    canvas.FillRect(0, 0, 4, 8, canvas.Solid(0x80000000u));
    canvas.End();
    // Half black over white; the fourth byte is the format's padding and is not compared.
    EXPECT_EQ(canvas.At(1, 1) & 0xFFFFFFu, 0x7F7F7Fu);
    EXPECT_EQ(canvas.At(5, 1) & 0xFFFFFFu, 0xFFFFFFu);
}

TEST(RenderTargetFill, StrokeAdjustmentSnapsRectanglesToWholePixels) {
    Canvas canvas(16, 16, GXPixelFormatPARGB32);
    canvas.Begin();
    canvas.FillRect(2.3f, 2.3f, 5.6f, 5.6f, canvas.red());
    ASSERT_EQ(GXRenderTargetSetStrokeAdjustment(canvas.target(), 0), GXResultSuccess);
    canvas.FillRect(10.3f, 10.3f, 13.6f, 13.6f, canvas.red());
    canvas.End();
    EXPECT_EQ(canvas.At(2, 2), kRed);
    EXPECT_EQ(canvas.At(5, 5), kRed);
    EXPECT_EQ(canvas.At(6, 6), 0u);
    EXPECT_EQ(canvas.At(1, 1), 0u);
    // Unsnapped: the corner pixels are partly covered.
    EXPECT_GT(Alpha(canvas.At(10, 10)), 0u);
    EXPECT_LT(Alpha(canvas.At(10, 10)), 255u);
    EXPECT_EQ(canvas.At(11, 11), kRed);
}

TEST(RenderTargetStroke, WidthSetsTheRowsCovered) {
    for (const float width : {2.0f, 4.0f}) {
        Canvas canvas(16, 16, GXPixelFormatPARGB32);
        canvas.Begin();
        const GXPoint from{2, 8}, to{14, 8};
        ASSERT_EQ(
            GXRenderTargetStrokeLine(canvas.target(), &from, &to, canvas.red(), width, nullptr),
            GXResultSuccess);
        canvas.End();
        const int32_t half = int32_t(width / 2);
        for (int32_t y = 0; y < 16; ++y) {
            const bool inside = y >= 8 - half && y < 8 + half;
            EXPECT_EQ(canvas.At(8, y), inside ? kRed : 0u) << "width " << width << " row " << y;
        }
        EXPECT_EQ(canvas.At(1, 8), 0u);
        EXPECT_EQ(canvas.At(14, 8), 0u);
    }
}

TEST(RenderTargetStroke, WholePixelStrokeRectPaintsWhatItsOutlineWould) {
    // A stroke-adjusted rectangle whose stroke lies on pixel edges is filled band by band;
    // the same centre line stroked as a geometry goes through the outline and the scan.
    // Translucent colours over a backdrop show any pixel painted twice or missed.
    std::mt19937 random(17);
    for (int trial = 0; trial < 60; ++trial) {
        Canvas banded(48, 48, GXPixelFormatPARGB32), outlined(48, 48, GXPixelFormatPARGB32);
        const uint32_t color = (0x40u + uint32_t(random() % 0xA0)) << 24 | (random() & 0xFFFFFFu);
        const float width = float(1 + 2 * (random() % 3));
        const float x = float(random() % 30), y = float(random() % 30);
        const float w = float(1 + random() % 16), h = float(1 + random() % 16);
        const GXMatrix shift{
            1, 0, 0, 1, float(int(random() % 5) - 2), float(int(random() % 5) - 2)};
        for (Canvas* canvas : {&banded, &outlined}) {
            canvas->Begin();
            canvas->FillRect(0, 0, 48, 48, canvas->Solid(0x80336699u));
            ASSERT_EQ(GXRenderTargetSetCTM(canvas->target(), &shift), GXResultSuccess);
        }
        const GXRect rect{x, y, x + w, y + h};
        ASSERT_EQ(
            GXRenderTargetStrokeRect(banded.target(), &rect, banded.Solid(color), width, nullptr),
            GXResultSuccess);
        GXGeometryRec_* path = nullptr;
        ASSERT_EQ(GXCreateGeometry(&path), GXResultSuccess);
        const GXRect centres{x + 0.5f, y + 0.5f, x + w + 0.5f, y + h + 0.5f};
        ASSERT_EQ(GXGeometryRectangle(path, &centres), GXResultSuccess);
        ASSERT_EQ(GXRenderTargetStrokeGeometry(outlined.target(), path, outlined.Solid(color),
                                               width, nullptr),
                  GXResultSuccess);
        GXObjectRelease(GX_HANDLE(path));
        banded.End();
        outlined.End();
        ASSERT_EQ(banded.Pixels(), outlined.Pixels())
            << "trial " << trial << " width " << width << " rect " << x << "," << y << " " << w
            << "x" << h;
    }
}

class RenderTargetBitmap : public ::testing::Test {
protected:
    void SetUp() override {
        const GXBitmapDesc desc{2, 2, GXPixelFormatPARGB32, 96, 96};
        ASSERT_EQ(GXCreateBitmap(&desc, &source_), GXResultSuccess);
        const GXBitmapData memory{const_cast<uint32_t*>(kSource), 8, 8};
        ASSERT_EQ(GXBitmapCopyFromMemory(source_, nullptr, &memory), GXResultSuccess);
    }
    void TearDown() override { GXObjectRelease(GX_HANDLE(source_)); }

    static constexpr uint32_t kSource[4] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, kWhite};
    GXBitmapRec_* source_ = nullptr;
};

TEST_F(RenderTargetBitmap, DrawBitmapPlacesPixelsUnderTheCtm) {
    Canvas canvas(16, 16, GXPixelFormatPARGB32);
    canvas.Begin();
    ASSERT_EQ(GXRenderTargetTranslateCTM(canvas.target(), 5, 6), GXResultSuccess);
    ASSERT_EQ(GXRenderTargetDrawBitmap(canvas.target(), source_, 1, GXBitmapSamplingNearest),
              GXResultSuccess);
    canvas.End();
    EXPECT_EQ(canvas.At(5, 6), kSource[0]);
    EXPECT_EQ(canvas.At(6, 6), kSource[1]);
    EXPECT_EQ(canvas.At(5, 7), kSource[2]);
    EXPECT_EQ(canvas.At(6, 7), kSource[3]);
    EXPECT_EQ(canvas.At(4, 6), 0u);
    EXPECT_EQ(canvas.At(7, 7), 0u);
    EXPECT_EQ(canvas.Painted(), 4);
}

TEST_F(RenderTargetBitmap, StretchBitmapFillsTheRectangleUpsideDown) {
    Canvas canvas(16, 16, GXPixelFormatPARGB32);
    canvas.Begin();
    const GXRect rect{0, 0, 8, 8};
    ASSERT_EQ(
        GXRenderTargetStretchBitmap(canvas.target(), source_, &rect, 1, GXBitmapSamplingNearest),
        GXResultSuccess);
    canvas.End();
    EXPECT_EQ(canvas.At(1, 1), kSource[2]);
    EXPECT_EQ(canvas.At(6, 1), kSource[3]);
    EXPECT_EQ(canvas.At(1, 6), kSource[0]);
    EXPECT_EQ(canvas.At(6, 6), kSource[1]);
    EXPECT_EQ(canvas.At(8, 8), 0u);
    EXPECT_EQ(canvas.Painted(), 64);
}

TEST(RenderTargetGradient, LinearGradientRisesAcrossTheClip) {
    Canvas canvas(16, 4, GXPixelFormatPARGB32);
    const GXGradientStop stops[2] = {{0, kBlack}, {1, kWhite}};
    GXLinearGradientDesc desc{};
    desc.stops = stops;
    desc.count = 2;
    desc.x1 = 16;
    GXGradientRec_* gradient = nullptr;
    ASSERT_EQ(GXCreateGradientLinear(&desc, &gradient), GXResultSuccess);
    canvas.Begin();
    const GXRect clip{0, 0, 16, 2};
    ASSERT_EQ(GXRenderTargetClipRect(canvas.target(), &clip), GXResultSuccess);
    ASSERT_EQ(GXRenderTargetDrawGradient(canvas.target(), gradient, 1), GXResultSuccess);
    canvas.End();
    GXObjectRelease(GX_HANDLE(gradient));
    for (int32_t x = 0; x < 16; ++x) {
        const uint32_t pixel = canvas.At(x, 0);
        EXPECT_EQ(Alpha(pixel), 255u);
        EXPECT_EQ(pixel & 0xFF, (pixel >> 8) & 0xFF);  // grey
        if (x > 0) {
            EXPECT_GT(pixel & 0xFF, canvas.At(x - 1, 0) & 0xFF) << x;
        }
        EXPECT_EQ(canvas.At(x, 1), pixel);
        EXPECT_EQ(canvas.At(x, 2), 0u);  // outside the clip
    }
    EXPECT_LT(canvas.At(0, 0) & 0xFF, 16u);
    EXPECT_GT(canvas.At(15, 0) & 0xFF, 239u);
}

TEST(RenderTargetClip, ClipsNarrowFillsAndPopStateRestoresThem) {
    Canvas canvas(16, 16, GXPixelFormatPARGB32);
    canvas.Begin();
    ASSERT_EQ(GXRenderTargetPushState(canvas.target()), GXResultSuccess);
    const GXRect box{4, 4, 8, 8};
    ASSERT_EQ(GXRenderTargetClipRect(canvas.target(), &box), GXResultSuccess);
    canvas.FillRect(0, 0, 16, 16, canvas.red());
    EXPECT_EQ(canvas.Painted(), 16);
    EXPECT_EQ(canvas.At(4, 4), kRed);
    EXPECT_EQ(canvas.At(8, 8), 0u);
    ASSERT_EQ(GXRenderTargetPopState(canvas.target()), GXResultSuccess);
    const GXRect circle{8, 8, 16, 16};
    ASSERT_EQ(GXRenderTargetClipEllipse(canvas.target(), &circle), GXResultSuccess);
    canvas.FillRect(0, 0, 16, 16, canvas.Solid(kWhite));
    canvas.End();
    EXPECT_EQ(canvas.At(12, 12), kWhite);
    EXPECT_EQ(canvas.At(8, 8), 0u);    // corner of the ellipse's box
    EXPECT_EQ(canvas.At(5, 5), kRed);  // the first clip no longer applies, the second excludes it
    EXPECT_EQ(canvas.At(15, 15), 0u);
}

TEST(RenderTargetClip, AnEmptyGeometryClipsEverythingAwayUntilPopState) {
    Canvas canvas(8, 8, GXPixelFormatPARGB32);
    canvas.Begin();
    GXGeometryRec_* empty = nullptr;
    ASSERT_EQ(GXCreateGeometry(&empty), GXResultSuccess);
    for (int32_t strokeAdjust = 0; strokeAdjust <= 1; ++strokeAdjust) {
        ASSERT_EQ(GXRenderTargetSetStrokeAdjustment(canvas.target(), strokeAdjust), GXResultSuccess);
        ASSERT_EQ(GXRenderTargetPushState(canvas.target()), GXResultSuccess);
        ASSERT_EQ(GXRenderTargetClipGeometry(canvas.target(), empty), GXResultSuccess);
        canvas.FillRect(0, 0, 8, 8, canvas.red());
        EXPECT_EQ(canvas.Painted(), 0);
        ASSERT_EQ(GXRenderTargetPopState(canvas.target()), GXResultSuccess);
    }
    canvas.FillRect(0, 0, 8, 8, canvas.red());
    canvas.End();
    EXPECT_EQ(canvas.Painted(), 64);
    GXObjectRelease(GX_HANDLE(empty));
}

TEST(RenderTargetMask, OpacityMaskScalesAndShapeMaskCuts) {
    Canvas canvas(8, 8, GXPixelFormatPARGB32);
    canvas.Begin();
    ASSERT_EQ(GXRenderTargetPushState(canvas.target()), GXResultSuccess);
    ASSERT_EQ(GXRenderTargetSetOpacityMask(canvas.target(), 0, canvas.Solid(0x80000000u)),
              GXResultSuccess);
    canvas.FillRect(0, 0, 4, 8, canvas.red());
    ASSERT_EQ(GXRenderTargetPopState(canvas.target()), GXResultSuccess);
    // Inverted alpha of an opaque brush: the shape mask lets nothing through.
    ASSERT_EQ(GXRenderTargetSetShapeMask(canvas.target(), 1, canvas.Solid(kWhite)),
              GXResultSuccess);
    canvas.FillRect(4, 0, 8, 8, canvas.red());
    ASSERT_EQ(GXRenderTargetSetShapeMask(canvas.target(), 1, nullptr), GXResultSuccess);
    canvas.FillRect(4, 4, 8, 8, canvas.red());
    canvas.End();
    const uint32_t half = canvas.At(1, 1);
    EXPECT_GE(Alpha(half), 0x7Fu);
    EXPECT_LE(Alpha(half), 0x81u);
    EXPECT_EQ((half >> 16) & 0xFF, Alpha(half));
    EXPECT_EQ(canvas.At(5, 1), 0u);
    EXPECT_EQ(canvas.At(5, 5), kRed);
}

TEST(RenderTargetInvert, InvertRectFlipsColours) {
    Canvas canvas(8, 8, GXPixelFormatPARGB32);
    canvas.Begin();
    ASSERT_EQ(GXRenderTargetClear(canvas.target(), kWhite), GXResultSuccess);
    const GXRect rect{2, 2, 4, 4};
    ASSERT_EQ(GXRenderTargetInvertRect(canvas.target(), &rect), GXResultSuccess);
    canvas.End();
    EXPECT_EQ(canvas.At(2, 2), kBlack);
    EXPECT_EQ(canvas.At(3, 3), kBlack);
    EXPECT_EQ(canvas.At(4, 4), kWhite);
    EXPECT_EQ(canvas.At(1, 2), kWhite);
}

TEST(RenderTargetText, FillTextPaintsNearTheBaselineOnly) {
    const uint16_t family[] = {'D', 'e', 'j', 'a', 'V', 'u', ' ', 'S', 'a', 'n', 's', 0};
    GXFontFaceRec_* face = nullptr;
    ASSERT_EQ(GXCreateFontFace(family, 0, 18, &face), GXResultSuccess);
    Canvas canvas(64, 40, GXPixelFormatPARGB32);
    canvas.Begin();
    ASSERT_EQ(GXRenderTargetTranslateCTM(canvas.target(), 4, 30), GXResultSuccess);
    const uint16_t text[] = {'H', 'i', 0};
    ASSERT_EQ(GXRenderTargetFillText(canvas.target(), face, text, canvas.red()), GXResultSuccess);
    canvas.End();
    GXObjectRelease(GX_HANDLE(face));
    const std::vector<uint32_t> pixels = canvas.Pixels();
    int32_t painted = 0;
    for (int32_t y = 0; y < 40; ++y)
        for (int32_t x = 0; x < 64; ++x) {
            const uint32_t p = pixels[size_t(y) * 64 + x];
            if (p == 0) continue;
            ++painted;
            EXPECT_GE(x, 4);
            EXPECT_LT(y, 31);
            EXPECT_GE(y, 6);
            EXPECT_EQ((p >> 16) & 0xFF, Alpha(p));  // red only
        }
    EXPECT_GT(painted, 40);
}

TEST(RenderTargetCalls, DrawingOutsideAPaintDoesNothing) {
    Canvas canvas(8, 8, GXPixelFormatPARGB32);
    const GXRect rect{0, 0, 8, 8};
    EXPECT_EQ(GXRenderTargetFillRect(canvas.target(), &rect, canvas.red()), GXResultSuccess);
    EXPECT_EQ(GXRenderTargetClear(canvas.target(), kWhite), GXResultSuccess);
    EXPECT_EQ(GXRenderTargetInvertRect(canvas.target(), &rect), GXResultSuccess);
    EXPECT_EQ(GXRenderTargetClipRect(canvas.target(), &rect), GXResultSuccess);
    EXPECT_EQ(GXRenderTargetPopState(canvas.target()), GXResultSuccess);
    EXPECT_EQ(GXRenderTargetEndPaint(canvas.target()), GXResultSuccess);
    EXPECT_EQ(canvas.Painted(), 0);
}

TEST(RenderTargetCalls, CtmCarriesIntoThePaintAndResetsAfterIt) {
    Canvas canvas(8, 8, GXPixelFormatPARGB32);
    ASSERT_EQ(GXRenderTargetTranslateCTM(canvas.target(), 4, 0), GXResultSuccess);
    canvas.Begin();
    canvas.FillRect(0, 0, 1, 1, canvas.red());
    GXMatrix ctm{};
    ASSERT_EQ(GXRenderTargetGetCTM(canvas.target(), &ctm), GXResultSuccess);
    EXPECT_EQ(ctm.e, 4);
    canvas.End();
    EXPECT_EQ(canvas.At(4, 0), kRed);
    EXPECT_EQ(canvas.Painted(), 1);
    ASSERT_EQ(GXRenderTargetGetCTM(canvas.target(), &ctm), GXResultSuccess);
    EXPECT_EQ(ctm.e, 0);
}

TEST(RenderTargetCalls, FillsWhollyOutsideOrNanDrawNothing) {
    Canvas canvas(8, 8, GXPixelFormatPARGB32);
    canvas.Begin();
    canvas.FillRect(20, 20, 30, 30, canvas.red());
    canvas.FillRect(-30, 0, -20, 8, canvas.red());
    const float nan = std::numeric_limits<float>::quiet_NaN();
    canvas.FillRect(nan, 0, 8, 8, canvas.red());
    canvas.End();
    EXPECT_EQ(canvas.Painted(), 0);
}

TEST(RenderTargetCalls, InvalidArgumentsReturnInvalidArg) {
    Canvas canvas(8, 8, GXPixelFormatPARGB32);
    GXRenderTargetRec_* target = canvas.target();
    const GXRect rect{0, 0, 4, 4};
    const GXPoint point{0, 0};
    GXRenderTargetRec_* out = nullptr;
    EXPECT_EQ(GXCreateRenderTargetBitmap(nullptr, &out), GXResultInvalidArg);
    EXPECT_EQ(GXCreateRenderTargetBitmap(canvas.bitmap(), nullptr), GXResultInvalidArg);
    EXPECT_EQ(GXRenderTargetBeginPaint(nullptr), GXResultInvalidArg);
    EXPECT_EQ(GXRenderTargetGetSize(target, nullptr), GXResultInvalidArg);
    EXPECT_EQ(GXRenderTargetGetCTM(target, nullptr), GXResultInvalidArg);
    EXPECT_EQ(GXRenderTargetConcatCTM(target, nullptr), GXResultInvalidArg);
    EXPECT_EQ(GXRenderTargetFillRect(target, nullptr, canvas.red()), GXResultInvalidArg);
    EXPECT_EQ(GXRenderTargetFillRect(target, &rect, nullptr), GXResultInvalidArg);
    EXPECT_EQ(GXRenderTargetFillGeometry(target, nullptr, canvas.red()), GXResultInvalidArg);
    EXPECT_EQ(GXRenderTargetDrawBitmap(target, nullptr, 1, 0), GXResultInvalidArg);
    EXPECT_EQ(GXRenderTargetFillText(target, nullptr, nullptr, canvas.red()), GXResultInvalidArg);
    EXPECT_EQ(GXRenderTargetScaleCTM(target, 0, 1), GXResultInvalidArg);
    EXPECT_EQ(GXRenderTargetScaleCTM(target, 1, 0), GXResultInvalidArg);
    GXStrokeStyle style{};
    style.miterLimit = 10;
    style.dashCount = 2;  // both lengths 0
    EXPECT_EQ(GXRenderTargetStrokeLine(target, &point, &point, canvas.red(), 1, &style),
              GXResultInvalidArg);
    EXPECT_EQ(GXRenderTargetStrokeRect(target, &rect, canvas.red(), 1, &style), GXResultInvalidArg);
    style.dashes[1] = 1;
    EXPECT_EQ(GXRenderTargetStrokeRect(target, &rect, canvas.red(), 1, &style), GXResultSuccess);
    GXMatrix ctm{};
    ASSERT_EQ(GXRenderTargetGetCTM(target, &ctm), GXResultSuccess);
    EXPECT_EQ(ctm.a, 1);  // the refused scale changed nothing
}

// A NaN or infinite transform, or one whose product leaves the float range, is refused and
// leaves the CTM as it was; so are NaN opacities.
TEST(RenderTargetCalls, NonFiniteTransformsAndOpacitiesAreRefused) {
    Canvas canvas(8, 8, GXPixelFormatPARGB32);
    GXRenderTargetRec_* target = canvas.target();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    canvas.Begin();
    const GXMatrix large{1e30f, 0, 0, 1e30f, 5, 6};
    ASSERT_EQ(GXRenderTargetSetCTM(target, &large), GXResultSuccess);
    const GXMatrix bad{1, 0, 0, nan, 0, 0};
    for (GXResult result :
         {GXRenderTargetScaleCTM(target, nan, 1), GXRenderTargetScaleCTM(target, 1, inf),
          GXRenderTargetScaleCTM(target, 1e30f, 1), GXRenderTargetRotateCTM(target, inf),
          GXRenderTargetRotateCTM(target, nan), GXRenderTargetTranslateCTM(target, nan, 0),
          GXRenderTargetTranslateCTM(target, 0, -inf), GXRenderTargetSetCTM(target, &bad),
          GXRenderTargetConcatCTM(target, &bad), GXRenderTargetConcatCTM(target, &large),
          GXRenderTargetDrawBitmap(target, canvas.bitmap(), nan, 0)})
        EXPECT_EQ(result, GXResultInvalidArg);
    GXMatrix ctm{};
    ASSERT_EQ(GXRenderTargetGetCTM(target, &ctm), GXResultSuccess);
    EXPECT_EQ(std::memcmp(&ctm, &large, sizeof ctm), 0);
    canvas.End();
}

TEST(RenderTargetCalls, TargetKeepsItsBitmapAlive) {
    const GXBitmapDesc desc{4, 4, GXPixelFormatPARGB32, 96, 96};
    GXBitmapRec_* bitmap = nullptr;
    ASSERT_EQ(GXCreateBitmap(&desc, &bitmap), GXResultSuccess);
    GXRenderTargetRec_* target = nullptr;
    ASSERT_EQ(GXCreateRenderTargetBitmap(bitmap, &target), GXResultSuccess);
    GXObjectRelease(GX_HANDLE(bitmap));
    ASSERT_EQ(GXRenderTargetBeginPaint(target), GXResultSuccess);
    EXPECT_EQ(GXRenderTargetClear(target, kWhite), GXResultSuccess);
    EXPECT_EQ(GXRenderTargetEndPaint(target), GXResultSuccess);
    GXObjectRelease(GX_HANDLE(target));
}

}  // namespace

namespace {

// The rectangle as one figure, or as its left and right halves (two figures, which no
// rectangle shortcut takes: the general scan then fills the same pixels).
GXGeometryRec_* RectGeometry(const GXRect& r, bool halves) {
    GXGeometryRec_* geometry = nullptr;
    EXPECT_EQ(GXCreateGeometry(&geometry), GXResultSuccess);
    const float middle = (r.left + r.right) / 2;
    const GXRect parts[2] = {{r.left, r.top, middle, r.bottom}, {middle, r.top, r.right, r.bottom}};
    if (!halves) {
        EXPECT_EQ(GXGeometryRectangle(geometry, &r), GXResultSuccess);
    } else {
        for (const GXRect& part : parts)
            EXPECT_EQ(GXGeometryRectangle(geometry, &part), GXResultSuccess);
    }
    return geometry;
}

}  // namespace

TEST(RenderTargetFill, WholePixelRectanglesMatchTheGeneralPath) {
    std::mt19937 random(12);
    for (int trial = 0; trial < 60; ++trial) {
        Canvas whole(24, 20, GXPixelFormatPARGB32), halves(24, 20, GXPixelFormatPARGB32);
        const bool adjust = trial % 2 == 0;
        const bool fractional = trial % 3 == 0 && !adjust;  // snapping would treat these apart
        const GXRect clip{float(random() % 6), float(random() % 6), float(14 + random() % 12),
                          float(12 + random() % 10)};
        for (Canvas* canvas : {&whole, &halves}) {
            canvas->Begin();
            ASSERT_EQ(GXRenderTargetSetStrokeAdjustment(canvas->target(), adjust), GXResultSuccess);
            if (trial % 4 == 1) {
                ASSERT_EQ(GXRenderTargetClipRect(canvas->target(), &clip), GXResultSuccess);
            }
        }
        for (int fill = 0; fill < 6; ++fill) {
            auto at = [&](int range) {
                const float v = float(int(random() % uint32_t(range)) - 4);
                return fractional ? v + float(random() % 8) / 8.0f : v;
            };
            GXRect r{at(30), at(26), 0, 0};
            r.right = r.left + float(random() % 14);
            r.bottom = r.top + float(random() % 12);
            const uint32_t argb = uint32_t(random());
            for (Canvas* canvas : {&whole, &halves}) {
                GXGeometryRec_* geometry = RectGeometry(r, canvas == &halves);
                EXPECT_EQ(
                    GXRenderTargetFillGeometry(canvas->target(), geometry, canvas->Solid(argb)),
                    GXResultSuccess);
                GXObjectRelease(GX_HANDLE(geometry));
            }
        }
        whole.End();
        halves.End();
        EXPECT_EQ(whole.Pixels(), halves.Pixels()) << "trial " << trial;
    }
}
