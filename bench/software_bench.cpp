// Software renderer scenes, each beside its Cairo/pixman baseline in the same run:
// a large complex path fill, many small shapes, and span compositing (Normal and Multiply).
#include <benchmark/benchmark.h>
#include <cairo.h>
#include <pixman.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "graphics/software/coveragebuffer.h"
#include "graphics/software/rasterizationsink.h"
#include "graphics/software/rasterizer.h"
#include "graphics/software/swbasiccompositenormalsse2op.h"
#include "graphics/software/swbasiccompositeop.h"
#include "graphics/software/swblend.h"

using namespace Graphics;

namespace {

constexpr int kSize = 512;
constexpr uint32_t kColor = 0xCC336699;  // premultiplied, alpha 0.8

using Polygon = std::vector<GXPoint>;

// A 200-point star around the centre: long crossing edges, the usual worst case.
Polygon ComplexPath() {
    std::mt19937 random(3);
    Polygon polygon;
    for (int i = 0; i < 200; ++i) {
        float angle = 6.2831853f * i * 97 / 200;
        float radius = 60 + static_cast<float>(random() % 190);
        polygon.push_back({256 + radius * std::cos(angle), 256 + radius * std::sin(angle)});
    }
    return polygon;
}

// 2000 small triangles scattered over the target.
std::vector<Polygon> SmallShapes() {
    std::mt19937 random(4);
    std::uniform_real_distribution<float> at(0, kSize - 12), size(3, 12);
    std::vector<Polygon> shapes;
    for (int i = 0; i < 2000; ++i) {
        float x = at(random), y = at(random);
        shapes.push_back({{x, y},
                          {x + size(random), y + size(random) / 3},
                          {x + size(random) / 2, y + size(random)}});
    }
    return shapes;
}

// A minimal pipeline for a solid colour: coverage runs to shape bytes, then the SSE2
// Normal compositor into a PARGB32 buffer.
class SolidFillSink : public RasterizationSink {
public:
    SolidFillSink() : pixels(kSize * kSize, 0xFFFFFFFF), source(kSize, kColor), shape(kSize) {}

    void AddCoverageRow(int32_t row, const CoverageBuffer& coverage) override {
        uint32_t* target = pixels.data() + static_cast<size_t>(row) * kSize;
        for (const CoverageRun* run = coverage.First(); run != coverage.End(); run = run->next) {
            if (run->value == 0) continue;
            const int32_t count = run->next->x - run->x;
            std::memset(shape.data(), 4 * run->value - 1, static_cast<size_t>(count));
            SwBasicCompositeNormalSSE2Op::CompositeRow(target + run->x, source.data(), shape.data(),
                                                       count);
        }
    }
    void FillPixelRect(int32_t x0, int32_t y0, int32_t x1, int32_t y1) override {
        std::memset(shape.data(), 255, static_cast<size_t>(x1 - x0));
        for (int32_t y = y0; y < y1; ++y) {
            SwBasicCompositeNormalSSE2Op::CompositeRow(pixels.data() + y * kSize + x0,
                                                       source.data(), shape.data(), x1 - x0);
        }
    }
    bool AcceptsTrapezoids(int32_t, int32_t) override { return false; }
    void AddTrapezoid(float, float, float, float, float, float, float, float) override {}

    std::vector<uint32_t> pixels;
    std::vector<uint32_t> source;
    std::vector<uint8_t> shape;
};

void FillGx(benchmark::State& state, const std::vector<Polygon>& figures) {
    auto sink = std::make_shared<SolidFillSink>();
    for (auto _ : state) {
        Rasterizer rasterizer({0, 0, kSize, kSize}, 0.25f, false, sink);
        rasterizer.BeginRasterization();
        rasterizer.SetFillRule(0);
        for (const Polygon& figure : figures) {
            rasterizer.BeginFigure(figure[0]);
            for (size_t i = 1; i < figure.size(); ++i) rasterizer.LineTo(figure[i]);
            rasterizer.EndFigureClose();
        }
        rasterizer.EndRasterization();
        benchmark::DoNotOptimize(sink->pixels.data());
    }
}

void FillCairo(benchmark::State& state, const std::vector<Polygon>& figures) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kSize, kSize);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgba(cr, 0x40 / 255.0, 0x80 / 255.0, 0xBF / 255.0, 0.8);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    for (auto _ : state) {
        for (const Polygon& figure : figures) {
            cairo_move_to(cr, figure[0].x, figure[0].y);
            for (size_t i = 1; i < figure.size(); ++i) cairo_line_to(cr, figure[i].x, figure[i].y);
            cairo_close_path(cr);
        }
        cairo_fill(cr);
        cairo_surface_flush(surface);
        benchmark::DoNotOptimize(cairo_image_surface_get_data(surface));
    }
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
}

void BM_ComplexPath_Gx(benchmark::State& state) {
    FillGx(state, {ComplexPath()});
}
void BM_ComplexPath_Cairo(benchmark::State& state) {
    FillCairo(state, {ComplexPath()});
}
void BM_SmallShapes_Gx(benchmark::State& state) {
    FillGx(state, SmallShapes());
}
void BM_SmallShapes_Cairo(benchmark::State& state) {
    FillCairo(state, SmallShapes());
}

// Span compositing: a 512 x 512 premultiplied source through an 8-bit shape onto the
// target, libgx's compositors against pixman's OVER and MULTIPLY with an A8 mask.
struct CompositeScene {
    CompositeScene() : target(kSize * kSize), source(kSize * kSize), shape(kSize * kSize) {
        std::mt19937 random(8);
        for (size_t i = 0; i < target.size(); ++i) {
            uint32_t a = random() % 256, c = a ? random() % (a + 1) : 0;
            target[i] = (a << 24) | c * 0x010101u;
            a = random() % 256;
            c = a ? random() % (a + 1) : 0;
            source[i] = (a << 24) | (c << 8);
            shape[i] = static_cast<uint8_t>(random() % 4 == 0 ? 255 : random() % 256);
        }
    }
    std::vector<uint32_t> target, source;
    std::vector<uint8_t> shape;
};

void BM_CompositeNormal_Gx(benchmark::State& state) {
    CompositeScene scene;
    for (auto _ : state) {
        for (int y = 0; y < kSize; ++y) {
            size_t at = static_cast<size_t>(y) * kSize;
            SwBasicCompositeNormalSSE2Op::CompositeRow(
                scene.target.data() + at, scene.source.data() + at, scene.shape.data() + at, kSize);
        }
        benchmark::DoNotOptimize(scene.target.data());
    }
}

void BM_CompositeMultiply_Gx(benchmark::State& state) {
    CompositeScene scene;
    SwBasicCompositeOp op;
    for (auto _ : state) {
        for (int y = 0; y < kSize; ++y) {
            size_t at = static_cast<size_t>(y) * kSize;
            SwSpanState span{};
            span.targetColor = scene.target.data() + at;
            span.sourceColor = scene.source.data() + at;
            span.sourceShape = scene.shape.data() + at;
            span.blendMode = kSwBlendMultiply;
            span.span = {y, 0, kSize, 255};
            op.Process(span);
        }
        benchmark::DoNotOptimize(scene.target.data());
    }
}

void CompositePixman(benchmark::State& state, pixman_op_t op) {
    CompositeScene scene;
    pixman_image_t* dst =
        pixman_image_create_bits(PIXMAN_a8r8g8b8, kSize, kSize, scene.target.data(), kSize * 4);
    pixman_image_t* src =
        pixman_image_create_bits(PIXMAN_a8r8g8b8, kSize, kSize, scene.source.data(), kSize * 4);
    pixman_image_t* mask = pixman_image_create_bits(
        PIXMAN_a8, kSize, kSize, reinterpret_cast<uint32_t*>(scene.shape.data()), kSize);
    for (auto _ : state) {
        pixman_image_composite32(op, src, mask, dst, 0, 0, 0, 0, 0, 0, kSize, kSize);
        benchmark::DoNotOptimize(scene.target.data());
    }
    pixman_image_unref(mask);
    pixman_image_unref(src);
    pixman_image_unref(dst);
}

void BM_CompositeNormal_Pixman(benchmark::State& state) {
    CompositePixman(state, PIXMAN_OP_OVER);
}
void BM_CompositeMultiply_Pixman(benchmark::State& state) {
    CompositePixman(state, PIXMAN_OP_MULTIPLY);
}

}  // namespace

BENCHMARK(BM_ComplexPath_Gx);
BENCHMARK(BM_ComplexPath_Cairo);
BENCHMARK(BM_SmallShapes_Gx);
BENCHMARK(BM_SmallShapes_Cairo);
BENCHMARK(BM_CompositeNormal_Gx);
BENCHMARK(BM_CompositeNormal_Pixman);
BENCHMARK(BM_CompositeMultiply_Gx);
BENCHMARK(BM_CompositeMultiply_Pixman);
BENCHMARK_MAIN();
