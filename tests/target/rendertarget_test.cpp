#include "graphics/target/rendertarget.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "graphics/bitmap/bitmap.h"
#include "graphics/paint/bitmapbrush.h"
#include "graphics/paint/font.h"
#include "graphics/paint/gradientbrush.h"
#include "graphics/paint/gradientstopcollection.h"
#include "graphics/paint/lineargradient.h"
#include "graphics/paint/solidbrush.h"
#include "recordingrenderer.h"

namespace Graphics {
namespace {

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

// The points of every figure, in order, for exact comparison.
struct PointSink : GeometrySink {
    std::vector<std::vector<GXPoint>> figures;
    void SetFillRule(int32_t) override {}
    void BeginFigure(const GXPoint& p) override { figures.push_back({p}); }
    void EndFigure() override {}
    void EndFigureClose() override {}
    void LineTo(const GXPoint& p) override { figures.back().push_back(p); }
    void CubicCurveTo(const GXPoint& a, const GXPoint& b, const GXPoint& e) override {
        figures.back().insert(figures.back().end(), {a, b, e});
    }
};

std::vector<std::vector<GXPoint>> Figures(const Geometry& g) {
    PointSink sink;
    g.SendToSink(&sink);
    return sink.figures;
}

// The geometry is the rectangle (l, t, r, b) exactly as the rectangle builder makes it.
void ExpectRectGeometry(const Geometry& g, float l, float t, float r, float b) {
    const auto figures = Figures(g);
    ASSERT_EQ(figures.size(), 1u);
    const std::vector<GXPoint> expected = {{l, t}, {r, t}, {r, b}, {l, b}};
    ASSERT_EQ(figures[0].size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(figures[0][i].x, expected[i].x) << i;
        EXPECT_EQ(figures[0][i].y, expected[i].y) << i;
    }
}

// The call fills or clips exactly the device pixels (l, t, r, b).
void ExpectPixels(const RecordingRenderer::Call& call, const char* op, int32_t l, int32_t t,
                  int32_t r, int32_t b) {
    EXPECT_EQ(call.op, op);
    EXPECT_EQ(call.pixels.left, l);
    EXPECT_EQ(call.pixels.top, t);
    EXPECT_EQ(call.pixels.right, r);
    EXPECT_EQ(call.pixels.bottom, b);
}

void ExpectMatrix(const GXMatrix& m, float a, float b, float c, float d, float e, float f) {
    EXPECT_FLOAT_EQ(m.a, a);
    EXPECT_FLOAT_EQ(m.b, b);
    EXPECT_FLOAT_EQ(m.c, c);
    EXPECT_FLOAT_EQ(m.d, d);
    EXPECT_FLOAT_EQ(m.e, e);
    EXPECT_FLOAT_EQ(m.f, f);
}

struct Fixture : ::testing::Test {
    std::shared_ptr<RecordingRenderer> renderer = std::make_shared<RecordingRenderer>();
    RenderTarget target{renderer};
    std::shared_ptr<Brush> red = std::make_shared<SolidBrush>(ColorF{1, 0, 0, 1});

    void SetUp() override { target.BeginPaint(); }
    void TearDown() override { EXPECT_EQ(renderer->misuse, 0); }

    std::shared_ptr<Bitmap> MakeBitmap(int32_t w, int32_t h) {
        return Bitmap::Create(GXBitmapDesc{w, h, GXPixelFormatPARGB32, 96, 96});
    }
    void Scale(float sx, float sy) {
        GXMatrix m{sx, 0, 0, sy, 0, 0};
        target.SetCTM(&m);
    }
};

using RenderTargetCTM = Fixture;

TEST_F(RenderTargetCTM, ComposesInUserSpace) {
    target.SetCTM(nullptr);
    ExpectMatrix(target.GetCTM(), 1, 0, 0, 1, 0, 0);
    target.ScaleCTM(2, 2);
    target.TranslateCTM(10, 0);
    // The translation is in the scaled space: 20 device units.
    ExpectMatrix(target.GetCTM(), 2, 0, 0, 2, 20, 0);
    GXMatrix base{1, 2, 3, 4, 5, 6};
    target.SetCTM(&base);
    target.ConcatCTM({2, 0, 1, 3, 7, 8});
    // M x CTM: the argument applies first.
    ExpectMatrix(target.GetCTM(), 2, 4, 10, 14, 36, 52);
}

TEST_F(RenderTargetCTM, RotationReducesOnlyLargePositiveAngles) {
    target.RotateCTM(7);
    const float reduced = std::fmod(7.0f, 6.2831855f);
    ExpectMatrix(target.GetCTM(), std::cos(reduced), std::sin(reduced), -std::sin(reduced),
                 std::cos(reduced), 0, 0);
    target.SetCTM(nullptr);
    target.RotateCTM(-7);
    ExpectMatrix(target.GetCTM(), std::cos(-7.0f), std::sin(-7.0f), -std::sin(-7.0f),
                 std::cos(-7.0f), 0, 0);
    // Non-finite angles give a NaN matrix, not a failure.
    target.RotateCTM(kInf);
    EXPECT_TRUE(std::isnan(target.GetCTM().a));
}

using RenderTargetFill = Fixture;

TEST_F(RenderTargetFill, SnapsAxisAlignedRectanglesUnderIdentity) {
    target.FillRect({0.3f, 0.3f, 10.6f, 10.2f}, red);
    target.FillRect({5.2f, 0, 5.4f, 1}, red);
    const auto drawn = renderer->Drawn();
    ASSERT_EQ(drawn.size(), 2u);
    ExpectPixels(drawn[0], "FillPixels", 0, 0, 11, 10);
    ExpectPixels(drawn[1], "FillPixels", 5, 0, 6, 1);
    EXPECT_EQ(drawn[0].brush, red);
}

TEST_F(RenderTargetFill, RectanglesWithoutAreaAreNotWidenedToAPixel) {
    // Their figure drops the repeated corner, so it is no four-corner rectangle to snap.
    target.FillRect({5, 2, 5, 6}, red);
    target.FillRect({1, 3, 4, 3}, red);
    const auto drawn = renderer->Drawn();
    ASSERT_EQ(drawn.size(), 2u);
    const GXRect column = drawn[0].geometry->Bound().Box();
    EXPECT_EQ(column.left, 5);
    EXPECT_EQ(column.right, 5);
    const GXRect row = drawn[1].geometry->Bound().Box();
    EXPECT_EQ(row.top, 3);
    EXPECT_EQ(row.bottom, 3);
}

TEST_F(RenderTargetFill, SnapsInDeviceSpaceAndLeavesTheCTM) {
    // A quarter turn with a scale: (x, y) -> (-2y + 0.25, 2x).
    GXMatrix turn{0, 2, -2, 0, 0.25f, 0};
    target.SetCTM(&turn);
    renderer->calls.clear();
    target.FillRect({1, 1, 3, 4}, red);
    // The pixels travel as they are: the CTM is neither changed nor restored.
    ASSERT_EQ(renderer->calls.size(), 1u);
    // Device box x [-7.75, -1.75] -> [-8, -2], y [2, 6].
    ExpectPixels(renderer->calls[0], "FillPixels", -8, 2, -2, 6);
    ExpectMatrix(target.GetCTM(), 0, 2, -2, 0, 0.25f, 0);
}

TEST_F(RenderTargetFill, LeavesOtherShapesAndStatesAlone) {
    auto closedFive = std::make_shared<Geometry>();
    closedFive->BeginFigure({0.5f, 0.5f});
    closedFive->LineTo({3.5f, 0.5f});
    closedFive->LineTo({3.5f, 2.5f});
    closedFive->LineTo({0.5f, 2.5f});
    closedFive->LineTo({0.5f, 0.5f});
    closedFive->EndFigure();
    auto trapezoid = std::make_shared<Geometry>();
    trapezoid->BeginFigure({0.5f, 0.5f});
    trapezoid->LineTo({3.5f, 0.5f});
    trapezoid->LineTo({3, 2.5f});
    trapezoid->LineTo({0.5f, 2.5f});
    trapezoid->EndFigureClose();
    auto twoRects = std::make_shared<Geometry>();
    twoRects->Rectangle({0.5f, 0.5f, 1.5f, 1.5f});
    twoRects->Rectangle({2.5f, 0.5f, 3.5f, 1.5f});

    target.FillGeometry(closedFive, red);  // four segments returning to the start: snapped
    target.FillGeometry(trapezoid, red);
    target.FillGeometry(twoRects, red);
    target.FillGeometry(std::make_shared<Geometry>(), red);  // no figure: nothing
    target.SetStrokeAdjustment(0);
    target.FillRect({0.3f, 0.3f, 10.6f, 10.2f}, red);
    target.SetStrokeAdjustment(1);
    target.RotateCTM(0.5f);
    target.FillRect({0.3f, 0.3f, 10.6f, 10.2f}, red);

    const auto drawn = renderer->Drawn();
    ASSERT_EQ(drawn.size(), 5u);
    // Device (0.5, 0.5, 3.5, 2.5): both ends tie and the far pixel goes.
    ExpectPixels(drawn[0], "FillPixels", 0, 0, 3, 2);
    EXPECT_EQ(drawn[1].geometry, trapezoid);
    EXPECT_EQ(drawn[2].geometry, twoRects);
    ExpectRectGeometry(*drawn[3].geometry, 0.3f, 0.3f, 10.6f, 10.2f);
    ExpectRectGeometry(*drawn[4].geometry, 0.3f, 0.3f, 10.6f, 10.2f);
    EXPECT_FALSE(IsIdentity(drawn[4].ctm));
}

TEST_F(RenderTargetFill, NonFiniteRectanglesAreDrawnUnsnapped) {
    target.FillRect({kNaN, 0, 4, 4}, red);
    target.FillRect({0, 0, kInf, 4}, red);
    target.FillEllipse({0, 0, 0, 4}, red);  // empty: nothing
    target.FillEllipse({0, 0, 4, 2}, red);
    const auto drawn = renderer->Drawn();
    ASSERT_EQ(drawn.size(), 3u);
    for (const auto& call : drawn) EXPECT_TRUE(IsIdentity(call.ctm));
    EXPECT_EQ(Figures(*drawn[2].geometry)[0].size(), 13u);  // start + four cubics
}

// Empty rectangles are ignored, as documented; an empty geometry's fill covers nothing, so
// clipping to it leaves nothing visible.
TEST_F(RenderTargetFill, ClipsAsItFillsAndIgnoresEmptyRectangles) {
    target.ClipRect({1, 1, 1, 5});
    target.ClipEllipse({1, 1, 5, 1});
    EXPECT_TRUE(renderer->Drawn().empty());
    target.ClipRect({0.3f, 0.3f, 10.6f, 10.2f});
    target.ClipGeometry(std::make_shared<Geometry>());
    const auto drawn = renderer->Drawn();
    ASSERT_EQ(drawn.size(), 2u);
    ExpectPixels(drawn[0], "ClipPixels", 0, 0, 11, 10);
    ExpectPixels(drawn[1], "ClipPixels", 0, 0, 0, 0);
}

using RenderTargetStroke = Fixture;

// The device-space half width of the outline of a horizontal line, read from its bound.
float DeviceHalfWidth(const RecordingRenderer::Call& call) {
    const GXRect box = TransformBounds(call.ctm, call.geometry->Bound().Box());
    return (box.bottom - box.top) * 0.5f;
}

TEST_F(RenderTargetStroke, WidthRules) {
    target.SetStrokeAdjustment(0);
    Scale(4, 4);
    target.StrokeLine({0, 1}, {10, 1}, red, 0, nullptr);  // hairline: 0.75 device pixels
    Scale(0.25f, 0.25f);
    target.StrokeLine({0, 1}, {10, 1}, red, 0, nullptr);
    Scale(1, 1);
    target.StrokeLine({0, 1}, {10, 1}, red, 0.1f, nullptr);  // raised to half a pixel
    Scale(0.5f, 0.5f);
    target.StrokeLine({0, 1}, {10, 1}, red, 0.1f, nullptr);
    Scale(2, 2);
    target.StrokeLine({0, 1}, {10, 1}, red, 3, nullptr);   // as given: 6 device pixels
    target.StrokeLine({0, 1}, {10, 1}, red, -3, nullptr);  // negative: half a pixel
    const auto drawn = renderer->Drawn();
    ASSERT_EQ(drawn.size(), 6u);
    const float expected[] = {0.375f, 0.375f, 0.25f, 0.25f, 3, 0.25f};
    for (size_t i = 0; i < 6; ++i) EXPECT_NEAR(DeviceHalfWidth(drawn[i]), expected[i], 1e-5f) << i;
    // Hairlines are widened in device space and filled under the identity; the CTM returns.
    EXPECT_TRUE(IsIdentity(drawn[0].ctm));
    EXPECT_TRUE(IsIdentity(drawn[1].ctm));
    // Other widths are widened in user space and filled under the CTM.
    ExpectMatrix(drawn[3].ctm, 0.5f, 0, 0, 0.5f, 0, 0);
    ExpectMatrix(drawn[4].ctm, 2, 0, 0, 2, 0, 0);
    ExpectMatrix(target.GetCTM(), 2, 0, 0, 2, 0, 0);
}

TEST_F(RenderTargetStroke, BadWidthsAndMatricesDrawNothingOrStayDefined) {
    target.StrokeLine({0, 1}, {10, 1}, red, kNaN, nullptr);
    target.StrokeLine({0, 1}, {10, 1}, red, kInf, nullptr);
    target.StrokeGeometry(std::make_shared<Geometry>(), red, 1, nullptr);
    EXPECT_TRUE(renderer->Drawn().empty());
    Scale(0, 0);  // singular: the tolerance is infinite and so is the minimum width
    target.StrokeLine({0, 1}, {10, 1}, red, 1, nullptr);
    GXMatrix nan{kNaN, 0, 0, 1, 0, 0};
    target.SetCTM(&nan);
    target.StrokeLine({0, 1}, {10, 1}, red, 1, nullptr);
    target.StrokeLine({0, 1}, {10, 1}, red, 0, nullptr);
    target.StrokeRect({0, 0, 5, 5}, red, 1, nullptr);
    EXPECT_TRUE(renderer->Drawn().empty());
}

TEST_F(RenderTargetStroke, StrokeRectCentresOnPixelCentres) {
    // An even width keeps the outline: the centre line is what places it.
    target.StrokeRect({10, 10, 20, 20}, red, 2, nullptr);
    Scale(2, 2);
    target.StrokeRect({10, 10, 20, 20}, red, 1, nullptr);
    target.SetStrokeAdjustment(0);
    target.StrokeRect({10, 10, 20, 20}, red, 1, nullptr);
    target.StrokeRect({10, 10, 10, 20}, red, 1, nullptr);  // empty: nothing
    const auto drawn = renderer->Drawn();
    ASSERT_EQ(drawn.size(), 3u);
    auto expectBound = [](const RecordingRenderer::Call& call, float l, float t, float r, float b) {
        const GXRect box = call.geometry->Bound().Box();
        EXPECT_FLOAT_EQ(box.left, l);
        EXPECT_FLOAT_EQ(box.top, t);
        EXPECT_FLOAT_EQ(box.right, r);
        EXPECT_FLOAT_EQ(box.bottom, b);
    };
    // Centre line (10.5, 10.5, 20.5, 20.5), half width 1 with mitred corners.
    expectBound(drawn[0], 9.5f, 9.5f, 21.5f, 21.5f);
    // Device (20, 20, 40, 40) -> (20.5 .. 40.5) -> user (10.25 .. 20.25).
    expectBound(drawn[1], 9.75f, 9.75f, 20.75f, 20.75f);
    expectBound(drawn[2], 9.5f, 9.5f, 20.5f, 20.5f);
}

TEST_F(RenderTargetStroke, WholePixelStrokeRectFillsItsFourBands) {
    // Under a whole translation, centre line (15.5, 12.5, 25.5, 22.5) in device pixels; width
    // 3 covers 14..17 and 24..27 across, 11..14 and 21..24 down.
    target.TranslateCTM(5, 2);
    target.StrokeRect({10.2f, 10, 20, 20.4f}, red, 3, nullptr);
    const auto bands = renderer->Drawn();
    ASSERT_EQ(bands.size(), 4u);
    const GXIntRect expected[4] = {
        {14, 11, 27, 14}, {14, 21, 27, 24}, {14, 14, 17, 21}, {24, 14, 27, 21}};
    for (size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        ExpectPixels(bands[i], "FillPixels", expected[i].left, expected[i].top, expected[i].right,
                     expected[i].bottom);
    }
    ExpectMatrix(target.GetCTM(), 1, 0, 0, 1, 5, 2);

    // Everything else strokes one outline: a round join, dashes, a low miter limit, a width
    // that is not an odd whole number, a rectangle no wider than the stroke, a scale.
    renderer->calls.clear();
    GXStrokeStyle round{};
    round.lineJoin = GXLineJoinRound;
    GXStrokeStyle dashed{};
    dashed.miterLimit = 10;
    dashed.dashes[0] = 2;
    dashed.dashCount = 1;
    GXStrokeStyle lowLimit{};
    lowLimit.miterLimit = 1.5f;
    target.StrokeRect({10, 10, 20, 20}, red, 1, &round);
    target.StrokeRect({10, 10, 20, 20}, red, 1, &dashed);
    target.StrokeRect({10, 10, 20, 20}, red, 1, &lowLimit);
    target.StrokeRect({10, 10, 20, 20}, red, 1.5f, nullptr);
    target.StrokeRect({10, 10, 13, 20}, red, 3, nullptr);
    Scale(2, 2);
    target.StrokeRect({10, 10, 20, 20}, red, 1, nullptr);
    EXPECT_EQ(renderer->Drawn().size(), 6u);
}

TEST_F(RenderTargetStroke, StyleValidity) {
    EXPECT_TRUE(RenderTarget::IsValidStrokeStyle(nullptr));
    GXStrokeStyle style{};
    EXPECT_TRUE(RenderTarget::IsValidStrokeStyle(&style));
    style.dashCount = 3;
    EXPECT_FALSE(RenderTarget::IsValidStrokeStyle(&style));
    style.dashes[2] = 1;
    EXPECT_TRUE(RenderTarget::IsValidStrokeStyle(&style));
    // Only the first fifteen entries count, however large the count.
    style.dashes[2] = 0;
    style.dashCount = 1000;
    EXPECT_FALSE(RenderTarget::IsValidStrokeStyle(&style));
}

using RenderTargetImages = Fixture;

TEST_F(RenderTargetImages, DrawBitmapFitsTheBrushToTheSnappedRectangle) {
    auto bitmap = MakeBitmap(4, 3);
    Scale(2.6f, 2);
    renderer->calls.clear();
    target.DrawBitmap(bitmap, 0.5f, BitmapSamplingBilinear);
    const auto drawn = renderer->Drawn();
    ASSERT_EQ(drawn.size(), 1u);
    // Device (0, 0, 10.4, 6) snaps to (0, 0, 11, 6); pixel (4, 3) lands on its corner.
    ExpectPixels(drawn[0], "FillPixels", 0, 0, 11, 6);
    auto brush = std::dynamic_pointer_cast<BitmapBrush>(drawn[0].brush);
    ASSERT_TRUE(brush);
    EXPECT_EQ(brush->GetBitmap(), bitmap);
    EXPECT_EQ(brush->GetOpacity(), 0.5f);
    EXPECT_EQ(brush->GetSamplingMode(), BitmapSamplingBilinear);
    ExpectMatrix(brush->GetMatrix(), 2.6f * (11 / 10.4f), 0, 0, 2, 0, 0);
    const GXPoint corner = TransformPoint(brush->GetMatrix(), {4, 3});
    EXPECT_FLOAT_EQ(corner.x, 11);
    EXPECT_FLOAT_EQ(corner.y, 6);
    ExpectMatrix(target.GetCTM(), 2.6f, 0, 0, 2, 0, 0);
}

TEST_F(RenderTargetImages, DrawBitmapWithoutSnapping) {
    auto bitmap = MakeBitmap(4, 3);
    target.DrawBitmap(bitmap, 0, 0);     // no opacity: nothing
    target.DrawBitmap(bitmap, kNaN, 0);  // nor NaN
    target.DrawBitmap(nullptr, 1, 0);
    Scale(0, 2);  // collapses the bitmap: nothing to draw
    target.DrawBitmap(bitmap, 1, 0);
    EXPECT_TRUE(renderer->Drawn().empty());
    target.SetCTM(nullptr);
    target.RotateCTM(0.5f);
    target.DrawBitmap(bitmap, 1, 0);
    const auto drawn = renderer->Drawn();
    ASSERT_EQ(drawn.size(), 1u);
    ExpectRectGeometry(*drawn[0].geometry, 0, 0, 4, 3);
    const GXMatrix ctm = target.GetCTM();
    const GXMatrix& m = drawn[0].brush->GetMatrix();
    ExpectMatrix(m, ctm.a, ctm.b, ctm.c, ctm.d, ctm.e, ctm.f);
    ExpectMatrix(drawn[0].ctm, ctm.a, ctm.b, ctm.c, ctm.d, ctm.e, ctm.f);
}

TEST_F(RenderTargetImages, StretchBitmapPlacesTheFirstRowAtTheBottom) {
    auto bitmap = MakeBitmap(4, 2);
    GXMatrix shift{1, 0, 0, 1, 0, 100};
    target.SetCTM(&shift);
    target.StretchBitmap(bitmap, {10, 20, 30, 40}, 1, 0);
    const auto drawn = renderer->Drawn();
    ASSERT_EQ(drawn.size(), 1u);
    ExpectPixels(drawn[0], "FillPixels", 10, 120, 30, 140);
    auto brush = std::dynamic_pointer_cast<BitmapBrush>(drawn[0].brush);
    ASSERT_TRUE(brush);
    EXPECT_EQ(brush->GetExtendX(), 0);
    EXPECT_EQ(brush->GetExtendY(), 0);
    ExpectMatrix(brush->GetMatrix(), 5, 0, 0, -10, 10, 140);
}

TEST_F(RenderTargetImages, DrawGradientCoversTheTargetInUserSpace) {
    auto stops = std::make_shared<GradientStopCollection>();
    auto gradient = std::make_shared<LinearGradient>(stops, GXPoint{0, 0}, GXPoint{1, 0}, 1, 1, 0);
    Scale(3, 2);
    target.DrawGradient(gradient, 0);
    target.DrawGradient(nullptr, 1);
    target.DrawGradient(gradient, 0.75f);
    const auto drawn = renderer->Drawn();
    ASSERT_EQ(drawn.size(), 1u);
    ExpectPixels(drawn[0], "FillPixels", 0, 0, 100, 50);
    auto brush = std::dynamic_pointer_cast<GradientBrush>(drawn[0].brush);
    ASSERT_TRUE(brush);
    EXPECT_EQ(brush->GetGradient(), gradient);
    EXPECT_EQ(brush->GetOpacity(), 0.75f);
    ExpectMatrix(brush->GetMatrix(), 3, 0, 0, 2, 0, 0);
    ExpectMatrix(target.GetCTM(), 3, 0, 0, 2, 0, 0);
}

TEST_F(RenderTargetImages, FillMaskSetsAnInverseShapeMaskInsideItsOwnState) {
    auto mask = MakeBitmap(4, 3);
    GXMatrix m{2, 0, 0, 2, 0.5f, 0};
    target.SetCTM(&m);
    renderer->calls.clear();
    target.FillMask(mask, red, BitmapSamplingNearest);
    std::vector<std::string> ops;
    for (const auto& c : renderer->calls) ops.push_back(c.op);
    // PopState itself brings the CTM back.
    const std::vector<std::string> expected = {"PushState", "SetShapeMask", "FillPixels",
                                               "PopState"};
    EXPECT_EQ(ops, expected);
    const auto& maskCall = renderer->calls[1];
    EXPECT_EQ(maskCall.value, 1);
    auto maskBrush = std::dynamic_pointer_cast<BitmapBrush>(maskCall.brush);
    ASSERT_TRUE(maskBrush);
    EXPECT_EQ(maskBrush->GetBitmap(), mask);
    // Device (0.5, 0, 8.5, 6) snaps to (0, 0, 8, 6): the mask moves left by half a pixel.
    ExpectMatrix(maskBrush->GetMatrix(), 2, 0, 0, 2, 0, 0);
    ExpectPixels(renderer->calls[2], "FillPixels", 0, 0, 8, 6);
    EXPECT_EQ(renderer->calls[2].brush, red);
    EXPECT_EQ(renderer->stack.size(), 1u);
    ExpectMatrix(target.GetCTM(), 2, 0, 0, 2, 0.5f, 0);

    // Collapsed: the state level still opens and closes, nothing is drawn.
    Scale(2, 0);
    renderer->calls.clear();
    target.FillMask(mask, red, 0);
    ASSERT_EQ(renderer->calls.size(), 2u);
    EXPECT_EQ(renderer->calls[1].op, "PopState");

    // Rotated: the mask brush takes the CTM and the user rectangle is filled under it.
    target.SetCTM(nullptr);
    target.RotateCTM(1);
    renderer->calls.clear();
    target.FillMask(mask, red, 0);
    ASSERT_EQ(renderer->calls.size(), 4u);
    ExpectRectGeometry(*renderer->calls[2].geometry, 0, 0, 4, 3);
    EXPECT_FALSE(IsIdentity(renderer->calls[1].brush->GetMatrix()));
}

TEST_F(RenderTargetImages, InvertRectDrawsWhiteInDifferenceMode) {
    target.SetBlendMode(3);
    renderer->calls.clear();
    target.SetStrokeAdjustment(0);
    target.InvertRect({0, 0, 2, 2});
    ASSERT_EQ(renderer->calls.size(), 3u);
    EXPECT_EQ(renderer->calls[0].value, 10);
    EXPECT_EQ(renderer->calls[1].op, "FillGeometry");
    auto white = std::dynamic_pointer_cast<SolidBrush>(renderer->calls[1].brush);
    ASSERT_TRUE(white);
    EXPECT_EQ(white->GetColor().ToARGB(), 0xFFFFFFFFu);
    EXPECT_EQ(white->GetOpacity(), 1.0f);
    EXPECT_EQ(renderer->calls[2].value, 3);
}

using RenderTargetText = Fixture;

const uint16_t kDejaVuSans[] = {'D', 'e', 'j', 'a', 'V', 'u', ' ', 'S', 'a', 'n', 's', 0};

TEST_F(RenderTargetText, AdvancesThePenPerGlyphAndRestoresTheCTM) {
    auto face = Font::Create(kDejaVuSans, 0, 12);
    const uint16_t text[] = {'A', ' ', 'W', 0};
    const auto glyphs = face->GetGlyphIndices(text, 3);
    ASSERT_EQ(glyphs.size(), 3u);
    const GXPoint advanceA = face->GetGlyphOutline(glyphs[0], nullptr);
    const GXPoint advanceSpace = face->GetGlyphOutline(glyphs[1], nullptr);
    ASSERT_GT(advanceA.x, 0);
    ASSERT_GT(advanceSpace.x, 0);
    Scale(2, 2);
    target.FillText(face, text, red);
    const auto drawn = renderer->Drawn();
    ASSERT_EQ(drawn.size(), 2u);  // the space has no outline
    EXPECT_EQ(drawn[0].op, "FillTextGeometry");
    ExpectMatrix(drawn[0].ctm, 2, 0, 0, 2, 0, 0);
    ExpectMatrix(drawn[1].ctm, 2, 0, 0, 2, 2 * (advanceA.x + advanceSpace.x),
                 2 * (advanceA.y + advanceSpace.y));
    ExpectMatrix(target.GetCTM(), 2, 0, 0, 2, 0, 0);
    target.FillText(face, nullptr, red);
    target.FillText(nullptr, text, red);
    EXPECT_EQ(renderer->Drawn().size(), 2u);
}

using RenderTargetFailures = Fixture;

TEST_F(RenderTargetFailures, TemporaryChangesAreUndoneWhenTheRendererThrows) {
    GXMatrix m{2, 0, 0, 3, 0.5f, 0.25f};
    target.SetCTM(&m);
    target.SetBlendMode(5);
    auto bitmap = MakeBitmap(4, 3);
    auto expectUnchanged = [&] {
        ExpectMatrix(target.GetCTM(), 2, 0, 0, 3, 0.5f, 0.25f);
        EXPECT_EQ(renderer->GetBlendMode(), 5);
        EXPECT_EQ(renderer->stack.size(), 1u);
    };
    renderer->rejectedKind = BrushKind::Bitmap;
    EXPECT_THROW(target.DrawBitmap(bitmap, 1, 0), Exception);
    expectUnchanged();
    renderer->rejectedKind = BrushKind::Gradient;
    auto gradient = std::make_shared<LinearGradient>(std::make_shared<GradientStopCollection>(),
                                                     GXPoint{0, 0}, GXPoint{1, 0}, 1, 1, 0);
    EXPECT_THROW(target.DrawGradient(gradient, 1), Exception);
    expectUnchanged();
    renderer->rejectedKind = BrushKind::Solid;
    EXPECT_THROW(target.FillMask(bitmap, red, 0), Exception);
    expectUnchanged();
    EXPECT_THROW(target.InvertRect({0, 0, 5, 5}), Exception);
    expectUnchanged();
    EXPECT_THROW(target.FillRect({0.5f, 0, 5, 5}, red), Exception);  // snapped under the identity
    expectUnchanged();
    EXPECT_THROW(target.StrokeLine({0, 0}, {5, 5}, red, 0, nullptr), Exception);  // hairline
    expectUnchanged();
    auto face = Font::Create(kDejaVuSans, 0, 12);
    const uint16_t text[] = {'a', 'b', 0};
    EXPECT_THROW(target.FillText(face, text, red), Exception);
    expectUnchanged();
}

using RenderTargetOrder = Fixture;

TEST_F(RenderTargetOrder, NothingIsDrawnOutsideAPaintPass) {
    ASSERT_TRUE(target.EndPaint());
    renderer->calls.clear();
    auto bitmap = MakeBitmap(2, 2);
    target.Clear(0xFF000000);
    target.FillRect({0, 0, 4, 4}, red);
    target.ClipRect({0, 0, 4, 4});
    target.StrokeRect({0, 0, 4, 4}, red, 1, nullptr);
    target.DrawBitmap(bitmap, 1, 0);
    target.FillMask(bitmap, red, 0);
    target.InvertRect({0, 0, 4, 4});
    target.SetShapeMask(0, red);
    target.SetOpacityMask(0, red);
    target.BeginLayer(GXLayerParams{{0, 0, 4, 4}, 1, 0, 0});
    target.EndLayer();
    EXPECT_TRUE(target.EndPaint());  // nothing to finish
    EXPECT_TRUE(renderer->calls.empty());
    // State changes still reach the renderer.
    target.TranslateCTM(1, 2);
    ExpectMatrix(renderer->GetCTM(), 1, 0, 0, 1, 1, 2);
}

TEST_F(RenderTargetOrder, UnmatchedPopsAndLayerEndsDoNothing) {
    renderer->calls.clear();
    target.PopState();
    target.EndLayer();
    EXPECT_TRUE(renderer->calls.empty());
    target.PushState();
    target.BeginLayer(GXLayerParams{{0, 0, 4, 4}, 0.5f, 1, 0});
    target.PopState();  // a layer is open on top: not a state to pop
    EXPECT_EQ(renderer->stack.size(), 3u);
    target.EndLayer();
    target.EndLayer();
    target.PopState();
    target.PopState();
    EXPECT_EQ(renderer->stack.size(), 1u);
    target.PushState();
    target.BeginLayer(GXLayerParams{{0, 0, 4, 4}, 0.5f, 1, 0});
    EXPECT_TRUE(target.EndPaint());  // ends every level with the pass
    target.BeginPaint();
    target.PopState();
    target.EndLayer();
}

TEST_F(RenderTargetOrder, RandomCallSequencesKeepTheRendererConsistent) {
    std::mt19937 rng(12345);
    const float values[] = {0, 1, -1, 0.5f, 3.7f, -2.25f, 1e30f, -1e30f, kNaN, kInf, -kInf, 1e-30f};
    auto value = [&] { return values[rng() % std::size(values)]; };
    auto rect = [&] { return GXRect{value(), value(), value(), value()}; };
    auto bitmap = MakeBitmap(3, 2);
    auto gradient = std::make_shared<LinearGradient>(std::make_shared<GradientStopCollection>(),
                                                     GXPoint{0, 0}, GXPoint{1, 0}, 1, 1, 0);
    auto face = Font::Create(kDejaVuSans, 0, 12);
    const uint16_t text[] = {'H', 'i', 0};
    auto geometry = std::make_shared<Geometry>();
    geometry->Rectangle({1, 1, 3, 2});
    geometry->Ellipse({0, 0, 5, 4});
    GXStrokeStyle dashed{1, 1, 4, 0, 0.5f, {2, 1}, 2};
    for (int i = 0; i < 3000; ++i) {
        const GXStrokeStyle* style = rng() % 2 ? &dashed : nullptr;
        switch (rng() % 26) {
            case 0:
                target.BeginPaint();
                break;
            case 1:
                target.EndPaint();
                break;
            case 2:
                target.PushState();
                break;
            case 3:
                target.PopState();
                break;
            case 4:
                target.BeginLayer(GXLayerParams{rect(), value(), 1, 0});
                break;
            case 5:
                target.EndLayer();
                break;
            case 6:
                target.ConcatCTM({value(), value(), value(), value(), value(), value()});
                break;
            case 7:
                target.RotateCTM(value());
                break;
            case 8:
                target.ScaleCTM(value(), value());
                break;
            case 9:
                target.SetCTM(nullptr);
                break;
            case 10:
                target.SetStrokeAdjustment(int32_t(rng() % 2));
                break;
            case 11:
                target.FillRect(rect(), red);
                break;
            case 12:
                target.FillEllipse(rect(), red);
                break;
            case 13:
                target.StrokeRect(rect(), red, value(), style);
                break;
            case 14:
                target.StrokeLine({value(), value()}, {value(), value()}, red, value(), style);
                break;
            case 15:
                target.StrokeGeometry(geometry, red, value(), style);
                break;
            case 16:
                target.ClipRect(rect());
                break;
            case 17:
                target.DrawBitmap(bitmap, value(), 1);
                break;
            case 18:
                target.StretchBitmap(bitmap, rect(), value(), 2);
                break;
            case 19:
                target.DrawGradient(gradient, value());
                break;
            case 20:
                target.FillMask(bitmap, red, 0);
                break;
            case 21:
                target.InvertRect(rect());
                break;
            case 22:
                target.FillText(face, text, red);
                break;
            case 23:
                target.SetShapeMask(1, rng() % 2 ? red : nullptr);
                break;
            case 24:
                target.TranslateCTM(value(), value());
                break;
            default:
                target.Clear(0x80FF0000);
                break;
        }
        if (i % 500 == 0) target.SetCTM(nullptr);  // keep finite stretches in the mix
    }
    target.EndPaint();
    EXPECT_EQ(renderer->stack.size(), 1u);
}

}  // namespace
}  // namespace Graphics
