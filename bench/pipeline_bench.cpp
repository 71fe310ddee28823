// The whole software draw path for many small shapes: 10,000 anti-aliased triangles and
// circles in solid colours on a 1024 x 1024 PARGB32 target, each one a pipeline of its own
// (RasterizeGeometry into SwPipeLine: target, source colour, compositor), beside Cairo
// filling the same shapes on an image surface of the same size. The scene runs in Normal,
// Multiply (separable) and Hue (non-separable) blend modes. A second scene fills one
// 10,000-vertex self-intersecting polygon over the whole target under both fill rules.
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <memory>
#include <random>
#include <vector>

#include "graphics/bitmap/sysmembitmap.h"
#include "graphics/geometry/geometry.h"
#include "graphics/software/swblend.h"
#include "graphics/software/swcolorsource.h"
#include "graphics/software/swpipeline.h"
#include "graphics/software/swsolidcolorsource.h"

using namespace Graphics;

namespace {

constexpr int kSize = 1024;
constexpr int kShapes = 10000;

struct Shape {
    bool circle;
    GXPoint points[3];  // triangle corners; a circle's centre is points[0]
    float radius;       // circles only, px
    uint32_t argb;      // straight colour, alpha 0.5..1
};

const std::vector<Shape>& Scene() {
    static const std::vector<Shape> scene = [] {
        std::mt19937 random(11);
        std::uniform_real_distribution<float> at(8, kSize - 24), extent(3, 16), radius(2, 8);
        std::vector<Shape> shapes;
        for (int i = 0; i < kShapes; ++i) {
            Shape s{};
            s.circle = i % 2 == 1;
            const float x = at(random), y = at(random);
            s.points[0] = {x, y};
            s.points[1] = {x + extent(random), y + extent(random) / 3};
            s.points[2] = {x + extent(random) / 2, y + extent(random)};
            s.radius = radius(random);
            s.argb = (0x80u + uint32_t(random() % 0x80)) << 24 | (uint32_t(random()) & 0xFFFFFFu);
            shapes.push_back(s);
        }
        return shapes;
    }();
    return scene;
}

void RunGx(benchmark::State& state, int32_t blendMode) {
    const auto& scene = Scene();
    std::vector<std::shared_ptr<Geometry>> geometries;
    std::vector<uint32_t> pixels;
    for (const Shape& s : scene) {
        auto geometry = std::make_shared<Geometry>();
        if (s.circle) {
            geometry->Ellipse({s.points[0].x - s.radius, s.points[0].y - s.radius,
                               s.points[0].x + s.radius, s.points[0].y + s.radius});
        } else {
            geometry->BeginFigure(s.points[0]);
            geometry->LineTo(s.points[1]);
            geometry->LineTo(s.points[2]);
            geometry->EndFigureClose();
        }
        geometries.push_back(std::move(geometry));
        pixels.push_back(SwColorSource::Premultiply(s.argb));
    }
    auto target =
        std::make_shared<SysMemBitmap>(GXIntSize{kSize, kSize}, GXPixelFormatPARGB32, 96, 96);
    for (auto _ : state) {
        target->ColorFill(nullptr, ColorF{1, 1, 1, 1});
        for (size_t i = 0; i < geometries.size(); ++i) {
            auto pipeline =
                std::make_shared<SwPipeLine>(geometries[i], GXIntRect{0, 0, kSize, kSize});
            pipeline->SetBlendMode(blendMode);
            pipeline->AddTargetColor(target);
            pipeline->AddSourceColor(std::make_shared<SwSolidColorSource>(pixels[i]));
            pipeline->AddBasicComposite();
            pipeline->Execute();
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kShapes);
}

void RunCairo(benchmark::State& state, cairo_operator_t op) {
    const auto& scene = Scene();
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kSize, kSize);
    cairo_t* cr = cairo_create(surface);
    for (auto _ : state) {
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        cairo_set_source_rgba(cr, 1, 1, 1, 1);
        cairo_paint(cr);
        cairo_set_operator(cr, op);
        for (const Shape& s : scene) {
            cairo_set_source_rgba(cr, ((s.argb >> 16) & 0xFF) / 255.0,
                                  ((s.argb >> 8) & 0xFF) / 255.0, (s.argb & 0xFF) / 255.0,
                                  (s.argb >> 24) / 255.0);
            if (s.circle) {
                cairo_arc(cr, s.points[0].x, s.points[0].y, s.radius, 0, 6.283185307179586);
            } else {
                cairo_move_to(cr, s.points[0].x, s.points[0].y);
                cairo_line_to(cr, s.points[1].x, s.points[1].y);
                cairo_line_to(cr, s.points[2].x, s.points[2].y);
                cairo_close_path(cr);
            }
            cairo_fill(cr);
        }
        cairo_surface_flush(surface);
    }
    state.SetItemsProcessed(state.iterations() * kShapes);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
}

void BM_SmallShapesNormal_Gx(benchmark::State& state) {
    RunGx(state, kSwBlendNormal);
}
void BM_SmallShapesNormal_Cairo(benchmark::State& state) {
    RunCairo(state, CAIRO_OPERATOR_OVER);
}
void BM_SmallShapesMultiply_Gx(benchmark::State& state) {
    RunGx(state, kSwBlendMultiply);
}
void BM_SmallShapesMultiply_Cairo(benchmark::State& state) {
    RunCairo(state, CAIRO_OPERATOR_MULTIPLY);
}
void BM_SmallShapesHue_Gx(benchmark::State& state) {
    RunGx(state, kSwBlendHue);
}
void BM_SmallShapesHue_Cairo(benchmark::State& state) {
    RunCairo(state, CAIRO_OPERATOR_HSL_HUE);
}

constexpr int kPolygonVertices = 10000;

// Random vertices over the whole target: a polygon crossing itself everywhere.
const std::vector<GXPoint>& BigPolygon() {
    static const std::vector<GXPoint> points = [] {
        std::mt19937 random(12);
        std::uniform_real_distribution<float> at(0, kSize);
        std::vector<GXPoint> p;
        for (int i = 0; i < kPolygonVertices; ++i) p.push_back({at(random), at(random)});
        return p;
    }();
    return points;
}

void RunGxPolygon(benchmark::State& state, int32_t fillRule) {
    const auto& points = BigPolygon();
    auto geometry = std::make_shared<Geometry>();
    geometry->SetFillRule(fillRule);
    geometry->BeginFigure(points[0]);
    for (size_t i = 1; i < points.size(); ++i) geometry->LineTo(points[i]);
    geometry->EndFigureClose();
    auto target =
        std::make_shared<SysMemBitmap>(GXIntSize{kSize, kSize}, GXPixelFormatPARGB32, 96, 96);
    const uint32_t color = SwColorSource::Premultiply(0xC0306090u);
    for (auto _ : state) {
        target->ColorFill(nullptr, ColorF{1, 1, 1, 1});
        auto pipeline = std::make_shared<SwPipeLine>(geometry, GXIntRect{0, 0, kSize, kSize});
        pipeline->SetBlendMode(kSwBlendNormal);
        pipeline->AddTargetColor(target);
        pipeline->AddSourceColor(std::make_shared<SwSolidColorSource>(color));
        pipeline->AddBasicComposite();
        pipeline->Execute();
        benchmark::ClobberMemory();
    }
}

void RunCairoPolygon(benchmark::State& state, cairo_fill_rule_t rule) {
    const auto& points = BigPolygon();
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kSize, kSize);
    cairo_t* cr = cairo_create(surface);
    cairo_set_fill_rule(cr, rule);
    for (auto _ : state) {
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        cairo_set_source_rgba(cr, 1, 1, 1, 1);
        cairo_paint(cr);
        cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
        cairo_set_source_rgba(cr, 0x30 / 255.0, 0x60 / 255.0, 0x90 / 255.0, 0xC0 / 255.0);
        cairo_move_to(cr, points[0].x, points[0].y);
        for (size_t i = 1; i < points.size(); ++i) cairo_line_to(cr, points[i].x, points[i].y);
        cairo_close_path(cr);
        cairo_fill(cr);
        cairo_surface_flush(surface);
    }
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
}

void BM_PolygonNonZero_Gx(benchmark::State& state) {
    RunGxPolygon(state, GXFillRuleNonZero);
}
void BM_PolygonNonZero_Cairo(benchmark::State& state) {
    RunCairoPolygon(state, CAIRO_FILL_RULE_WINDING);
}
void BM_PolygonEvenOdd_Gx(benchmark::State& state) {
    RunGxPolygon(state, GXFillRuleEvenOdd);
}
void BM_PolygonEvenOdd_Cairo(benchmark::State& state) {
    RunCairoPolygon(state, CAIRO_FILL_RULE_EVEN_ODD);
}

}  // namespace

BENCHMARK(BM_PolygonNonZero_Gx)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PolygonNonZero_Cairo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PolygonEvenOdd_Gx)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PolygonEvenOdd_Cairo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SmallShapesNormal_Gx)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SmallShapesNormal_Cairo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SmallShapesMultiply_Gx)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SmallShapesMultiply_Cairo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SmallShapesHue_Gx)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SmallShapesHue_Cairo)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
