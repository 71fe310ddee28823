#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "gx.h"

namespace {

void Release(GXGeometryRec_* g) {
    GXObjectRelease(reinterpret_cast<GXOBase*>(g));
}

class HitTestApi : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(GXCreateGeometry(&g_), GXResultSuccess); }
    void TearDown() override { Release(g_); }

    bool Hits(float x, float y) {
        GXPoint p{x, y};
        uint8_t inside = 7;
        EXPECT_EQ(GXGeometryHitTest(g_, &p, &inside), GXResultSuccess);
        EXPECT_LE(inside, 1);
        return inside == 1;
    }
    GXRect Bound(const GXMatrix* m = nullptr) {
        GXRect r{-1, -1, -1, -1};
        EXPECT_EQ(GXGeometryGetBound(g_, m, &r), GXResultSuccess);
        return r;
    }
    void Square(float l, float t, float r, float b) {
        GXRect rect{l, t, r, b};
        ASSERT_EQ(GXGeometryRectangle(g_, &rect), GXResultSuccess);
    }

    GXGeometryRec_* g_ = nullptr;
};

TEST_F(HitTestApi, NullArgumentsAreRejected) {
    GXPoint p{0, 0};
    uint8_t inside = 9;
    GXRect r{5, 5, 5, 5};
    EXPECT_EQ(GXGeometryHitTest(nullptr, &p, &inside), GXResultInvalidArg);
    EXPECT_EQ(GXGeometryHitTest(g_, nullptr, &inside), GXResultInvalidArg);
    EXPECT_EQ(GXGeometryHitTest(g_, &p, nullptr), GXResultInvalidArg);
    EXPECT_EQ(GXGeometryGetBound(nullptr, nullptr, &r), GXResultInvalidArg);
    EXPECT_EQ(GXGeometryGetBound(g_, nullptr, nullptr), GXResultInvalidArg);
    EXPECT_EQ(inside, 9);
    EXPECT_EQ(r.left, 5);
}

TEST_F(HitTestApi, OpenFiguresHaveNoBoundAndNeverHit) {
    GXPoint a{3, 4}, b{30, 40}, c{3, 40};
    GXGeometryBeginFigure(g_, &a);
    GXGeometryLineTo(g_, &b);
    GXGeometryLineTo(g_, &c);
    GXRect r = Bound();
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, 0);
    EXPECT_EQ(r.bottom, 0);
    GXMatrix m{2, 0, 0, 2, 7, 9};
    r = Bound(&m);
    EXPECT_EQ(r.left, 7);
    EXPECT_EQ(r.top, 9);
    EXPECT_EQ(r.right, 7);
    EXPECT_EQ(r.bottom, 9);
    EXPECT_FALSE(Hits(5, 30));
    // Once ended, the open figure is tested as if closed.
    GXGeometryEndFigure(g_);
    EXPECT_TRUE(Hits(5, 30));
    EXPECT_FALSE(Hits(20, 10));
}

TEST_F(HitTestApi, BoundsIncludeControlPointsAndFollowTheMatrix) {
    GXRect circle{0, 0, 10, 10};
    GXGeometryEllipse(g_, &circle);
    GXRect r = Bound();
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, 10);
    EXPECT_EQ(r.bottom, 10);
    GXPoint start{20, 0}, c1{30, -20}, c2{40, 0}, end{50, 0};
    GXGeometryBeginFigure(g_, &start);
    GXGeometryCubicCurveTo(g_, &c1, &c2, &end);
    GXGeometryEndFigure(g_);
    r = Bound();
    EXPECT_EQ(r.top, -20);
    EXPECT_EQ(r.right, 50);
    // A 90 degree rotation, (x, y) -> (-y, x).
    GXMatrix rot{0, 1, -1, 0, 0, 0};
    r = Bound(&rot);
    EXPECT_EQ(r.left, -10);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, 20);
    EXPECT_EQ(r.bottom, 50);
}

TEST_F(HitTestApi, BoundEdgesPassAndTheCrossingCountDecides) {
    Square(0, 0, 10, 10);
    EXPECT_TRUE(Hits(5, 5));
    EXPECT_TRUE(Hits(10, 5));  // right edge: the left edge's crossing is counted
    EXPECT_FALSE(Hits(0, 5));  // left edge: no crossing strictly to its left
    EXPECT_FALSE(Hits(10.001f, 5));
    EXPECT_FALSE(Hits(5, -0.001f));
}

TEST_F(HitTestApi, FillRulesDecideHoles) {
    Square(0, 0, 10, 10);
    Square(3, 3, 7, 7);  // same direction: winding 2 inside the hole
    EXPECT_TRUE(Hits(5, 5));
    EXPECT_TRUE(Hits(1, 1));
    GXGeometrySetFillRule(g_, GXFillRuleEvenOdd);
    EXPECT_FALSE(Hits(5, 5));
    EXPECT_TRUE(Hits(1, 1));
    GXGeometrySetFillRule(g_, 2);  // unknown rules paint nothing
    EXPECT_FALSE(Hits(1, 1));
}

TEST_F(HitTestApi, CurvesAreTestedAgainstTheCurveNotItsControlPolygon) {
    GXRect circle{-10, -10, 10, 10};
    GXGeometryEllipse(g_, &circle);
    // (-7.5, 7.5) lies 10.6 from the centre, outside the circle, but inside the control
    // polygon of the quarter through (-5.52, 10) and (-10, 5.52).
    EXPECT_FALSE(Hits(-7.5f, 7.5f));
    EXPECT_FALSE(Hits(7.5f, -7.5f));
    EXPECT_TRUE(Hits(0, 0));
    EXPECT_TRUE(Hits(6.9f, 6.9f));  // 9.76 from the centre
    EXPECT_TRUE(Hits(-9.95f, 0));
    EXPECT_TRUE(Hits(0, 9.95f));
    EXPECT_FALSE(Hits(7.2f, 7.2f));  // 10.18 from the centre
}

TEST_F(HitTestApi, BadNumbersGiveAnAnswerNotACrash) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    Square(0, 0, 10, 10);
    EXPECT_FALSE(Hits(nan, 5));
    EXPECT_FALSE(Hits(5, inf));
    // A NaN first point poisons the bound; the test still terminates with an answer.
    GXGeometryRec_* h = nullptr;
    ASSERT_EQ(GXCreateGeometry(&h), GXResultSuccess);
    GXPoint p0{nan, nan}, c1{0, 1e30f}, c2{1e30f, 1e30f}, e{1e30f, 0}, q{5, 5};
    GXGeometryBeginFigure(h, &p0);
    GXGeometryCubicCurveTo(h, &c1, &c2, &e);
    GXGeometryCubicCurveTo(h, &c1, &c1, &p0);
    GXGeometryEndFigureClose(h);
    uint8_t inside = 7;
    EXPECT_EQ(GXGeometryHitTest(h, &q, &inside), GXResultSuccess);
    EXPECT_LE(inside, 1);
    GXRect r;
    EXPECT_EQ(GXGeometryGetBound(h, nullptr, &r), GXResultSuccess);
    Release(h);
}

}  // namespace
