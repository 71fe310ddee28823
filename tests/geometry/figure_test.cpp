#include <gtest/gtest.h>

#include <vector>

#include "graphics/geometry/figure.h"
#include "graphics/geometry/geometrysink.h"
#include "graphics/geometry/shape.h"

namespace Graphics {
namespace {

TEST(Figure, GrowsByTheBlockSizeAndKeepsVerbsAtTheEnd) {
    Figure f;
    EXPECT_TRUE(f.Validate());
    f.AppendStart({0, 0});
    // The first growth: max(0, 8) = 8 bytes, filled by the start point.
    EXPECT_EQ(f.BlockSize(), 8u);
    EXPECT_EQ(f.FreeBytes(), 0u);
    f.AppendLine({1, 0});
    // 9 more bytes needed: grows by max(8, 16) = 16 to 24; 7 free.
    EXPECT_EQ(f.BlockSize(), 24u);
    EXPECT_EQ(f.FreeBytes(), 7u);
    f.AppendCubic({2, 0}, {3, 0}, {4, 0});
    // 25 needed: grows by max(24, 32) = 32 to 56; 7 + 32 - 25 = 14 free.
    EXPECT_EQ(f.BlockSize(), 56u);
    EXPECT_EQ(f.FreeBytes(), 14u);
    f.AppendLine({5, 0});
    EXPECT_EQ(f.BlockSize(), 56u);
    EXPECT_EQ(f.FreeBytes(), 5u);
    f.AppendLine({6, 0});
    // Doubling: 56 -> 112.
    EXPECT_EQ(f.BlockSize(), 112u);
    EXPECT_TRUE(f.Validate());
    ASSERT_EQ(f.PointCount(), 7);
    ASSERT_EQ(f.VerbCount(), 4);
    EXPECT_EQ(f.Verb(0), FigureVerbLine);
    EXPECT_EQ(f.Verb(1), FigureVerbCubic);
    EXPECT_EQ(f.Verb(2), FigureVerbLine);
    EXPECT_EQ(f.Verb(3), FigureVerbLine);
    for (int i = 0; i < 7; ++i) EXPECT_EQ(f.Points()[i].x, float(i));

    // Many appends: amortised doubling, invariants hold throughout.
    for (int i = 0; i < 10000; ++i) f.AppendLine({float(i), 1});
    EXPECT_TRUE(f.Validate());
    EXPECT_EQ(f.PointCount(), 10007);
    EXPECT_EQ(f.Verb(10003), FigureVerbLine);
    EXPECT_EQ(f.Verb(1), FigureVerbCubic);
}

TEST(Figure, PrependPutsPointsAndVerbsInFront) {
    Figure f;
    f.AppendStart({10, 10});
    f.AppendLine({11, 10});
    f.PrependLine({9, 10});
    f.PrependCubic({0, 0}, {1, 1}, {2, 2});
    ASSERT_TRUE(f.Validate());
    ASSERT_EQ(f.PointCount(), 6);
    const float xs[] = {0, 1, 2, 9, 10, 11};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(f.Points()[i].x, xs[i]);
    EXPECT_EQ(f.Verb(0), FigureVerbCubic);
    EXPECT_EQ(f.Verb(1), FigureVerbLine);
    EXPECT_EQ(f.Verb(2), FigureVerbLine);
}

TEST(Figure, AppendingItsOwnPointSurvivesGrowth) {
    Figure f;
    f.AppendStart({3, 4});
    // The block is full: the reference into it must be read before it moves.
    f.AppendLine(f.LastPoint());
    f.AppendCubic(f.StartPoint(), f.LastPoint(), f.Points()[0]);
    ASSERT_TRUE(f.Validate());
    for (int i = 0; i < f.PointCount(); ++i) {
        EXPECT_EQ(f.Points()[i].x, 3);
        EXPECT_EQ(f.Points()[i].y, 4);
    }
}

TEST(Figure, ResetKeepsTheBlockAndMoveHandsItOver) {
    Figure f;
    f.AppendStart({0, 0});
    for (int i = 0; i < 5; ++i) f.AppendLine({float(i), 0});
    size_t size = f.BlockSize();
    f.SetClosed(true);
    f.Reset();
    EXPECT_FALSE(f.IsClosed());
    EXPECT_EQ(f.FreeBytes(), size);
    EXPECT_TRUE(f.Validate());
    f.AppendStart({7, 7});
    Figure g(std::move(f));
    EXPECT_TRUE(f.Validate());
    EXPECT_EQ(f.PointCount(), 0);
    EXPECT_EQ(f.BlockSize(), 0u);
    EXPECT_EQ(g.BlockSize(), size);
    EXPECT_EQ(g.StartPoint().x, 7);
    EXPECT_TRUE(g.Validate());
}

TEST(Figure, ValidateCatchesABrokenVerb) {
    Figure f;
    f.AppendStart({0, 0});
    f.AppendLine({1, 1});
    ASSERT_TRUE(f.Validate());
    const_cast<uint8_t*>(f.VerbBytes())[0] = 7;
    EXPECT_FALSE(f.Validate());
    const_cast<uint8_t*>(f.VerbBytes())[0] = FigureVerbCubic;  // 2 points, claims 4
    EXPECT_FALSE(f.Validate());
}

// A sink that only counts, for the bound and storage checks below.
struct CountingSink : GeometrySink {
    int figures = 0, lines = 0, cubics = 0, closes = 0, rules = 0;
    void SetFillRule(int32_t) override { ++rules; }
    void BeginFigure(const GXPoint&) override { ++figures; }
    void EndFigure() override {}
    void EndFigureClose() override { ++closes; }
    void LineTo(const GXPoint&) override { ++lines; }
    void CubicCurveTo(const GXPoint&, const GXPoint&, const GXPoint&) override { ++cubics; }
};

TEST(Shape, StoresEndedFiguresAndFeedsTheBoundLive) {
    Shape s;
    s.LineTo({5, 5});  // no figure open: ignored entirely
    EXPECT_TRUE(s.Bound().IsEmpty());
    s.BeginFigure({1, 1});
    s.LineTo({1, 1});  // duplicate: not stored but still reaches the bound
    s.LineTo({-3, 9});
    s.CubicCurveTo({20, 1}, {1, 1}, {1, 1});  // control points widen the bound
    s.EndFigure();
    ASSERT_EQ(s.Figures().size(), 1u);
    EXPECT_TRUE(s.Figures()[0].Validate());
    EXPECT_EQ(s.Figures()[0].PointCount(), 5);
    GXRect box = s.Bound().Box();
    EXPECT_EQ(box.left, -3);
    EXPECT_EQ(box.top, 1);
    EXPECT_EQ(box.right, 20);
    EXPECT_EQ(box.bottom, 9);

    // An open figure reaches the bound but not the replay.
    s.BeginFigure({0, -50});
    CountingSink sink;
    s.Replay(sink);
    EXPECT_EQ(sink.rules, 1);
    EXPECT_EQ(sink.figures, 1);
    EXPECT_EQ(sink.lines, 1);
    EXPECT_EQ(sink.cubics, 1);
    EXPECT_EQ(s.Bound().Box().top, -50);
}

TEST(Shape, ClearStartsOverAndKeepsAFigureBlock) {
    Shape shape;
    shape.SetFillRule(1);
    shape.BeginFigure({-5, 2});
    shape.LineTo({7, 2});
    shape.LineTo({7, 9});
    shape.EndFigureClose();
    shape.BeginFigure({1, 1});
    shape.LineTo({2, 2});
    shape.LineTo({3, 1});
    shape.EndFigure();
    const size_t block = shape.Figures().back().BlockSize();

    shape.Clear();
    EXPECT_EQ(shape.FillRule(), 0);
    EXPECT_TRUE(shape.Figures().empty());
    EXPECT_FALSE(shape.IsFigureOpen());
    EXPECT_TRUE(shape.Bound().IsEmpty());

    // Refilled, it holds what a new shape holds, in the block it kept.
    Shape fresh;
    for (Shape* s : {&shape, &fresh}) {
        s->BeginFigure({10, 20});
        s->LineTo({30, 20});
        s->LineTo({30, 40});
        s->EndFigureClose();
    }
    ASSERT_EQ(shape.Figures().size(), 1u);
    const Figure& refilled = shape.Figures()[0];
    const Figure& expected = fresh.Figures()[0];
    ASSERT_EQ(refilled.PointCount(), expected.PointCount());
    for (int32_t i = 0; i < refilled.PointCount(); ++i) {
        EXPECT_EQ(refilled.Points()[i].x, expected.Points()[i].x);
        EXPECT_EQ(refilled.Points()[i].y, expected.Points()[i].y);
    }
    EXPECT_TRUE(refilled.IsClosed());
    EXPECT_TRUE(refilled.Validate());
    EXPECT_EQ(refilled.BlockSize(), block);
    const GXRect box = shape.Bound().Box();
    EXPECT_EQ(box.left, 10);
    EXPECT_EQ(box.top, 20);
    EXPECT_EQ(box.right, 30);
    EXPECT_EQ(box.bottom, 40);
}

}  // namespace
}  // namespace Graphics
