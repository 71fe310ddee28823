#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "graphics/core/exception.h"
#include "graphics/geometry/dasher.h"
#include "graphics/geometry/shape.h"
#include "graphics/geometry/strokesink.h"
#include "recordingsink.h"

namespace Graphics {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// The x spans of the dashes a horizontal line from x0 to x1 produces.
using Spans = std::vector<std::pair<float, float>>;

Spans DashLines(const std::vector<float>& pattern, float offset,
                const std::vector<std::pair<float, float>>& lines, bool closeEach = false) {
    auto out = std::make_shared<RecordingSink>();
    Dasher dasher(0.25f, pattern, offset, out);
    for (auto [x0, x1] : lines) {
        dasher.BeginFigure({x0, 0});
        dasher.LineTo({x1, 0});
        if (closeEach) {
            dasher.EndFigureClose();
        } else {
            dasher.EndFigure();
        }
    }
    Spans spans;
    for (const auto& f : out->figures) {
        EXPECT_TRUE(f.ended);
        EXPECT_FALSE(f.closed);
        spans.push_back({f.points.front().x, f.points.back().x});
    }
    return spans;
}

void ExpectSpans(const Spans& got, const Spans& want) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_FLOAT_EQ(got[i].first, want[i].first) << i;
        EXPECT_FLOAT_EQ(got[i].second, want[i].second) << i;
    }
}

TEST(Dasher, SingleElementAlternatesDashAndGap) {
    ExpectSpans(DashLines({3}, 0, {{0, 10}}), {{0, 3}, {6, 9}});
}

TEST(Dasher, OddPatternsSwapMeaningOnTheSecondPass) {
    // [2, 1, 1]: dash 2, gap 1, dash 1, then gap 2, dash 1, gap 1.
    ExpectSpans(DashLines({2, 1, 1}, 0, {{0, 16}}),
                {{0, 2}, {3, 4}, {6, 7}, {8, 10}, {11, 12}, {14, 15}});
}

TEST(Dasher, OffsetsAreReducedIntoThePeriod) {
    // Period 6: offset 13 acts as 1, offset -1 as 5 (one unit of gap left).
    ExpectSpans(DashLines({3}, 13, {{0, 10}}), {{0, 2}, {5, 8}});
    ExpectSpans(DashLines({3}, -1, {{0, 10}}), {{1, 4}, {7, 10}});
    ExpectSpans(DashLines({3}, -13, {{0, 10}}), {{1, 4}, {7, 10}});
    // A non-finite offset starts at the beginning of the pattern.
    ExpectSpans(DashLines({3}, kNaN, {{0, 10}}), {{0, 3}, {6, 9}});
}

TEST(Dasher, TheSecondFigureContinuesThePattern) {
    ExpectSpans(DashLines({3}, 0, {{0, 4}, {100, 104}}), {{0, 3}, {102, 104}});
    // Closed figures are dashed as open ones: the closing segment is a plain LineTo.
    auto out = std::make_shared<RecordingSink>();
    Dasher dasher(0.25f, {4}, 0, out);
    dasher.BeginFigure({0, 0});
    dasher.LineTo({3, 0});
    dasher.LineTo({3, 3});
    dasher.EndFigureClose();
    ASSERT_EQ(out->figures.size(), 2u);
    EXPECT_FALSE(out->figures[1].closed);
    EXPECT_TRUE(Near(out->figures[0].points.back(), {3, 1}));
    // 8 along the path: 2 along the closing diagonal.
    EXPECT_TRUE(Near(out->figures[1].points.front(), {1.5857864f, 1.5857864f}));
    EXPECT_TRUE(Near(out->figures[1].points.back(), {0, 0}));
}

TEST(Dasher, ZeroElementsGiveZeroLengthDashes) {
    auto out = std::make_shared<RecordingSink>();
    Dasher dasher(0.25f, {0, 2}, 0, out);
    dasher.BeginFigure({0, 0});
    dasher.LineTo({4, 0});
    dasher.EndFigure();
    ASSERT_EQ(out->figures.size(), 2u);
    for (const auto& f : out->figures) {
        for (const GXPoint& p : f.points) EXPECT_EQ(p.x, f.points[0].x);
    }
    EXPECT_EQ(out->figures[0].points[0].x, 0);
    EXPECT_EQ(out->figures[1].points[0].x, 2);
}

TEST(Dasher, BadPatternsThrowAndStrokeSolid) {
    auto expectThrow = [](const std::vector<float>& pattern, const std::string& message) {
        try {
            Dasher::Sequence s(pattern, 0);
            ADD_FAILURE() << "no exception";
        } catch (const Exception& e) {
            EXPECT_EQ(std::string(e.what()), message);
        }
    };
    expectThrow({1, -1}, "Dash pattern has a negative element");
    expectThrow({0, 0}, "Dash pattern has zero length");
    expectThrow({}, "Dash pattern has zero length");
    expectThrow({1, kNaN}, "Dash pattern is not finite");
    expectThrow({kInf}, "Dash pattern is not finite");
    expectThrow({3e38f, 3e38f}, "Dash pattern is not finite");

    // The stroking chain falls back to the Pen alone: one solid outline.
    StrokeStyle style;
    style.dashes = {2, -1};
    auto out = std::make_shared<RecordingSink>();
    Shape line;
    line.BeginFigure({0, 0});
    line.LineTo({10, 0});
    line.EndFigure();
    StrokeShape(line, 0.25f, 2, style, out);
    EXPECT_EQ(out->figures.size(), 1u);
    style.dashes = {2, 1};
    out->figures.clear();
    StrokeShape(line, 0.25f, 2, style, out);
    EXPECT_EQ(out->figures.size(), 4u);
}

TEST(Dasher, BadNumbersEndInBoundedTime) {
    // Dashes finer than floats resolve at this distance from the origin: no progress, so
    // the rest of the segment is one piece.
    ExpectSpans(DashLines({1e-3f}, 0, {{1e8f, 1e8f + 100}}), {{1e8f, 1e8f + 100}});
    // A segment longer than floats can step along.
    Spans spans = DashLines({1}, 0, {{0, 1e30f}});
    EXPECT_LE(spans.size(), 2u);
    // Infinite length: the position restarts; NaN points end the figure.
    auto out = std::make_shared<RecordingSink>();
    Dasher dasher(0, {1, 1}, 0, out);
    dasher.BeginFigure({-3e38f, 0});
    dasher.LineTo({3e38f, 0});
    dasher.LineTo({kNaN, 0});
    dasher.LineTo({5, 5});
    dasher.CubicCurveTo({1, kInf}, {2, 2}, {3, 3});
    dasher.EndFigureClose();
    dasher.BeginFigure({0, 0});
    dasher.CubicCurveTo({0, 4}, {4, 4}, {4, 0});
    dasher.EndFigure();
    EXPECT_LE(out->figures.size(), 8u);
    for (const auto& f : out->figures) EXPECT_TRUE(f.ended);
}

}  // namespace
}  // namespace Graphics
