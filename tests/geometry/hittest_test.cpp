#include <gtest/gtest.h>

#include "graphics/geometry/geometry.h"
#include "graphics/geometry/hittestproxy.h"

namespace Graphics {
namespace {

TEST(HitTestProxy, CountsSignedCrossingsLeftOfThePoint) {
    // A square run clockwise on screen (y down) then counter-clockwise.
    HitTestProxy cw({5, 5}, 0.01f);
    cw.SetFillRule(0);
    cw.BeginFigure({0, 0});
    cw.LineTo({10, 0});
    cw.LineTo({10, 10});
    cw.LineTo({0, 10});
    cw.EndFigureClose();
    EXPECT_EQ(cw.Winding(), -1);  // only the closing edge (0,10)->(0,0) lies left: upward

    HitTestProxy ccw({5, 5}, 0.01f);
    ccw.BeginFigure({0, 0});
    ccw.LineTo({0, 10});
    ccw.LineTo({10, 10});
    ccw.LineTo({10, 0});
    ccw.EndFigure();  // counted as closed
    EXPECT_EQ(ccw.Winding(), 1);
    EXPECT_TRUE(ccw.IsInside());

    // A horizontal edge at the point's height never counts; a vertex exactly at its height
    // counts once across the two edges that share it.
    HitTestProxy v({5, 5}, 0.01f);
    v.BeginFigure({0, 0});
    v.LineTo({2, 5});
    v.LineTo({0, 10});
    v.LineTo({-1, 5});
    v.LineTo({-3, 5});
    v.EndFigureClose();
    EXPECT_EQ(v.Winding(), 0);
}

TEST(HitTestProxy, FlattensCubicsWithItsTolerance) {
    // A cubic bulging to x = 7.5 at y = 5: control points reach x = 10.
    auto run = [](float x) {
        HitTestProxy p({x, 5}, 0.001f);
        p.SetFillRule(0);
        p.BeginFigure({0, 0});
        p.CubicCurveTo({10, 0}, {10, 10}, {0, 10});
        p.EndFigureClose();
        return p.IsInside();
    };
    EXPECT_TRUE(run(7.49f));
    EXPECT_FALSE(run(7.51f));  // inside the control polygon, outside the curve
    EXPECT_FALSE(run(9.f));
}

TEST(GeometryHitTest, EmptyAndOutOfBoundPointsMissWithoutReplay) {
    Geometry g;
    EXPECT_FALSE(g.HitTest({0, 0}));
    g.Rectangle({0, 0, 4, 4});
    EXPECT_TRUE(g.HitTest({2, 2}));
    EXPECT_FALSE(g.HitTest({2, 4.5f}));
    // A reversed rectangle is normalised before the bound test.
    Geometry r;
    r.Rectangle({4, 4, 0, 0});
    EXPECT_TRUE(r.HitTest({2, 2}));
}

}  // namespace
}  // namespace Graphics
