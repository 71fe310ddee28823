#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "canvas.h"
#include "gx.h"

namespace {

// One segment of a test path: a line to `end`, or a cubic through c1 and c2 to `end`.
struct Segment {
    bool curve;
    GXPoint c1, c2, end;
};

// The figure from `start` along `segments`, or the same figure walked backwards.
GXGeometryRec_* MakePath(const GXPoint& start, const std::vector<Segment>& segments, bool closed,
                         bool reversed) {
    GXGeometryRec_* geometry = nullptr;
    EXPECT_EQ(GXCreateGeometry(&geometry), GXResultSuccess);
    if (!reversed) {
        EXPECT_EQ(GXGeometryBeginFigure(geometry, &start), GXResultSuccess);
        for (const Segment& s : segments)
            EXPECT_EQ(s.curve ? GXGeometryCubicCurveTo(geometry, &s.c1, &s.c2, &s.end)
                              : GXGeometryLineTo(geometry, &s.end),
                      GXResultSuccess);
    } else {
        EXPECT_EQ(GXGeometryBeginFigure(geometry, &segments.back().end), GXResultSuccess);
        for (size_t i = segments.size(); i-- > 0;) {
            const Segment& s = segments[i];
            const GXPoint& to = i > 0 ? segments[i - 1].end : start;
            EXPECT_EQ(s.curve ? GXGeometryCubicCurveTo(geometry, &s.c2, &s.c1, &to)
                              : GXGeometryLineTo(geometry, &to),
                      GXResultSuccess);
        }
    }
    EXPECT_EQ(closed ? GXGeometryEndFigureClose(geometry) : GXGeometryEndFigure(geometry),
              GXResultSuccess);
    return geometry;
}

// The stroke's coverage, pixel by pixel (0..255).
std::vector<uint32_t> Stroke(GXGeometryRec_* geometry, const GXStrokeStyle& style, float width) {
    Canvas canvas(64, 64, GXPixelFormatPARGB32);
    canvas.Begin();
    EXPECT_EQ(GXRenderTargetStrokeGeometry(canvas.target(), geometry, canvas.Solid(kWhite), width,
                                           &style),
              GXResultSuccess);
    canvas.End();
    std::vector<uint32_t> coverage;
    for (uint32_t pixel : canvas.Pixels()) coverage.push_back(Alpha(pixel));
    return coverage;
}

double Area(const std::vector<uint32_t>& coverage) {
    double sum = 0;
    for (uint32_t c : coverage) sum += c / 255.0;
    return sum;
}

// Every junction gets the join, so a path and its reverse stroke to the same area (up to
// the flattening), whatever meets at each corner: lines, curves or both.
TEST(StrokeJoins, PathAndItsReverseStrokeTheSameArea) {
    std::mt19937 random(5);
    std::uniform_real_distribution<float> at(12, 52);
    for (int32_t trial = 0; trial < 60; ++trial) {
        const GXPoint start{at(random), at(random)};
        std::vector<Segment> segments;
        for (int32_t i = 0; i < 4; ++i)
            segments.push_back(Segment{random() % 2 == 0, {at(random), at(random)},
                                       {at(random), at(random)}, {at(random), at(random)}});
        const bool closed = trial % 2 == 1;
        GXStrokeStyle style{};
        style.lineJoin = int32_t(trial / 2 % 3);
        style.miterLimit = 4;
        GXGeometryRec_* forward = MakePath(start, segments, closed, false);
        GXGeometryRec_* backward = MakePath(start, segments, closed, true);
        const double there = Area(Stroke(forward, style, 5));
        const double back = Area(Stroke(backward, style, 5));
        EXPECT_NEAR(there, back, 0.5 + 0.002 * there) << "trial " << trial;
        GXObjectRelease(GX_HANDLE(forward));
        GXObjectRelease(GX_HANDLE(backward));
    }
}

// A closed leaf of two cubics meeting at sharp tips: both tips get the same join, so the
// stroke is symmetric under the half turn about the leaf's centre.
TEST(StrokeJoins, LeafStrokesSymmetrically) {
    const std::vector<Segment> leaf{{true, {24, 12}, {40, 12}, {52, 32}},
                                    {true, {40, 52}, {24, 52}, {12, 32}}};
    GXGeometryRec_* geometry = MakePath({12, 32}, leaf, true, false);
    std::vector<uint32_t> coverage[3];
    for (int32_t join = 0; join < 3; ++join) {
        GXStrokeStyle style{};
        style.lineJoin = join;
        style.miterLimit = 10;
        coverage[join] = Stroke(geometry, style, 4);
        for (int32_t y = 0; y < 64; ++y)
            for (int32_t x = 0; x < 64; ++x) {
                // The half turn about (32, 32) maps pixel (x, y) to (63 - x, 63 - y); the
                // curves are flattened from their own starts, hence a little leeway.
                const uint32_t a = coverage[join][size_t(y) * 64 + x];
                const uint32_t b = coverage[join][size_t(63 - y) * 64 + (63 - x)];
                ASSERT_NEAR(int32_t(a), int32_t(b), 16) << join << ": " << x << "," << y;
            }
    }
    // Both tips (x = 12 and 52) get the join: the miter reaches past the bevel, and the
    // round join lies between them.
    for (const size_t tip : {size_t(32 * 64 + 54), size_t(31 * 64 + 9)}) {
        EXPECT_GT(coverage[0][tip], coverage[1][tip]);
        EXPECT_GE(coverage[1][tip], coverage[2][tip]);
    }
    GXObjectRelease(GX_HANDLE(geometry));
}

}  // namespace
