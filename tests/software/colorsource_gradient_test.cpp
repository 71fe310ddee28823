#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include "graphics/paint/lineargradient.h"
#include "graphics/paint/radialgradient.h"
#include "graphics/software/radialgradientfiller.h"
#include "graphics/software/swcoveragecompositenormalop.h"
#include "graphics/software/swgradientcolorsource.h"
#include "graphics/software/swlineargradientcolorsource.h"
#include "graphics/software/swradialgradientcolorsource.h"
#include "simdlevels.h"

using namespace Graphics;

namespace {

constexpr GXMatrix kIdentity{1, 0, 0, 1, 0, 0};
const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

using Pixels = std::vector<uint32_t>;

std::shared_ptr<GradientStopCollection> Stops(const std::vector<GradientStop>& stops) {
    auto collection = std::make_shared<GradientStopCollection>();
    for (const GradientStop& stop : stops) collection->Insert(stop);
    return collection;
}

const std::vector<GradientStop> kBlackToWhite{{0.0f, 0xFF000000}, {1.0f, 0xFFFFFFFF}};

std::shared_ptr<LinearGradient> Linear(const std::vector<GradientStop>& stops, GXPoint p0,
                                       GXPoint p1, bool extendStart, bool extendEnd,
                                       uint32_t background = 0) {
    return std::make_shared<LinearGradient>(Stops(stops), p0, p1, extendStart, extendEnd,
                                            background);
}

std::shared_ptr<RadialGradient> Radial(const std::vector<GradientStop>& stops, GXPoint c0, float r0,
                                       GXPoint c1, float r1, bool extendStart, bool extendEnd,
                                       uint32_t background = 0) {
    return std::make_shared<RadialGradient>(Stops(stops), c0, r0, c1, r1, extendStart, extendEnd,
                                            background);
}

uint32_t At(SwColorSource& source, int32_t x, int32_t y) {
    uint32_t pixel = 0xDEADBEEF;
    source.FillSpan(x, x + 1, y, &pixel);
    return pixel;
}

Pixels Span(SwColorSource& source, int32_t x0, int32_t x1, int32_t y) {
    Pixels out(size_t(x1 - x0), 0xDEADBEEFu);
    source.FillSpan(x0, x1, y, out.data());
    return out;
}

}  // namespace

TEST(ColorSourceStops, ExactOffsetsMixesAndPremultiplication) {
    const std::vector<GradientStop> stops{
        {0.0f, 0xFF000000}, {0.5f, 0x80FF0000}, {1.0f, 0xFFFFFFFF}};
    const GradientStop* s = stops.data();
    EXPECT_EQ(SwGradientColorSource::StopColor(s, 3, 0.0f), 0xFF000000u);
    // An exact stop: red at alpha 128, premultiplied 255 x 129 >> 8 = 128.
    EXPECT_EQ(SwGradientColorSource::StopColor(s, 3, 0.5f), 0x80800000u);
    // t = 0.25: weight int(0.5 x 255) + 1 = 128 toward the lower stop:
    // straight alpha 128 x 129 >> 8 + 255 x 128 >> 8 = 64 + 127 = 191, red 128;
    // premultiplied red 128 x 192 >> 8 = 96.
    EXPECT_EQ(SwGradientColorSource::StopColor(s, 3, 0.25f), 0xBF600000u);
    EXPECT_EQ(SwGradientColorSource::StopColor(s, 3, 1.0f), 0xFFFFFFFFu);
}

TEST(ColorSourceStops, StopsNotReachingTheEndsRepeatTheirColours) {
    const std::vector<GradientStop> stops{{0.25f, 0xFFFF0000}, {0.75f, 0xFF0000FF}};
    EXPECT_EQ(SwGradientColorSource::StopColor(stops.data(), 2, 0.0f), 0xFFFF0000u);
    EXPECT_EQ(SwGradientColorSource::StopColor(stops.data(), 2, 0.1f), 0xFFFF0000u);
    EXPECT_EQ(SwGradientColorSource::StopColor(stops.data(), 2, 0.9f), 0xFF0000FFu);
    EXPECT_EQ(SwGradientColorSource::StopColor(stops.data(), 2, 1.0f), 0xFF0000FFu);
}

TEST(ColorSourceStops, EqualOffsetsMakeAStepAndInfiniteOffsetsStayFinite) {
    const std::vector<GradientStop> step{
        {0.0f, 0xFF000000}, {0.5f, 0xFFFF0000}, {0.5f, 0xFF0000FF}, {1.0f, 0xFF0000FF}};
    EXPECT_EQ(SwGradientColorSource::StopColor(step.data(), 4, 0.5f), 0xFFFF0000u);
    EXPECT_EQ(SwGradientColorSource::StopColor(step.data(), 4, 0.75f), 0xFF0000FFu);
    const std::vector<GradientStop> infinite{{-kInf, 0xFFFF0000}, {kInf, 0xFF0000FF}};
    // (inf - t) / (inf - -inf) is NaN: the weight falls back to 1, the upper stop.
    EXPECT_EQ(SwGradientColorSource::StopColor(infinite.data(), 2, 0.5f), 0xFF0000FFu);
    auto withNaN = Stops({{kNaN, 0xFF00FF00}, {0.0f, 0xFF000000}, {1.0f, 0xFF0000FF}});
    EXPECT_EQ(SwGradientColorSource::SearchableStopCount(*withNaN), 2u);
}

TEST(ColorSourceLinear, RampAlongXWithExactMixes) {
    SwLinearGradientColorSource source(Linear(kBlackToWhite, {0, 0}, {256, 0}, false, false),
                                       kIdentity, 1.0f);
    // t = x / 256 at integer pixel x; x = 64 mixes white and black at weight 192:
    // 255 x 65 >> 8 = 64.
    EXPECT_EQ(At(source, 0, 0), 0xFF000000u);
    EXPECT_EQ(At(source, 64, 7), 0xFF404040u);
    EXPECT_EQ(At(source, 128, -3), 0xFF808080u);
    EXPECT_EQ(At(source, 256, 0), 0xFFFFFFFFu);
    // Outside 0..1 without extension or background: transparent.
    EXPECT_EQ(At(source, -1, 0), 0u);
    EXPECT_EQ(At(source, 257, 0), 0u);
    // A span steps t the same way.
    EXPECT_EQ(Span(source, 63, 66, 0)[1], 0xFF404040u);
}

TEST(ColorSourceLinear, ExtendFlagsAndBackground) {
    SwLinearGradientColorSource extended(
        Linear({{0.25f, 0xFFFF0000}, {0.75f, 0xFF0000FF}}, {0, 0}, {100, 0}, true, true), kIdentity,
        1.0f);
    EXPECT_EQ(Span(extended, -5, -3, 0), (Pixels{0xFFFF0000, 0xFFFF0000}));
    EXPECT_EQ(At(extended, 10, 0), 0xFFFF0000u);
    EXPECT_EQ(At(extended, 500, 0), 0xFF0000FFu);

    SwLinearGradientColorSource startOnly(
        Linear(kBlackToWhite, {0, 0}, {100, 0}, true, false, 0x80FF0000), kIdentity, 1.0f);
    EXPECT_EQ(At(startOnly, -1, 0), 0xFF000000u);
    EXPECT_EQ(At(startOnly, 101, 0), 0x80800000u);  // the premultiplied background
}

TEST(ColorSourceLinear, OpacityWeighsEveryPixel) {
    SwLinearGradientColorSource source(
        Linear(kBlackToWhite, {0, 0}, {10, 0}, true, true, 0xFF00FF00), kIdentity, 0.5f);
    EXPECT_EQ(At(source, 20, 0), 0x7F7F7F7Fu);  // white x 128 >> 8
    EXPECT_EQ(At(source, 0, 0), 0x7F000000u);
}

TEST(ColorSourceLinear, CoincidentPointsPaintTheBackground) {
    SwLinearGradientColorSource withBackground(
        Linear(kBlackToWhite, {5, 5}, {5, 5}, true, true, 0xFF00FF00), kIdentity, 1.0f);
    EXPECT_EQ(Span(withBackground, 0, 3, 0), Pixels(3, 0xFF00FF00));
    SwLinearGradientColorSource without(Linear(kBlackToWhite, {5, 5}, {5, 5}, true, true),
                                        kIdentity, 1.0f);
    EXPECT_EQ(Span(without, 0, 3, 0), Pixels(3, 0));
}

TEST(ColorSourceLinear, NoStopsPaintNothing) {
    SwLinearGradientColorSource source(Linear({}, {0, 0}, {10, 0}, true, true, 0xFF00FF00),
                                       kIdentity, 1.0f);
    EXPECT_EQ(Span(source, -5, 15, 0), Pixels(20, 0));
}

TEST(ColorSourceLinear, IsolinesFollowTheBrushMatrix) {
    // The diagonal of the unit square stretched to 256 x 128: t = (x / 256 + y / 128) / 2, so
    // (64, 32) and (128, 0) both sit at t = 0.25.
    SwLinearGradientColorSource source(Linear(kBlackToWhite, {0, 0}, {1, 1}, false, false),
                                       GXMatrix{256, 0, 0, 128, 0, 0}, 1.0f);
    EXPECT_EQ(At(source, 64, 32), 0xFF404040u);
    EXPECT_EQ(At(source, 128, 0), 0xFF404040u);
    EXPECT_EQ(At(source, 256, 0), 0xFF808080u);
}

TEST(ColorSourceLinear, DegenerateMatricesAndNaNPaintNothing) {
    for (const GXMatrix& m : {GXMatrix{0, 0, 0, 0, 0, 0}, GXMatrix{1, 1, 1, 1, 0, 0},
                              GXMatrix{kNaN, 0, 0, 1, 0, 0}, GXMatrix{1, 0, 0, 1, kInf, 0}}) {
        SwLinearGradientColorSource source(
            Linear(kBlackToWhite, {0, 0}, {10, 0}, true, true, 0xFF00FF00), m, 1.0f);
        EXPECT_EQ(Span(source, -5, 5, 0), Pixels(10, 0));
    }
    // NaN points leave no finite plane.
    SwLinearGradientColorSource nanPoint(
        Linear(kBlackToWhite, {kNaN, 0}, {10, 0}, true, true, 0xFF00FF00), kIdentity, 1.0f);
    EXPECT_EQ(Span(nanPoint, -5, 5, 0), Pixels(10, 0));
}

TEST(ColorSourceLinear, HugeCoordinatesStayDefined) {
    SwLinearGradientColorSource source(Linear(kBlackToWhite, {0, 0}, {1e-3f, 0}, true, true),
                                       kIdentity, 1.0f);
    EXPECT_EQ(Span(source, INT32_MAX - 2, INT32_MAX, INT32_MIN), Pixels(2, 0xFFFFFFFF));
    EXPECT_EQ(Span(source, INT32_MIN, INT32_MIN + 2, 0), Pixels(2, 0xFF000000));
}

TEST(ColorSourceRadial, ConcentricCircles) {
    SwRadialGradientColorSource source(Radial(kBlackToWhite, {0, 0}, 0, {0, 0}, 100, false, false),
                                       kIdentity, 1.0f);
    EXPECT_EQ(At(source, 0, 0), 0xFF000000u);
    EXPECT_EQ(At(source, 50, 0), 0xFF808080u);  // s = 0.5: weight 128
    EXPECT_EQ(At(source, 0, -50), 0xFF808080u);
    EXPECT_EQ(At(source, 60, 80), 0xFFFFFFFFu);  // on the end circle
    EXPECT_EQ(At(source, 200, 0), 0u);           // beyond it, not extended
    SwRadialGradientColorSource extended(Radial(kBlackToWhite, {0, 0}, 0, {0, 0}, 100, true, true),
                                         kIdentity, 1.0f);
    EXPECT_EQ(At(extended, 200, 0), 0xFFFFFFFFu);
}

TEST(ColorSourceRadial, FocalPointInsideTheEndCircle) {
    SwRadialGradientColorSource source(Radial(kBlackToWhite, {25, 0}, 0, {0, 0}, 100, false, false),
                                       kIdentity, 1.0f);
    EXPECT_EQ(At(source, 25, 0), 0xFF000000u);
    // On the circle s = 0.48 (centre 13, radius 48): weight int(0.52 x 255) + 1 = 133,
    // 255 x 124 >> 8 = 123.
    EXPECT_EQ(At(source, -35, 0), 0xFF7B7B7Bu);
}

TEST(ColorSourceRadial, StartCircleLargerThanTheEndCircle) {
    // r0 = 100 shrinking to r1 = 0: s = 1 - d / 100 inside, and outside only the circles of
    // negative s (radius above 100) pass through a point; the root with negative radius
    // never counts.
    SwRadialGradientColorSource plain(Radial(kBlackToWhite, {0, 0}, 100, {0, 0}, 0, false, false),
                                      kIdentity, 1.0f);
    EXPECT_EQ(At(plain, 50, 0), 0xFF808080u);
    EXPECT_EQ(At(plain, 0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(At(plain, 150, 0), 0u);
    SwRadialGradientColorSource extended(Radial(kBlackToWhite, {0, 0}, 100, {0, 0}, 0, true, true),
                                         kIdentity, 1.0f);
    EXPECT_EQ(At(extended, 150, 0), 0xFF000000u);
}

TEST(ColorSourceRadial, FocalPointOnTheEndCircle) {
    // |c0 - c1| = r1 - r0 makes the quadratic linear: s = -c / b.
    SwRadialGradientColorSource source(
        Radial(kBlackToWhite, {0, 0}, 0, {100, 0}, 100, false, false), kIdentity, 1.0f);
    EXPECT_EQ(At(source, 50, 0), 0xFF404040u);  // s = 0.25
    EXPECT_EQ(At(source, -10, 0), 0u);          // no circle of 0..1 passes there
}

TEST(ColorSourceRadial, EqualRadiiSweepATube) {
    // Circles of radius 10 at x = 0 and x = 30: on the axis the largest circle through
    // (x, 0) is s = (x + 10) / 30; beyond the tube's sides lies the background.
    SwRadialGradientColorSource extended(
        Radial(kBlackToWhite, {0, 0}, 10, {30, 0}, 10, true, true, 0xFF00FF00), kIdentity, 1.0f);
    EXPECT_EQ(At(extended, 5, 0), 0xFF808080u);  // s = 0.5
    EXPECT_EQ(At(extended, 20, 0), 0xFFFFFFFFu);
    EXPECT_EQ(At(extended, -15, 0), 0xFF000000u);   // the strip extended before the start
    EXPECT_EQ(At(extended, 500, -9), 0xFFFFFFFFu);  // and past the end
    EXPECT_EQ(At(extended, 15, 11), 0xFF00FF00u);
    SwRadialGradientColorSource plain(
        Radial(kBlackToWhite, {0, 0}, 10, {30, 0}, 10, false, false, 0xFF00FF00), kIdentity, 1.0f);
    EXPECT_EQ(At(plain, 5, 0), 0xFF808080u);
    EXPECT_EQ(At(plain, -15, 0), 0xFF00FF00u);
    EXPECT_EQ(At(plain, 45, 0), 0xFF00FF00u);
}

TEST(ColorSourceRadial, DegenerateInputPaintsNothing) {
    const GXMatrix matrices[] = {{0, 0, 0, 0, 0, 0}, {2, 1, 4, 2, 0, 0}, {1, 0, 0, kNaN, 0, 0}};
    for (const GXMatrix& m : matrices) {
        SwRadialGradientColorSource source(
            Radial(kBlackToWhite, {0, 0}, 0, {0, 0}, 10, true, true, 0xFF00FF00), m, 1.0f);
        EXPECT_EQ(Span(source, -20, 20, 0), Pixels(40, 0));
    }
    SwRadialGradientColorSource nanRadius(
        Radial(kBlackToWhite, {0, 0}, kNaN, {0, 0}, 10, true, true, 0xFF00FF00), kIdentity, 1.0f);
    EXPECT_EQ(Span(nanRadius, -20, 20, 0), Pixels(40, 0));
    SwRadialGradientColorSource noStops(Radial({}, {0, 0}, 0, {0, 0}, 10, true, true, 0xFF00FF00),
                                        kIdentity, 1.0f);
    EXPECT_EQ(Span(noStops, -20, 20, 0), Pixels(40, 0));
}

TEST(ColorSourceRadial, HugeCoordinatesStayDefined) {
    SwRadialGradientColorSource source(Radial(kBlackToWhite, {0, 0}, 0, {0, 0}, 1e-3f, true, true),
                                       kIdentity, 1.0f);
    // Positions of 1e12 square to 1e24 in single precision, still finite: the end colour.
    EXPECT_EQ(Span(source, INT32_MAX - 2, INT32_MAX, INT32_MIN), Pixels(2, 0xFFFFFFFF));
    SwRadialGradientColorSource tiny(Radial(kBlackToWhite, {0, 0}, 0, {0, 0}, 1e-30f, true, true),
                                     kIdentity, 1.0f);
    // Squares overflow to infinity and the discriminant becomes NaN: background (none).
    for (uint32_t pixel : Span(tiny, INT32_MAX - 2, INT32_MAX, INT32_MIN))
        EXPECT_TRUE(pixel == 0 || pixel == 0xFFFFFFFF);
}

TEST(ColorSourceRadial, VectorSolvesMatchTheScalarTwin) {
    std::mt19937 random(17);
    std::uniform_int_distribution<int> coordinate(-40, 80), radius(-5, 40), offset(0, 7);
    std::uniform_real_distribution<float> scale(-2.0f, 2.0f);
    for (int n = 0; n < 400; ++n) {
        // Integer circles meet the exact configurations (equal radii, a = 0, concentric)
        // often; random matrices make the steps irregular.
        const GXPoint c0{float(coordinate(random)), float(coordinate(random))};
        GXPoint c1 =
            n % 4 == 0 ? c0 : GXPoint{float(coordinate(random)), float(coordinate(random))};
        const float r0 = float(radius(random));
        float r1 = n % 3 == 0 ? r0 : float(radius(random));
        if (n % 7 == 5) {  // touching from inside: a = 0
            const float k = float(1 + n % 4);
            c1 = {c0.x + 3 * k, c0.y + 4 * k};
            r1 = r0 + 5 * k;
        }
        const GXMatrix m{scale(random), scale(random), scale(random), scale(random), 3, -7};
        RadialGradientFiller filler(Radial(kBlackToWhite, c0, r0, c1, r1, n % 2, n % 5 < 2), m,
                                    256);
        const int32_t first = offset(random), count = 61;
        const float px = scale(random) * 30, py = scale(random) * 30;
        std::vector<float> scalar(count);
        filler.SolveSpanScalar(px, py, first, count, scalar.data());
        ForEachVectorLevel([&](SimdLevel level) {
            std::vector<float> lanes(count);
            (filler.*RadialGradientFiller::kSolveSpanForms.For(level))(px, py, first, count,
                                                                       lanes.data());
            for (int32_t i = 0; i < count; ++i)
                ASSERT_EQ(lanes[i], scalar[i]) << "case " << n << " pixel " << i;
        });
    }
}

TEST(ColorSourceGradient, OpaqueOnlyWhenEveryPixelIsAndThenWrittenStraightIn) {
    const std::vector<GradientStop> translucent{{0.0f, 0xFF000000}, {1.0f, 0xFEFFFFFF}};
    auto linear = [](const std::vector<GradientStop>& stops, bool extend, uint32_t background,
                     float opacity) {
        return SwLinearGradientColorSource(
                   Linear(stops, {0, 0}, {40, 0}, extend, extend, background), kIdentity, opacity)
            .IsOpaque();
    };
    EXPECT_TRUE(linear(kBlackToWhite, true, 0, 1.0f));
    EXPECT_FALSE(linear(kBlackToWhite, true, 0, 0.99f));
    EXPECT_FALSE(linear(translucent, true, 0, 1.0f));
    EXPECT_FALSE(linear(kBlackToWhite, false, 0, 1.0f));          // transparent past the ends
    EXPECT_TRUE(linear(kBlackToWhite, false, 0xFF102030, 1.0f));  // an opaque background there
    auto radial = [](uint32_t background) {
        return SwRadialGradientColorSource(
                   Radial(kBlackToWhite, {10, 10}, 2, {12, 10}, 20, true, true, background),
                   kIdentity, 1.0f)
            .IsOpaque();
    };
    EXPECT_FALSE(radial(0));  // transparent where no circle paints
    EXPECT_TRUE(radial(0xFF102030));

    // Whole coverage writes the source pixels; partial coverage composites them.
    auto source = std::make_shared<SwLinearGradientColorSource>(
        Linear(kBlackToWhite, {0, 0}, {40, 7}, true, true), kIdentity, 1.0f);
    SwCoverageCompositeNormalOp op(source);
    for (uint8_t coverage : {uint8_t(255), uint8_t(100)}) {
        Pixels target(37, 0x80402010u), row(37), expected = target;
        source->FillSpan(3, 40, 5, row.data());
        SwCoverageCompositeNormalOp::CompositeRow(expected.data(), row.data(), coverage, 37);
        SwSpanState state{};
        state.targetColor = target.data();
        state.sourceColor = row.data();
        state.span = {5, 3, 40, coverage};
        op.Process(state);
        EXPECT_EQ(target, expected) << int(coverage);
    }
}
