#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "graphics/geometry/geometry.h"
#include "graphics/geometry/transformer.h"

namespace Graphics {
namespace {

TEST(TransformBounds, NormalisesUnderTheIdentityAndMapsCornersOtherwise) {
    GXRect r = TransformBounds(kIdentityMatrix, {10, 10, 0, 0});
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, 10);
    EXPECT_EQ(r.bottom, 10);

    // 90 degrees: (x, y) -> (-y, x).
    GXMatrix rot{0, 1, -1, 0, 0, 0};
    r = TransformBounds(rot, {1, 2, 3, 5});
    EXPECT_EQ(r.left, -5);
    EXPECT_EQ(r.top, 1);
    EXPECT_EQ(r.right, -2);
    EXPECT_EQ(r.bottom, 3);

    // A 45 degree rotation of the unit square spans sqrt(2) in x.
    float s = std::sqrt(0.5f);
    r = TransformBounds({s, s, -s, s, 0, 0}, {0, 0, 1, 1});
    EXPECT_FLOAT_EQ(r.left, -s);
    EXPECT_FLOAT_EQ(r.right, s);
    EXPECT_FLOAT_EQ(r.top, 0);
    EXPECT_FLOAT_EQ(r.bottom, 2 * s);
}

TEST(Transformer, MapsEveryPointAndPassesTheRestThrough) {
    Geometry g;
    g.SetFillRule(1);
    g.BeginFigure({1, 0});
    g.CubicCurveTo({0, 1}, {2, 3}, {4, 5});
    g.EndFigureClose();
    auto out = std::make_shared<Geometry>();
    // Translation after scaling: the concatenation (1,0,0,1,5,0) onto (2,0,0,2,0,0) is
    // (2,0,0,2,5,0) and maps (1, 0) to (7, 0)... applied as one matrix here.
    GXMatrix m{2, 0, 0, 2, 5, 0};
    g.SendToSinkTransformed(m, out.get());
    ASSERT_EQ(out->GetShape().Figures().size(), 1u);
    const Figure& f = out->GetShape().Figures()[0];
    EXPECT_TRUE(f.IsClosed());
    EXPECT_EQ(out->FillRule(), 1);
    ASSERT_EQ(f.PointCount(), 4);
    const float expected[4][2] = {{7, 0}, {5, 2}, {9, 6}, {13, 10}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(f.Points()[i].x, expected[i][0]);
        EXPECT_EQ(f.Points()[i].y, expected[i][1]);
    }
    // The bound is recomputed from the mapped points, control points included.
    GXRect box = out->Bound().Box();
    EXPECT_EQ(box.left, 5);
    EXPECT_EQ(box.right, 13);

    // The identity copies bit-exactly.
    auto same = std::make_shared<Geometry>();
    g.SendToSinkTransformed(kIdentityMatrix, same.get());
    EXPECT_TRUE(same->PointsEqual(g));
    // Null sinks and empty geometries send nothing.
    g.SendToSinkTransformed(m, nullptr);
    Geometry empty;
    auto none = std::make_shared<Geometry>();
    empty.SendToSinkTransformed(m, none.get());
    EXPECT_TRUE(none->IsEmpty());
}

TEST(Transformer, HoldsItsTargetAlive) {
    auto target = std::make_shared<Geometry>();
    std::weak_ptr<Geometry> watch = target;
    auto stage = std::make_unique<Transformer>(GXMatrix{1, 0, 0, 1, 3, 4}, target);
    target.reset();
    ASSERT_FALSE(watch.expired());
    stage->BeginFigure({1, 1});
    stage->LineTo({2, 2});
    stage->EndFigure();
    EXPECT_EQ(watch.lock()->GetShape().Figures()[0].Points()[1].x, 5);
    stage.reset();
    EXPECT_TRUE(watch.expired());
}

}  // namespace
}  // namespace Graphics
