#include "graphics/raster/stripclipper.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "graphics/raster/coveragebuffer.h"
#include "graphics/raster/rasterizationsink.h"
#include "graphics/raster/rasterizer.h"

using namespace Graphics;

namespace {

// Records the figures that come out of the clipper.
class FigureRecorder : public GeometrySink {
public:
    void SetFillRule(int32_t rule) override { fillRule = rule; }
    void BeginFigure(const GXPoint& start) override { figures.push_back({start}); }
    void EndFigure() override { ADD_FAILURE() << "the clipper always closes"; }
    void EndFigureClose() override { ++closed; }
    void LineTo(const GXPoint& point) override { figures.back().push_back(point); }
    void CubicCurveTo(const GXPoint&, const GXPoint&, const GXPoint&) override {
        ADD_FAILURE() << "the clipper emits straight segments only";
    }

    int32_t fillRule = -1;
    int closed = 0;
    std::vector<std::vector<GXPoint>> figures;
};

void Send(GeometrySink& sink, const std::vector<GXPoint>& figure) {
    sink.BeginFigure(figure[0]);
    for (size_t i = 1; i < figure.size(); ++i) sink.LineTo(figure[i]);
    sink.EndFigure();
}

double Area(const std::vector<GXPoint>& polygon) {
    double area = 0;
    for (size_t i = 0; i < polygon.size(); ++i) {
        const GXPoint& a = polygon[i];
        const GXPoint& b = polygon[(i + 1) % polygon.size()];
        area += double{a.x} * b.y - double{b.x} * a.y;
    }
    return area / 2;
}

// Sums the coverage of every row.
class CoverageTotal : public RasterizationSink {
public:
    void AddCoverageRow(int32_t, const CoverageBuffer& coverage) override {
        for (const CoverageRun* run = coverage.First(); run != coverage.End(); run = run->next) {
            if (run->next != coverage.End()) total += long{run->value} * (run->next->x - run->x);
        }
    }
    void FillPixelRect(int32_t, int32_t, int32_t, int32_t) override { ADD_FAILURE(); }
    bool AcceptsTrapezoids(int32_t, int32_t) override { return false; }
    void AddTrapezoid(float, float, float, float, float, float, float, float) override {}
    long total = 0;
};

}  // namespace

TEST(StripClipper, EmitsTheIntersectionWithTheStrip) {
    auto recorder = std::make_shared<FigureRecorder>();
    StripClipper clipper(StripClipper::kClipX, 0, 10, 0.25f, recorder);
    clipper.SetFillRule(1);
    EXPECT_EQ(recorder->fillRule, 1);
    // A square sticking out on both sides: inside -> outside -> outside opposite -> inside.
    Send(clipper, {{5, 0}, {15, 0}, {15, 4}, {-5, 4}, {-5, 8}, {5, 8}});
    ASSERT_EQ(recorder->figures.size(), 1u);
    const std::vector<GXPoint> expected = {{10, 0}, {10, 4}, {0, 4}, {0, 8}, {5, 8}, {5, 0}};
    ASSERT_EQ(recorder->figures[0].size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(recorder->figures[0][i].x, expected[i].x) << i;
        EXPECT_EQ(recorder->figures[0][i].y, expected[i].y) << i;
    }
    EXPECT_EQ(recorder->closed, 1);
    // A figure wholly outside on one side emits nothing at all.
    Send(clipper, {{-5, 0}, {-1, 0}, {-3, 5}});
    EXPECT_EQ(recorder->figures.size(), 1u);
    EXPECT_EQ(recorder->closed, 1);
    // Crossing the whole strip in one segment gives both crossings, interpolated.
    Send(clipper, {{-10, 0}, {20, 30}, {-10, 30}});
    ASSERT_EQ(recorder->figures.size(), 2u);
    EXPECT_EQ(recorder->figures[1].front().x, 0);
    EXPECT_EQ(recorder->figures[1].front().y, 10);
    EXPECT_EQ(recorder->figures[1][1].x, 10);
    EXPECT_EQ(recorder->figures[1][1].y, 20);
}

TEST(StripClipper, KeepsSignedAreaInsideTheStrip) {
    // Random zig-zag figures across a y strip: the clipped area equals the area of the
    // figure's part inside the strip, computed here by clipping with a fine sampling.
    auto recorder = std::make_shared<FigureRecorder>();
    StripClipper clipper(StripClipper::kClipY, -2, 3, 0.25f, recorder);
    std::vector<GXPoint> figure = {{0, -7}, {4, 9}, {6, -1}, {9, 5}, {12, -9}, {14, 2}, {2, 8}};
    Send(clipper, figure);
    ASSERT_EQ(recorder->figures.size(), 1u);
    for (const GXPoint& p : recorder->figures[0]) {
        EXPECT_GE(p.y, -2);
        EXPECT_LE(p.y, 3);
    }
    // Reference: integrate the winding of the original over the strip on a fine grid.
    double reference = 0;
    const int steps = 800;
    for (int iy = 0; iy < steps; ++iy) {
        double y = -2 + 5.0 * (iy + 0.5) / steps;
        for (size_t i = 0; i < figure.size(); ++i) {
            const GXPoint& a = figure[i];
            const GXPoint& b = figure[(i + 1) % figure.size()];
            if ((a.y <= y) != (b.y <= y)) {
                double x = a.x + (y - a.y) / (b.y - a.y) * (b.x - a.x);
                reference += (b.y > a.y ? 1.0 : -1.0) * x * 5.0 / steps;
            }
        }
    }
    EXPECT_NEAR(Area(recorder->figures[0]), reference, 0.01);
}

TEST(StripClipper, FarCoordinatesReachTheRasterizerClippedNotWrapped) {
    // A thin triangle reaching far beyond the fixed-point range: in front of the rasterizer
    // two strips cut it to +-32535 px, and the part over the clip window fills correctly.
    auto sink = std::make_shared<CoverageTotal>();
    auto rasterizer = std::make_shared<Rasterizer>(GXRect{0, 0, 32, 32}, 0.25f, false, sink);
    auto clipY = std::make_shared<StripClipper>(StripClipper::kClipY, StripClipper::kDefaultLow,
                                                StripClipper::kDefaultHigh, 0.25f, rasterizer);
    StripClipper clipX(StripClipper::kClipX, StripClipper::kDefaultLow, StripClipper::kDefaultHigh,
                       0.25f, clipY);
    rasterizer->BeginRasterization();
    clipX.SetFillRule(0);
    // The band 8 <= y <= 24 from x = -4e9 to 4e9, closed through a point far below.
    Send(clipX, {{-4e9f, 8}, {4e9f, 8}, {4e9f, 24}, {-4e9f, 24}});
    Send(clipX, {{-1e12f, -1e12f}, {16, 1e12f}, {1e12f, -1e12f}});
    rasterizer->EndRasterization();
    // The triangle covers the whole window (its sides pass it far outside) and turns the
    // other way round, so the band is a hole in it: 32 x 16 pixels stay covered.
    EXPECT_EQ(sink->total, 32L * 16 * 64);
}

TEST(StripClipper, CurvesAreFlattenedAndClipped) {
    auto recorder = std::make_shared<FigureRecorder>();
    StripClipper clipper(StripClipper::kClipX, 0, 10, 0.25f, recorder);
    clipper.BeginFigure({-5, 0});
    clipper.CubicCurveTo({5, 40}, {10, -40}, {20, 0});
    clipper.EndFigureClose();
    ASSERT_EQ(recorder->figures.size(), 1u);
    EXPECT_GT(recorder->figures[0].size(), 8u);
    for (const GXPoint& p : recorder->figures[0]) {
        EXPECT_GE(p.x, 0);
        EXPECT_LE(p.x, 10);
    }
}
