#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "graphics/geometry/pen.h"
#include "recordingsink.h"

namespace Graphics {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

struct Stroke {
    std::shared_ptr<RecordingSink> out = std::make_shared<RecordingSink>();
    Pen pen;
    Stroke(float width, int32_t cap, int32_t join, float miter = 10, float tolerance = 0.25f)
        : pen(tolerance, width, cap, join, miter, out) {}
    Stroke& Polyline(std::initializer_list<GXPoint> pts, bool close = false) {
        auto it = pts.begin();
        pen.BeginFigure(*it);
        for (++it; it != pts.end(); ++it) pen.LineTo(*it);
        if (close) {
            pen.EndFigureClose();
        } else {
            pen.EndFigure();
        }
        return *this;
    }
};

void ExpectPoints(const std::vector<GXPoint>& got, std::initializer_list<GXPoint> want) {
    ASSERT_EQ(got.size(), want.size());
    size_t i = 0;
    for (const GXPoint& w : want) {
        EXPECT_EQ(got[i].x, w.x) << "point " << i;
        EXPECT_EQ(got[i].y, w.y) << "point " << i;
        ++i;
    }
}

TEST(Pen, ButtSegmentIsARectangle) {
    Stroke s(2, 0, 0);
    s.Polyline({{0, 0}, {10, 0}});
    ASSERT_EQ(s.out->figures.size(), 1u);
    EXPECT_TRUE(s.out->figures[0].closed);
    ExpectPoints(s.out->figures[0].points, {{10, -1}, {0, -1}, {0, 1}, {10, 1}});
}

TEST(Pen, SquareCapsExtendByHalfTheWidth) {
    Stroke s(2, 2, 0);
    s.Polyline({{0, 0}, {10, 0}});
    ASSERT_EQ(s.out->figures.size(), 1u);
    ExpectPoints(s.out->figures[0].points,
                 {{11, 1}, {11, -1}, {10, -1}, {0, -1}, {-1, -1}, {-1, 1}, {0, 1}, {10, 1}});
}

TEST(Pen, RoundCapsAreHalfCirclesWithStepsFromTheTolerance) {
    Stroke s(2, 1, 0);
    // hw 1, tolerance 0.25: step 4 acos(1 / 1.03125) = 0.9872, so pi / step gives 3 steps.
    EXPECT_NEAR(s.pen.ArcStep(), 0.98724f, 1e-5f);
    s.Polyline({{0, 0}, {10, 0}});
    ASSERT_EQ(s.out->figures.size(), 1u);
    const auto& pts = s.out->figures[0].points;
    // Each cap has 4 arc points. The end cap's first point rounds to the right side's
    // end exactly and is dropped; the start cap's first and last points miss the sides'
    // starts by cos(pi/2) = -4e-8 and stay, as exact comparison wants.
    ASSERT_EQ(pts.size(), 11u);
    int nearEnd = 0, nearStart = 0;
    for (const GXPoint& p : pts) {
        float toEnd = std::hypot(p.x - 10, p.y), toStart = std::hypot(p.x, p.y);
        if (std::fabs(toEnd - 1) < 1e-5f) ++nearEnd;
        if (std::fabs(toStart - 1) < 1e-5f) ++nearStart;
    }
    EXPECT_EQ(nearEnd, 5);
    EXPECT_EQ(nearStart, 6);
    // The end cap bulges beyond the segment's end, the start cap before its start.
    EXPECT_TRUE(Near(pts[0], {10, 1}));
    EXPECT_TRUE(Near(pts[1], {10 + std::cos(3.14159265f / 6), 0.5f}));
    EXPECT_TRUE(Near(pts[3], {10, -1}));
    EXPECT_TRUE(Near(pts[4], {0, -1}));
    EXPECT_TRUE(Near(pts[6], {-std::cos(3.14159265f / 6), -0.5f}));
    EXPECT_TRUE(Near(pts[10], {10, 1}));
}

TEST(Pen, MiterJoinUntilTheLimit) {
    // A right angle: the miter over half width is sqrt(2).
    Stroke miter(2, 0, 0, 10);
    miter.Polyline({{0, 0}, {10, 0}, {10, 10}});
    ExpectPoints(
        miter.out->figures[0].points,
        {{11, 10}, {11, 0}, {11, -1}, {10, -1}, {0, -1}, {0, 1}, {10, 1}, {9, 0}, {9, 10}});
    Stroke bevel(2, 0, 0, 1.41f);
    bevel.Polyline({{0, 0}, {10, 0}, {10, 10}});
    ExpectPoints(bevel.out->figures[0].points,
                 {{11, 10}, {11, 0}, {10, -1}, {0, -1}, {0, 1}, {10, 1}, {9, 0}, {9, 10}});
    Stroke other(2, 0, 77);  // any other join bevels
    other.Polyline({{0, 0}, {10, 0}, {10, 10}});
    EXPECT_EQ(other.out->figures[0].points.size(), 8u);
    // The left side gets the join when the turn goes the other way.
    Stroke left(2, 0, 0, 10);
    left.Polyline({{0, 0}, {10, 0}, {10, -10}});
    const auto& pts = left.out->figures[0].points;
    ASSERT_EQ(pts.size(), 9u);
    EXPECT_EQ(pts[6].x, 11);
    EXPECT_EQ(pts[6].y, 1);
}

TEST(Pen, RoundJoinArcsLieOnTheCircle) {
    Stroke s(2, 0, 1, 10, 0.01f);
    s.Polyline({{0, 0}, {10, 0}, {10, 10}});
    const auto& pts = s.out->figures[0].points;
    // Right side reversed: (11,10), then the arc from (11,0) back to (10,-1), then (0,-1).
    int onArc = 0;
    for (const GXPoint& p : pts) {
        if (p.x >= 10 && p.y <= 0 && std::fabs(std::hypot(p.x - 10, p.y) - 1) < 1e-5f) ++onArc;
    }
    // Step 4 acos(1 / 1.00125) = 0.1999: a quarter turn takes 7 steps, 8 points.
    EXPECT_EQ(onArc, 8);
    EXPECT_EQ(pts.size(), 4u + 8u + 2u);
}

TEST(Pen, ClosedPathGivesTwoOutlinesOfOppositeOrientation) {
    Stroke s(2, 0, 0);
    s.Polyline({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, true);
    ASSERT_EQ(s.out->figures.size(), 2u);
    EXPECT_TRUE(s.out->figures[0].closed);
    EXPECT_TRUE(s.out->figures[1].closed);
    ExpectPoints(s.out->figures[0].points,
                 {{0, 1}, {10, 1}, {9, 0}, {9, 10}, {10, 9}, {0, 9}, {1, 10}, {1, 0}});
    ExpectPoints(s.out->figures[1].points, {{-1, -1},
                                            {-1, 0},
                                            {-1, 10},
                                            {-1, 11},
                                            {0, 11},
                                            {10, 11},
                                            {11, 11},
                                            {11, 10},
                                            {11, 0},
                                            {11, -1},
                                            {10, -1},
                                            {0, -1}});
}

TEST(Pen, TinySegmentsAreDroppedAndLeaveADotWithRoundCaps) {
    Stroke butt(2, 0, 0);
    butt.Polyline({{5, 5}, {5.0005f, 5}, {5.0009f, 5.0009f}});
    EXPECT_TRUE(butt.out->figures.empty());
    Stroke square(2, 2, 0);
    square.Polyline({{5, 5}});
    EXPECT_TRUE(square.out->figures.empty());

    Stroke round(2, 1, 0);
    round.Polyline({{5, 5}, {5.0005f, 5}}, true);
    ASSERT_EQ(round.out->figures.size(), 1u);
    const auto& pts = round.out->figures[0].points;
    // Two half circles of 4 points each, plus the centre twice (once per side).
    ASSERT_EQ(pts.size(), 10u);
    int onCircle = 0, centre = 0;
    for (const GXPoint& p : pts) {
        float r = std::hypot(p.x - 5, p.y - 5);
        if (std::fabs(r - 1) < 1e-5f) ++onCircle;
        if (r == 0) ++centre;
    }
    EXPECT_EQ(onCircle, 8);
    EXPECT_EQ(centre, 2);
}

TEST(Pen, CurvesAreFlattenedWithoutJoins) {
    Stroke s(2, 0, 0);
    s.pen.BeginFigure({0, 0});
    s.pen.CubicCurveTo({0, 10}, {10, 10}, {10, 0});
    s.pen.EndFigure();
    ASSERT_EQ(s.out->figures.size(), 1u);
    const auto& pts = s.out->figures[0].points;
    // Every outline point lies at distance 1 from the flattened centre line, hence within
    // tolerance of the curve offset: check no point strays beyond the curve's bound + hw.
    for (const GXPoint& p : pts) {
        EXPECT_GE(p.x, -1.001f);
        EXPECT_LE(p.x, 11.001f);
        EXPECT_GE(p.y, -0.001f - 1);
        EXPECT_LE(p.y, 8.5f + 1);
    }
    EXPECT_GT(pts.size(), 16u);
}

TEST(Pen, BadNumbersGiveEmptyOrBoundedOutlines) {
    for (float width : {kNaN, kInf, -2.f}) {
        Stroke s(width, 1, 1);
        s.Polyline({{0, 0}, {10, 0}, {10, 10}}, true);
        s.Polyline({{3, 3}});
        EXPECT_TRUE(s.out->figures.empty()) << width;
    }
    // A non-finite point drops its figure only.
    Stroke s(2, 0, 0);
    s.Polyline({{0, 0}, {kNaN, 0}, {10, 0}});
    s.Polyline({{kInf, 0}, {10, 0}}, true);
    s.Polyline({{0, 0}, {10, 0}});
    s.pen.BeginFigure({0, 0});
    s.pen.CubicCurveTo({0, kNaN}, {1, 1}, {2, 2});
    s.pen.EndFigure();
    EXPECT_EQ(s.out->figures.size(), 1u);

    // Tolerances of 0, negative or NaN on a very wide pen: arc steps stay bounded.
    for (float tolerance : {0.f, -1.f, kNaN}) {
        Stroke w(1e6f, 1, 1, 10, tolerance);
        EXPECT_GE(w.pen.ArcStep(), 3.14159265f / 1024);
        w.Polyline({{0, 0}, {10, 0}, {10, 10}});
        ASSERT_EQ(w.out->figures.size(), 1u);
        EXPECT_LE(w.out->figures[0].points.size(), 2u * 1025 + 2048 + 8);
    }
    // A huge cubic at tolerance 0 flattens into a bounded number of segments.
    Stroke h(2, 0, 0, 10, 0);
    h.pen.BeginFigure({0, 0});
    h.pen.CubicCurveTo({0, 1e30f}, {1e30f, 1e30f}, {1e30f, 0});
    h.pen.EndFigure();
    ASSERT_EQ(h.out->figures.size(), 1u);
    EXPECT_LE(h.out->figures[0].points.size(), 2u * 4096 + 8);
}

}  // namespace
}  // namespace Graphics
