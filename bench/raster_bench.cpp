// The software rasterizer's scenes, each a whole draw on a 1024 x 1024 PARGB32 target
// (RasterizeGeometry into an SwPipeLine: target, source colour, compositor) beside Cairo
// drawing the same scene on an image surface of the same size:
//   1. 10,000 small anti-aliased triangles and circles in solid colours, Normal blend;
//   2. one 10,000-vertex self-intersecting polygon under both fill rules;
//   3. the whole target filled with a linear and with a radial gradient;
//   4. a 512 x 512 bitmap scaled by 1.7 and rotated by 30 degrees, bilinear: the mapped
//      bitmap rectangle filled with the bitmap;
//   5. scene 1 in Multiply (separable) and Hue (non-separable) blend modes.
// Every iteration first clears the target to opaque white on both sides.
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "cairopeer.h"
#include "graphics/bitmap/sysmembitmap.h"
#include "graphics/geometry/geometry.h"
#include "graphics/paint/bitmapbrush.h"
#include "graphics/paint/lineargradient.h"
#include "graphics/paint/radialgradient.h"
#include "graphics/software/swbitmapcolorsource.h"
#include "graphics/software/swblend.h"
#include "graphics/software/swcolorsource.h"
#include "graphics/software/swlineargradientcolorsource.h"
#include "graphics/software/swpipeline.h"
#include "graphics/software/swradialgradientcolorsource.h"
#include "graphics/software/swsolidcolorsource.h"

using namespace Graphics;

namespace {

constexpr int kSize = 1024;
constexpr double kPi = 3.14159265358979323846;

// ---- The two targets ----

class GxTarget {
public:
    GxTarget()
        : bitmap_(std::make_shared<SysMemBitmap>(GXIntSize{kSize, kSize}, GXPixelFormatPARGB32, 96,
                                                 96)) {}

    void Clear() { bitmap_->ColorFill(nullptr, ColorF{1, 1, 1, 1}); }

    // One draw: `geometry` (device pixels) filled with `source` under `blendMode`.
    void Fill(std::shared_ptr<Geometry> geometry, std::shared_ptr<SwColorSource> source,
              int32_t blendMode = kSwBlendNormal) {
        auto pipeline =
            std::make_shared<SwPipeLine>(std::move(geometry), GXIntRect{0, 0, kSize, kSize});
        pipeline->SetBlendMode(blendMode);
        pipeline->AddTargetColor(bitmap_);
        pipeline->AddSourceColor(std::move(source));
        pipeline->AddBasicComposite();
        pipeline->Execute();
    }

    void Done() {
        benchmark::DoNotOptimize(bitmap_->Buffer().Row(kSize / 2));
        benchmark::ClobberMemory();
    }

private:
    std::shared_ptr<SysMemBitmap> bitmap_;
};

class CairoTarget {
public:
    CairoTarget()
        : surface_(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kSize, kSize)),
          cr_(cairo_create(surface_)) {}
    ~CairoTarget() {
        cairo_destroy(cr_);
        cairo_surface_destroy(surface_);
    }
    CairoTarget(const CairoTarget&) = delete;
    CairoTarget& operator=(const CairoTarget&) = delete;

    cairo_t* Context() { return cr_; }

    // Opaque white, then `op` for the drawing to come.
    void Clear(cairo_operator_t op = CAIRO_OPERATOR_OVER) {
        cairo_set_operator(cr_, CAIRO_OPERATOR_SOURCE);
        cairo_set_source_rgba(cr_, 1, 1, 1, 1);
        cairo_paint(cr_);
        cairo_set_operator(cr_, op);
    }

    void Done() {
        cairo_surface_flush(surface_);
        benchmark::DoNotOptimize(cairo_image_surface_get_data(surface_));
        benchmark::ClobberMemory();
    }

private:
    cairo_surface_t* surface_;
    cairo_t* cr_;
};

// A closed polygon as a libgx geometry, and as Cairo's current path.
std::shared_ptr<Geometry> GxPolygon(const std::vector<GXPoint>& points, int32_t fillRule) {
    auto geometry = std::make_shared<Geometry>();
    geometry->SetFillRule(fillRule);
    geometry->BeginFigure(points[0]);
    for (size_t i = 1; i < points.size(); ++i) geometry->LineTo(points[i]);
    geometry->EndFigureClose();
    return geometry;
}

void CairoPolygon(cairo_t* cr, const std::vector<GXPoint>& points) {
    cairo_move_to(cr, points[0].x, points[0].y);
    for (size_t i = 1; i < points.size(); ++i) cairo_line_to(cr, points[i].x, points[i].y);
    cairo_close_path(cr);
}

// ---- Scenes 1 and 5: many small shapes ----

constexpr int kShapes = 10000;

struct Shape {
    bool circle;
    GXPoint points[3];  // triangle corners; a circle's centre is points[0]
    float radius;       // circles only, px
    uint32_t argb;      // straight colour, alpha 0.5..1
};

const std::vector<Shape>& SmallShapes() {
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

void SmallShapesGx(benchmark::State& state, int32_t blendMode) {
    std::vector<std::shared_ptr<Geometry>> geometries;
    std::vector<uint32_t> colors;
    for (const Shape& s : SmallShapes()) {
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
        colors.push_back(SwColorSource::Premultiply(s.argb));
    }
    GxTarget target;
    for (auto _ : state) {
        target.Clear();
        // A colour source per shape, as the renderer makes one per draw.
        for (size_t i = 0; i < geometries.size(); ++i)
            target.Fill(geometries[i], std::make_shared<SwSolidColorSource>(colors[i]), blendMode);
        target.Done();
    }
    state.SetItemsProcessed(state.iterations() * kShapes);
}

void SmallShapesCairo(benchmark::State& state, cairo_operator_t op) {
    CairoTarget target;
    cairo_t* cr = target.Context();
    for (auto _ : state) {
        target.Clear(op);
        for (const Shape& s : SmallShapes()) {
            SetCairoColor(cr, s.argb);
            if (s.circle) {
                cairo_arc(cr, s.points[0].x, s.points[0].y, s.radius, 0, 2 * kPi);
            } else {
                cairo_move_to(cr, s.points[0].x, s.points[0].y);
                cairo_line_to(cr, s.points[1].x, s.points[1].y);
                cairo_line_to(cr, s.points[2].x, s.points[2].y);
                cairo_close_path(cr);
            }
            cairo_fill(cr);
        }
        target.Done();
    }
    state.SetItemsProcessed(state.iterations() * kShapes);
}

void BM_SmallShapesNormal_Gx(benchmark::State& state) {
    SmallShapesGx(state, kSwBlendNormal);
}
void BM_SmallShapesNormal_Cairo(benchmark::State& state) {
    SmallShapesCairo(state, CAIRO_OPERATOR_OVER);
}
void BM_SmallShapesMultiply_Gx(benchmark::State& state) {
    SmallShapesGx(state, kSwBlendMultiply);
}
void BM_SmallShapesMultiply_Cairo(benchmark::State& state) {
    SmallShapesCairo(state, CAIRO_OPERATOR_MULTIPLY);
}
void BM_SmallShapesHue_Gx(benchmark::State& state) {
    SmallShapesGx(state, kSwBlendHue);
}
void BM_SmallShapesHue_Cairo(benchmark::State& state) {
    SmallShapesCairo(state, CAIRO_OPERATOR_HSL_HUE);
}

// ---- Scene 2: one large self-intersecting polygon ----

constexpr int kPolygonVertices = 10000;
constexpr uint32_t kPolygonColor = 0xC0306090u;  // straight ARGB

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

void PolygonGx(benchmark::State& state, int32_t fillRule) {
    auto geometry = GxPolygon(BigPolygon(), fillRule);
    const uint32_t color = SwColorSource::Premultiply(kPolygonColor);
    GxTarget target;
    for (auto _ : state) {
        target.Clear();
        target.Fill(geometry, std::make_shared<SwSolidColorSource>(color));
        target.Done();
    }
}

void PolygonCairo(benchmark::State& state, cairo_fill_rule_t rule) {
    CairoTarget target;
    cairo_t* cr = target.Context();
    cairo_set_fill_rule(cr, rule);
    for (auto _ : state) {
        target.Clear();
        SetCairoColor(cr, kPolygonColor);
        CairoPolygon(cr, BigPolygon());
        cairo_fill(cr);
        target.Done();
    }
}

void BM_PolygonNonZero_Gx(benchmark::State& state) {
    PolygonGx(state, GXFillRuleNonZero);
}
void BM_PolygonNonZero_Cairo(benchmark::State& state) {
    PolygonCairo(state, CAIRO_FILL_RULE_WINDING);
}
void BM_PolygonEvenOdd_Gx(benchmark::State& state) {
    PolygonGx(state, GXFillRuleEvenOdd);
}
void BM_PolygonEvenOdd_Cairo(benchmark::State& state) {
    PolygonCairo(state, CAIRO_FILL_RULE_EVEN_ODD);
}

// ---- Scene 3: full-target gradients ----

struct Stop {
    float offset;
    uint32_t argb;  // straight
};
const Stop kStops[] = {{0.0f, 0xFFFF0000}, {0.4f, 0xC000FF00}, {1.0f, 0xFF0000FF}};

std::shared_ptr<GradientStopCollection> GxStops() {
    auto stops = std::make_shared<GradientStopCollection>();
    for (const Stop& stop : kStops) stops->Insert({stop.offset, stop.argb});
    return stops;
}

void AddCairoStops(cairo_pattern_t* pattern) {
    for (const Stop& stop : kStops)
        cairo_pattern_add_color_stop_rgba(pattern, stop.offset, ((stop.argb >> 16) & 0xFF) / 255.0,
                                          ((stop.argb >> 8) & 0xFF) / 255.0,
                                          (stop.argb & 0xFF) / 255.0, (stop.argb >> 24) / 255.0);
}

std::shared_ptr<Geometry> WholeTarget() {
    auto geometry = std::make_shared<Geometry>();
    geometry->Rectangle({0, 0, float(kSize), float(kSize)});
    return geometry;
}

// The gradient source is made per draw, as the renderer does; building its stop table is
// part of the draw's cost on both sides.
template <class MakeSource>
void GradientGx(benchmark::State& state, MakeSource makeSource) {
    auto geometry = WholeTarget();
    GxTarget target;
    for (auto _ : state) {
        target.Clear();
        target.Fill(geometry, makeSource());
        target.Done();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kSize * kSize);
}

void GradientCairo(benchmark::State& state, cairo_pattern_t* pattern) {
    AddCairoStops(pattern);
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
    CairoTarget target;
    cairo_t* cr = target.Context();
    for (auto _ : state) {
        target.Clear();
        cairo_set_source(cr, pattern);
        cairo_rectangle(cr, 0, 0, kSize, kSize);
        cairo_fill(cr);
        target.Done();
    }
    cairo_pattern_destroy(pattern);
    state.SetItemsProcessed(int64_t(state.iterations()) * kSize * kSize);
}

// Linear: along the target's diagonal, extended at both ends.
void BM_LinearGradient_Gx(benchmark::State& state) {
    auto gradient =
        std::make_shared<LinearGradient>(GxStops(), GXPoint{100, 50}, GXPoint{900, 1000}, 1, 1, 0);
    GradientGx(state, [&] {
        return std::make_shared<SwLinearGradientColorSource>(gradient, GXMatrix{1, 0, 0, 1, 0, 0},
                                                             1.0f);
    });
}
void BM_LinearGradient_Cairo(benchmark::State& state) {
    GradientCairo(state, cairo_pattern_create_linear(100, 50, 900, 1000));
}

// Radial: a focal gradient, the start circle inside the end circle, extended.
void BM_RadialGradient_Gx(benchmark::State& state) {
    auto gradient = std::make_shared<RadialGradient>(GxStops(), GXPoint{400, 450}, 20.0f,
                                                     GXPoint{512, 512}, 600.0f, 1, 1, 0);
    GradientGx(state, [&] {
        return std::make_shared<SwRadialGradientColorSource>(gradient, GXMatrix{1, 0, 0, 1, 0, 0},
                                                             1.0f);
    });
}
void BM_RadialGradient_Cairo(benchmark::State& state) {
    GradientCairo(state, cairo_pattern_create_radial(400, 450, 20, 512, 512, 600));
}

// ---- Scene 4: a scaled, rotated bitmap ----

// A 512 x 512 opaque picture (smooth ramps with a checker) scaled by 1.7 and rotated by 30
// degrees about its corner, the corner placed at (400, -150); bilinear, edges clamped. The
// mapped rectangle reaches past the target's top, left and right.
constexpr int kBitmapSize = 512;
constexpr double kScale = 1.7, kAngle = kPi / 6, kTx = 400, kTy = -150;

const std::vector<uint32_t>& PicturePixels() {
    static const std::vector<uint32_t> pixels = [] {
        std::vector<uint32_t> p(size_t(kBitmapSize) * kBitmapSize);
        for (int y = 0; y < kBitmapSize; ++y)
            for (int x = 0; x < kBitmapSize; ++x) {
                const uint32_t checker = ((x / 32 + y / 32) & 1) ? 0x40 : 0;
                p[size_t(y) * kBitmapSize + x] = 0xFF000000u | (uint32_t(x / 2) << 16) |
                                                 (uint32_t(y / 2) << 8) | (0x60 + checker);
            }
        return p;
    }();
    return pixels;
}

// The bitmap rectangle's corners on the target, in the order they go round.
std::vector<GXPoint> MappedBitmapCorners() {
    const double c = kScale * std::cos(kAngle), s = kScale * std::sin(kAngle);
    std::vector<GXPoint> corners;
    for (const auto& [u, v] :
         {std::pair{0, 0}, {kBitmapSize, 0}, {kBitmapSize, kBitmapSize}, {0, kBitmapSize}})
        corners.push_back({float(c * u - s * v + kTx), float(s * u + c * v + kTy)});
    return corners;
}

void BM_ScaledRotatedBitmap_Gx(benchmark::State& state) {
    auto bitmap = std::make_shared<SysMemBitmap>(GXIntSize{kBitmapSize, kBitmapSize},
                                                 GXPixelFormatPARGB32, 96, 96);
    for (int y = 0; y < kBitmapSize; ++y)
        std::memcpy(bitmap->Buffer().Row(y), PicturePixels().data() + size_t(y) * kBitmapSize,
                    size_t(kBitmapSize) * 4);
    const float c = float(kScale * std::cos(kAngle)), s = float(kScale * std::sin(kAngle));
    const GXMatrix bitmapToDevice{c, s, -s, c, float(kTx), float(kTy)};
    auto geometry = GxPolygon(MappedBitmapCorners(), GXFillRuleNonZero);
    GxTarget target;
    for (auto _ : state) {
        target.Clear();
        target.Fill(geometry, std::make_shared<SwBitmapColorSource>(
                                  bitmap, bitmapToDevice, BitmapExtendClamp, BitmapExtendClamp,
                                  BitmapSamplingBilinear, 1.0f));
        target.Done();
    }
}

void BM_ScaledRotatedBitmap_Cairo(benchmark::State& state) {
    cairo_surface_t* picture =
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kBitmapSize, kBitmapSize);
    const int stride = cairo_image_surface_get_stride(picture);
    for (int y = 0; y < kBitmapSize; ++y)
        std::memcpy(cairo_image_surface_get_data(picture) + size_t(y) * size_t(stride),
                    PicturePixels().data() + size_t(y) * kBitmapSize, size_t(kBitmapSize) * 4);
    cairo_surface_mark_dirty(picture);
    // The pattern matrix maps device space back to the picture.
    cairo_matrix_t matrix;
    cairo_matrix_init_translate(&matrix, kTx, kTy);
    cairo_matrix_rotate(&matrix, kAngle);
    cairo_matrix_scale(&matrix, kScale, kScale);
    cairo_matrix_invert(&matrix);
    const std::vector<GXPoint> corners = MappedBitmapCorners();
    CairoTarget target;
    cairo_t* cr = target.Context();
    for (auto _ : state) {
        target.Clear();
        cairo_set_source_surface(cr, picture, 0, 0);
        cairo_pattern_t* pattern = cairo_get_source(cr);
        cairo_pattern_set_matrix(pattern, &matrix);
        cairo_pattern_set_filter(pattern, CAIRO_FILTER_BILINEAR);
        cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
        CairoPolygon(cr, corners);
        cairo_fill(cr);
        target.Done();
    }
    cairo_surface_destroy(picture);
}

}  // namespace

BENCHMARK(BM_SmallShapesNormal_Gx)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SmallShapesNormal_Cairo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PolygonNonZero_Gx)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PolygonNonZero_Cairo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PolygonEvenOdd_Gx)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PolygonEvenOdd_Cairo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LinearGradient_Gx)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LinearGradient_Cairo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RadialGradient_Gx)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RadialGradient_Cairo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScaledRotatedBitmap_Gx)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScaledRotatedBitmap_Cairo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SmallShapesMultiply_Gx)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SmallShapesMultiply_Cairo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SmallShapesHue_Gx)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SmallShapesHue_Cairo)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
