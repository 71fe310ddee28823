#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "graphics/geometry/figureflattener.h"

namespace Graphics {
namespace {

std::vector<GXPoint> Flatten(float tolerance, GXPoint p0, GXPoint p1, GXPoint p2, GXPoint p3) {
    FigureFlattener f;
    f.Init(tolerance, p0, p1, p2, p3);
    std::vector<GXPoint> points;
    GXPoint p;
    while (f.Next(p)) points.push_back(p);
    return points;  // interior points only; users then emit p3
}

GXPoint Bezier(float t, GXPoint p0, GXPoint p1, GXPoint p2, GXPoint p3) {
    float u = 1 - t;
    float a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
    return {a * p0.x + b * p1.x + c * p2.x + d * p3.x, a * p0.y + b * p1.y + c * p2.y + d * p3.y};
}

TEST(FigureFlattener, AParabolaSplitsIntoQuartersAtTolerance025) {
    // The quadratic (0,0) (3,6) (6,0) as a cubic: second differences (0, -24) everywhere.
    // 6 * 0.25 = 1.5 is reached after two halvings: four segments, exact points.
    std::vector<GXPoint> pts = Flatten(0.25f, {0, 0}, {2, 4}, {4, 4}, {6, 0});
    ASSERT_EQ(pts.size(), 3u);
    EXPECT_EQ(pts[0].x, 1.5f);
    EXPECT_EQ(pts[0].y, 2.25f);
    EXPECT_EQ(pts[1].x, 3.0f);
    EXPECT_EQ(pts[1].y, 3.0f);
    EXPECT_EQ(pts[2].x, 4.5f);
    EXPECT_EQ(pts[2].y, 2.25f);
    // Just above the threshold one more halving is needed: eight segments.
    EXPECT_EQ(Flatten(0.2499f, {0, 0}, {2, 4}, {4, 4}, {6, 0}).size(), 7u);
    // Ten times the tolerance: second differences 24 <= 60 at once, one segment.
    EXPECT_EQ(Flatten(10.f, {0, 0}, {2, 4}, {4, 4}, {6, 0}).size(), 0u);
}

TEST(FigureFlattener, StraightAndDegenerateCubicsGiveOneSegment) {
    EXPECT_TRUE(Flatten(0.25f, {0, 0}, {1, 1}, {2, 2}, {3, 3}).empty());
    EXPECT_TRUE(Flatten(1.1920929e-7f, {5, 5}, {5, 5}, {5, 5}, {5, 5}).empty());
    EXPECT_TRUE(Flatten(1000.f, {0, 0}, {0, 100}, {100, 100}, {100, 0}).empty());
}

TEST(FigureFlattener, PointsLieOnTheCurveAndTheStepAdapts) {
    GXPoint p0{0, 0}, p1{0, 100}, p2{100, 100}, p3{100, 0};
    for (float tol : {0.01f, 0.25f, 1.f}) {
        std::vector<GXPoint> pts = Flatten(tol, p0, p1, p2, p3);
        ASSERT_FALSE(pts.empty());
        // Every emitted point is B(t) at some dyadic t; x is monotonic here, so find t by
        // bisection on x and compare y.
        for (const GXPoint& p : pts) {
            float lo = 0, hi = 1;
            for (int i = 0; i < 40; ++i) {
                float mid = (lo + hi) / 2;
                (Bezier(mid, p0, p1, p2, p3).x < p.x ? lo : hi) = mid;
            }
            EXPECT_NEAR(Bezier(lo, p0, p1, p2, p3).y, p.y, 1e-3f) << tol;
        }
    }
    // Second differences of 600 in both coordinates fall by 4 per halving: at tolerance 1
    // (limit 6) four halvings give 16 segments; at 0.01 (limit 0.06) seven give 128.
    EXPECT_EQ(Flatten(1.f, p0, p1, p2, p3).size() + 1, 16u);
    EXPECT_EQ(Flatten(0.01f, p0, p1, p2, p3).size() + 1, 128u);
}

TEST(FigureFlattener, TheStepGrowsWhereTheCurveIsFlat) {
    // B(t) = (100 t^3, 50 t^3): B'' grows from 0 to 600 along the curve, so the
    // steps near the start may be long while those near the end must be short.
    GXPoint p0{0, 0}, p1{0, 0}, p2{0, 0}, p3{100, 50};
    std::vector<GXPoint> pts = Flatten(1.f, p0, p1, p2, p3);
    // A uniform step fine enough for the end would need 16 segments.
    EXPECT_LT(pts.size() + 1, 16u);
    ASSERT_GE(pts.size(), 3u);
    // Consecutive parameter steps are powers of two apart: every point is B(t) at a
    // dyadic t, recovered exactly from x = 100 t^3.
    for (const GXPoint& p : pts) {
        double t = std::cbrt(p.x / 100.0);
        double scaled = t * 1024;
        EXPECT_NEAR(scaled, std::round(scaled), 1e-3) << p.x;
    }
}

TEST(FigureFlattener, StepNeverFallsBelowTwoToTheMinus23) {
    // Second differences of 6e8 against a limit of 6 * 2^-23 would want 2^25 steps; the
    // step stops at 2^-23, so exactly 2^23 segments (2^23 - 1 interior points).
    FigureFlattener f;
    f.Init(1.1920929e-7f, {0, 0}, {0, 1e8f}, {1e8f, 1e8f}, {1e8f, 0});
    uint32_t interior = 0;
    GXPoint p;
    while (f.Next(p)) ++interior;
    EXPECT_EQ(interior, (1u << 23) - 1);
}

TEST(FigureFlattener, NonFiniteCubicsGiveOnlyTheirEndPoint) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_TRUE(Flatten(0.25f, {0, 0}, {inf, 0}, {1, 1}, {2, 0}).empty());
    EXPECT_TRUE(Flatten(0.25f, {0, 0}, {nan, 0}, {1, 1}, {2, 0}).empty());
    // Finite points whose differences overflow.
    EXPECT_TRUE(Flatten(0.25f, {-3e38f, 0}, {3e38f, 0}, {-3e38f, 0}, {3e38f, 0}).empty());
    EXPECT_TRUE(Flatten(nan, {0, 0}, {0, 100}, {100, 100}, {100, 0}).empty());
}

TEST(FigureFlattener, UsableToleranceIsRaisedToWhatFloatsResolve) {
    GXPoint o{0, 0}, a{0.25f, 0.25f};
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(FigureFlattener::UsableTolerance(0.25f, o, a, a, o), 0.25f);
    EXPECT_EQ(FigureFlattener::UsableTolerance(0.f, o, a, a, o), 1.1920929e-7f);
    EXPECT_EQ(FigureFlattener::UsableTolerance(-1.f, o, a, a, o), 1.1920929e-7f);
    EXPECT_EQ(FigureFlattener::UsableTolerance(nan, o, a, a, o), 1.1920929e-7f);
    GXPoint huge{0, 1e30f};
    float t = FigureFlattener::UsableTolerance(0.25f, o, huge, huge, o);
    EXPECT_FLOAT_EQ(t, 1e30f * 2.3841858e-7f);
    // With that floor a huge curve flattens into a bounded number of segments.
    size_t n = Flatten(t, {0, 0}, {0, 1e30f}, {1e30f, 1e30f}, {1e30f, 0}).size();
    EXPECT_LE(n, 4096u);
    EXPECT_GT(n, 100u);
}

}  // namespace
}  // namespace Graphics
