// Geometry scenes: path building and replay, widening, flattening. Each libgx scene runs
// beside Cairo doing the nearest equivalent work in the same run.
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <cmath>
#include <memory>
#include <vector>

#include "graphics/geometry/figureflattener.h"
#include "graphics/geometry/geometry.h"
#include "graphics/geometry/strokestyle.h"

namespace {

using namespace Graphics;

constexpr int kLineSegments = 1000000;
constexpr int kPolylineSegments = 100000;
constexpr int kCubics = 100000;

// A wandering polyline: every point differs from the one before, turns go both ways.
const std::vector<GXPoint>& Polyline(int segments) {
    static std::vector<GXPoint> points;
    if (points.size() != size_t(segments) + 1) {
        points.resize(size_t(segments) + 1);
        for (int i = 0; i <= segments; ++i)
            points[i] = {float(i % 4096) * 3.0f,
                         20.0f * std::sin(float(i) * 0.7f) + float(i / 4096)};
    }
    return points;
}

// Receives a replay and keeps a checksum so nothing is optimised away.
struct ChecksumSink final : GeometrySink {
    double sum = 0;
    void SetFillRule(int32_t rule) override { sum += rule; }
    void BeginFigure(const GXPoint& p) override { sum += p.x; }
    void EndFigure() override {}
    void EndFigureClose() override {}
    void LineTo(const GXPoint& p) override { sum += p.y; }
    void CubicCurveTo(const GXPoint&, const GXPoint&, const GXPoint& e) override { sum += e.y; }
};

cairo_t* MakeCairo() {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
    cairo_t* cr = cairo_create(surface);
    cairo_surface_destroy(surface);
    return cr;
}

void BM_GxBuildAndReplayLines(benchmark::State& state) {
    const auto& pts = Polyline(kLineSegments);
    for (auto _ : state) {
        Geometry g;
        g.BeginFigure(pts[0]);
        for (int i = 1; i <= kLineSegments; ++i) g.LineTo(pts[i]);
        g.EndFigure();
        ChecksumSink sink;
        g.SendToSink(&sink);
        benchmark::DoNotOptimize(sink.sum);
    }
    state.counters["ns_per_segment"] = benchmark::Counter(
        kLineSegments, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_GxBuildAndReplayLines)->Unit(benchmark::kMillisecond);

void BM_CairoBuildAndCopyLines(benchmark::State& state) {
    const auto& pts = Polyline(kLineSegments);
    cairo_t* cr = MakeCairo();
    for (auto _ : state) {
        cairo_new_path(cr);
        cairo_move_to(cr, pts[0].x, pts[0].y);
        for (int i = 1; i <= kLineSegments; ++i) cairo_line_to(cr, pts[i].x, pts[i].y);
        cairo_path_t* path = cairo_copy_path(cr);
        benchmark::DoNotOptimize(path->data[path->num_data - 1].point.y);
        cairo_path_destroy(path);
    }
    cairo_destroy(cr);
    state.counters["ns_per_segment"] = benchmark::Counter(
        kLineSegments, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_CairoBuildAndCopyLines)->Unit(benchmark::kMillisecond);

void BM_GxWidenDashedPolylineRoundJoins(benchmark::State& state) {
    const auto& pts = Polyline(kPolylineSegments);
    Geometry g;
    g.BeginFigure(pts[0]);
    for (int i = 1; i <= kPolylineSegments; ++i) g.LineTo(pts[i]);
    g.EndFigure();
    StrokeStyle style;
    style.join = 1;
    style.dashes = {6, 3};
    size_t outlinePoints = 0;
    for (auto _ : state) {
        auto outline = std::make_shared<Geometry>();
        g.Widen(2, style, 0.25f, outline);
        outlinePoints = 0;
        for (const Figure& f : outline->GetShape().Figures()) outlinePoints += f.PointCount();
    }
    state.counters["segments_per_s"] =
        benchmark::Counter(kPolylineSegments, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["outline_points"] = double(outlinePoints);
}
BENCHMARK(BM_GxWidenDashedPolylineRoundJoins)->Unit(benchmark::kMillisecond);

// Cairo offers no stroke-to-path; the nearest work is computing the dashed, round-joined
// stroke's extents, which runs its stroker over the same polyline.
void BM_CairoStrokeExtentsDashedPolylineRoundJoins(benchmark::State& state) {
    const auto& pts = Polyline(kPolylineSegments);
    cairo_t* cr = MakeCairo();
    cairo_move_to(cr, pts[0].x, pts[0].y);
    for (int i = 1; i <= kPolylineSegments; ++i) cairo_line_to(cr, pts[i].x, pts[i].y);
    cairo_set_line_width(cr, 2);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_tolerance(cr, 0.25);
    const double dashes[] = {6, 3};
    cairo_set_dash(cr, dashes, 2, 0);
    for (auto _ : state) {
        double x0, y0, x1, y1;
        cairo_stroke_extents(cr, &x0, &y0, &x1, &y1);
        benchmark::DoNotOptimize(x1);
    }
    cairo_destroy(cr);
    state.counters["segments_per_s"] =
        benchmark::Counter(kPolylineSegments, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_CairoStrokeExtentsDashedPolylineRoundJoins)->Unit(benchmark::kMillisecond);

struct Cubic {
    GXPoint p0, p1, p2, p3;
};

const std::vector<Cubic>& Cubics() {
    static std::vector<Cubic> cubics;
    if (cubics.empty()) {
        cubics.resize(kCubics);
        for (int i = 0; i < kCubics; ++i) {
            float x = float(i % 1000) * 40, y = float(i / 1000) * 50;
            float bend = 20 + float(i % 7) * 5;
            cubics[i] = {{x, y}, {x + 10, y + bend}, {x + 30, y - bend}, {x + 40, y}};
        }
    }
    return cubics;
}

void BM_GxFlattenCubics(benchmark::State& state) {
    const auto& cubics = Cubics();
    size_t segments = 0;
    for (auto _ : state) {
        segments = 0;
        float sum = 0;
        for (const Cubic& c : cubics) {
            FigureFlattener f;
            f.Init(0.25f, c.p0, c.p1, c.p2, c.p3);
            GXPoint p;
            while (f.Next(p)) {
                sum += p.x;
                ++segments;
            }
            ++segments;  // the end point
        }
        benchmark::DoNotOptimize(sum);
    }
    state.counters["segments_per_s"] =
        benchmark::Counter(double(segments), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["segments"] = double(segments);
}
BENCHMARK(BM_GxFlattenCubics)->Unit(benchmark::kMillisecond);

void BM_CairoFlattenCubics(benchmark::State& state) {
    const auto& cubics = Cubics();
    cairo_t* cr = MakeCairo();
    cairo_set_tolerance(cr, 0.25);
    for (const Cubic& c : cubics) {
        cairo_move_to(cr, c.p0.x, c.p0.y);
        cairo_curve_to(cr, c.p1.x, c.p1.y, c.p2.x, c.p2.y, c.p3.x, c.p3.y);
    }
    size_t segments = 0;
    for (auto _ : state) {
        cairo_path_t* path = cairo_copy_path_flat(cr);
        segments = 0;
        for (int i = 0; i < path->num_data; i += path->data[i].header.length)
            if (path->data[i].header.type == CAIRO_PATH_LINE_TO) ++segments;
        cairo_path_destroy(path);
    }
    cairo_destroy(cr);
    state.counters["segments_per_s"] =
        benchmark::Counter(double(segments), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["segments"] = double(segments);
}
BENCHMARK(BM_CairoFlattenCubics)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
