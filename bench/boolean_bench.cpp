// Boolean combination of large polygons and of text-like glyph runs, by libgx's exact sweep
// and by Clipper on the same polygons in the same run. Both take the operands as point
// lists and produce closed polygons under the non-zero rule.
#include <benchmark/benchmark.h>
#include <polyclipping/clipper.hpp>

#include <cmath>
#include <map>
#include <memory>
#include <random>
#include <vector>

#include "graphics/geometry/boolean.h"

namespace {

using Polygon = std::vector<GXPoint>;
using Operand = std::vector<Polygon>;

// Star-shaped polygon with jagged random radii: simple, but its edges cross the other
// operand's thousands of times.
Polygon JaggedStar(std::mt19937& rng, float cx, float cy, int vertices) {
    std::uniform_real_distribution<float> radius(300, 500);
    Polygon p;
    for (int i = 0; i < vertices; ++i) {
        const float angle = 6.2831853f * static_cast<float>(i) / static_cast<float>(vertices);
        const float r = radius(rng);
        p.push_back({cx + r * std::cos(angle), cy + r * std::sin(angle)});
    }
    return p;
}

// 500 glyph-like shapes in 20 lines of 25: a ring (outer 16-gon, reversed inner 12-gon)
// and a stem, each with some jitter.
Operand GlyphRun(std::mt19937& rng, float dx, float dy) {
    std::uniform_real_distribution<float> jitter(-0.4f, 0.4f);
    Operand run;
    for (int line = 0; line < 20; ++line) {
        for (int column = 0; column < 25; ++column) {
            const float cx = 10.0f * static_cast<float>(column) + dx;
            const float cy = 14.0f * static_cast<float>(line) + dy;
            Polygon outer, inner;
            for (int i = 0; i < 16; ++i) {
                const float a = 6.2831853f * static_cast<float>(i) / 16;
                outer.push_back({cx + (4 + jitter(rng)) * std::cos(a),
                                 cy + (4.5f + jitter(rng)) * std::sin(a)});
            }
            for (int i = 12; i-- > 0;) {
                const float a = 6.2831853f * static_cast<float>(i) / 12;
                inner.push_back({cx + 2.2f * std::cos(a), cy + 2.7f * std::sin(a)});
            }
            run.push_back(outer);
            run.push_back(inner);
            run.push_back({{cx + 3, cy - 6},
                           {cx + 4.5f, cy - 6},
                           {cx + 4.5f, cy + 4.5f},
                           {cx + 3, cy + 4.5f}});
        }
    }
    return run;
}

// Polygon of random vertices over a 1000-unit square: every edge crosses a large share of
// the others, so crossings grow with the square of the vertex count.
Polygon RandomPolygon(std::mt19937& rng, int vertices) {
    std::uniform_real_distribution<float> coordinate(0, 1000);
    Polygon p;
    for (int i = 0; i < vertices; ++i) p.push_back({coordinate(rng), coordinate(rng)});
    return p;
}

struct Scene {
    Operand a, b;
};

const Scene& LargePolygons() {
    static const Scene scene = [] {
        std::mt19937 rng(1);
        return Scene{{JaggedStar(rng, 0, 0, 10000)}, {JaggedStar(rng, 150, 100, 10000)}};
    }();
    return scene;
}

const Scene& GlyphRuns() {
    static const Scene scene = [] {
        std::mt19937 rng(2);
        Operand a = GlyphRun(rng, 0, 0);
        Operand b = GlyphRun(rng, 2.5f, 1.5f);
        return Scene{a, b};
    }();
    return scene;
}

// Two random self-intersecting polygons of 250, 500, 1000 or 2000 vertices each.
const Scene& SelfIntersecting(int vertices) {
    static std::map<int, Scene> scenes;
    auto found = scenes.find(vertices);
    if (found == scenes.end()) {
        std::mt19937 rng(3);
        Polygon a = RandomPolygon(rng, vertices);
        Polygon b = RandomPolygon(rng, vertices);
        found = scenes.emplace(vertices, Scene{{a}, {b}}).first;
    }
    return found->second;
}

// Counts the output so that nothing is optimised away.
class CountingSink : public Graphics::GeometrySink {
public:
    void SetFillRule(int32_t) override {}
    void BeginFigure(const GXPoint&) override { ++points; }
    void EndFigure() override {}
    void EndFigureClose() override { ++polygons; }
    void LineTo(const GXPoint&) override { ++points; }
    void CubicCurveTo(const GXPoint&, const GXPoint&, const GXPoint&) override {}
    int64_t points = 0, polygons = 0;
};

void Feed(Graphics::Boolean& boolean, const Operand& operand) {
    boolean.BeginOperand();
    boolean.SetFillRule(0);
    for (const Polygon& p : operand) {
        boolean.BeginFigure(p[0]);
        for (size_t i = 1; i < p.size(); ++i) boolean.LineTo(p[i]);
        boolean.EndFigureClose();
    }
    boolean.EndOperand();
}

void RunLibgx(benchmark::State& state, const Scene& scene, int32_t op) {
    int64_t points = 0;
    for (auto _ : state) {
        auto sink = std::make_shared<CountingSink>();
        Graphics::Boolean boolean(0.01f, op, sink);
        Feed(boolean, scene.a);
        Feed(boolean, scene.b);
        points = sink->points;
    }
    state.counters["out_points"] = static_cast<double>(points);
}

// Clipper works on integers: coordinates are scaled by 1000, finer than libgx's 0.01 grid.
ClipperLib::Paths ToClipper(const Operand& operand) {
    ClipperLib::Paths paths;
    for (const Polygon& p : operand) {
        ClipperLib::Path path;
        for (const GXPoint& q : p) {
            path.push_back({static_cast<ClipperLib::cInt>(std::lround(q.x * 1000.0)),
                            static_cast<ClipperLib::cInt>(std::lround(q.y * 1000.0))});
        }
        paths.push_back(path);
    }
    return paths;
}

void RunClipper(benchmark::State& state, const Scene& scene, int32_t op) {
    static const ClipperLib::ClipType kTypes[] = {ClipperLib::ctIntersection, ClipperLib::ctUnion,
                                                  ClipperLib::ctXor, ClipperLib::ctDifference};
    const ClipperLib::ClipType type = kTypes[op];
    // Conversion to Clipper's integer paths is the caller's work, as feeding the sweep is.
    int64_t points = 0;
    for (auto _ : state) {
        ClipperLib::Clipper clipper;
        clipper.AddPaths(ToClipper(scene.a), ClipperLib::ptSubject, true);
        clipper.AddPaths(ToClipper(scene.b), ClipperLib::ptClip, true);
        ClipperLib::Paths solution;
        clipper.Execute(type, solution, ClipperLib::pftNonZero, ClipperLib::pftNonZero);
        points = 0;
        for (const auto& path : solution) points += static_cast<int64_t>(path.size());
    }
    state.counters["out_points"] = static_cast<double>(points);
}

void LargeLibgx(benchmark::State& state) {
    RunLibgx(state, LargePolygons(), static_cast<int32_t>(state.range(0)));
}
void LargeClipper(benchmark::State& state) {
    RunClipper(state, LargePolygons(), static_cast<int32_t>(state.range(0)));
}
void GlyphsLibgx(benchmark::State& state) {
    RunLibgx(state, GlyphRuns(), static_cast<int32_t>(state.range(0)));
}
void GlyphsClipper(benchmark::State& state) {
    RunClipper(state, GlyphRuns(), static_cast<int32_t>(state.range(0)));
}

// Union of the self-intersecting pair: range(0) is the vertex count of each polygon.
void TangleLibgx(benchmark::State& state) {
    RunLibgx(state, SelfIntersecting(static_cast<int>(state.range(0))), 1);
}
void TangleClipper(benchmark::State& state) {
    RunClipper(state, SelfIntersecting(static_cast<int>(state.range(0))), 1);
}

// Operation codes: 0 intersect, 1 union, 3 difference.
BENCHMARK(LargeLibgx)->Arg(1)->Arg(0)->Arg(3)->Unit(benchmark::kMillisecond);
BENCHMARK(LargeClipper)->Arg(1)->Arg(0)->Arg(3)->Unit(benchmark::kMillisecond);
BENCHMARK(GlyphsLibgx)->Arg(1)->Arg(0)->Arg(3)->Unit(benchmark::kMillisecond);
BENCHMARK(GlyphsClipper)->Arg(1)->Arg(0)->Arg(3)->Unit(benchmark::kMillisecond);
BENCHMARK(TangleLibgx)->Arg(250)->Arg(500)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond);
BENCHMARK(TangleClipper)->Arg(250)->Arg(500)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
