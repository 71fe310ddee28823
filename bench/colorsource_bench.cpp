// Colour sources filling a 1024 x 1024 PARGB32 surface, beside Cairo painting the same scene
// on an image surface of the same size. Each libgx scene runs its colour source over every
// row and composites it with the SSE2 source-over row (full coverage): the colour-source
// work of a pipeline fill without the rasterizer.

#include <benchmark/benchmark.h>
#include <cairo.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "graphics/api/processheap.h"
#include "graphics/bitmap/sysmembitmap.h"
#include "graphics/paint/bitmapbrush.h"
#include "graphics/paint/lineargradient.h"
#include "graphics/paint/radialgradient.h"
#include "graphics/software/swbasiccompositenormalsse2op.h"
#include "graphics/software/swbitmapcolorsource.h"
#include "graphics/software/swlineargradientcolorsource.h"
#include "graphics/software/swradialgradientcolorsource.h"

using namespace Graphics;

namespace {

constexpr int kSize = 1024;
constexpr int kBitmapSize = 512;
constexpr double kPi = 3.14159265358979323846;

struct Stop {
    float offset;
    uint32_t argb;
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

// The libgx side: a target surface, a shape row of full coverage and a source row.
class GxSurface {
public:
    GxSurface()
        : target_(GXIntSize{kSize, kSize}, GXPixelFormatPARGB32, 96, 96),
          shape_(kSize, 255),
          source_(kSize) {}

    void Paint(SwColorSource& source) {
        const PixelBuffer& buffer = target_.Buffer();
        for (int y = 0; y < kSize; ++y) {
            std::memset(buffer.Row(y), 0x20, size_t(kSize) * 4);  // a translucent grey backdrop
            source.FillSpan(0, kSize, y, source_.data());
            SwBasicCompositeNormalSSE2Op::CompositeRow(reinterpret_cast<uint32_t*>(buffer.Row(y)),
                                                       source_.data(), shape_.data(), kSize);
        }
        benchmark::DoNotOptimize(buffer.Row(kSize / 2));
    }

private:
    SysMemBitmap target_;
    std::vector<uint8_t> shape_;
    std::vector<uint32_t> source_;
};

class CairoSurface {
public:
    CairoSurface()
        : surface_(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kSize, kSize)),
          cr_(cairo_create(surface_)) {}
    ~CairoSurface() {
        cairo_destroy(cr_);
        cairo_surface_destroy(surface_);
    }

    void Paint(cairo_pattern_t* pattern) {
        cairo_surface_flush(surface_);
        std::memset(cairo_image_surface_get_data(surface_), 0x20,
                    size_t(cairo_image_surface_get_stride(surface_)) * kSize);
        cairo_surface_mark_dirty(surface_);
        cairo_set_source(cr_, pattern);
        cairo_paint(cr_);
        cairo_surface_flush(surface_);
        benchmark::DoNotOptimize(cairo_image_surface_get_data(surface_));
    }

private:
    cairo_surface_t* surface_;
    cairo_t* cr_;
};

void SetPixels(benchmark::State& state) {
    state.SetItemsProcessed(int64_t(state.iterations()) * kSize * kSize);
}

// Linear: the diagonal of the surface, extended at both ends.
void BM_LinearGradient_Gx(benchmark::State& state) {
    auto gradient =
        std::make_shared<LinearGradient>(GxStops(), GXPoint{100, 50}, GXPoint{900, 1000}, 1, 1, 0);
    SwLinearGradientColorSource source(gradient, GXMatrix{1, 0, 0, 1, 0, 0}, 1.0f);
    GxSurface surface;
    for (auto _ : state) surface.Paint(source);
    SetPixels(state);
}

void BM_LinearGradient_Cairo(benchmark::State& state) {
    cairo_pattern_t* pattern = cairo_pattern_create_linear(100, 50, 900, 1000);
    AddCairoStops(pattern);
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
    CairoSurface surface;
    for (auto _ : state) surface.Paint(pattern);
    cairo_pattern_destroy(pattern);
    SetPixels(state);
}

// Radial: a focal gradient, the start circle inside the end circle, extended.
void BM_RadialGradient_Gx(benchmark::State& state) {
    auto gradient = std::make_shared<RadialGradient>(GxStops(), GXPoint{400, 450}, 20.0f,
                                                     GXPoint{512, 512}, 600.0f, 1, 1, 0);
    SwRadialGradientColorSource source(gradient, GXMatrix{1, 0, 0, 1, 0, 0}, 1.0f);
    GxSurface surface;
    for (auto _ : state) surface.Paint(source);
    SetPixels(state);
}

void BM_RadialGradient_Cairo(benchmark::State& state) {
    cairo_pattern_t* pattern = cairo_pattern_create_radial(400, 450, 20, 512, 512, 600);
    AddCairoStops(pattern);
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
    CairoSurface surface;
    for (auto _ : state) surface.Paint(pattern);
    cairo_pattern_destroy(pattern);
    SetPixels(state);
}

// The bitmap scene: a 512 x 512 picture (smooth ramps with a checker) scaled by 1.7 and
// rotated by 30 degrees about its corner, placed at (400, -150), bilinear, edges clamped.
const uint32_t* PicturePixels() {
    static std::vector<uint32_t> pixels = [] {
        std::vector<uint32_t> p(size_t(kBitmapSize) * kBitmapSize);
        for (int y = 0; y < kBitmapSize; ++y)
            for (int x = 0; x < kBitmapSize; ++x) {
                const uint32_t checker = ((x / 32 + y / 32) & 1) ? 0x40 : 0;
                p[size_t(y) * kBitmapSize + x] = 0xFF000000u | (uint32_t(x / 2) << 16) |
                                                 (uint32_t(y / 2) << 8) | (0x80 + checker - 0x20);
            }
        return p;
    }();
    return pixels.data();
}

const double kScale = 1.7, kAngle = kPi / 6, kTx = 400, kTy = -150;

void BM_ScaledRotatedBitmap_Gx(benchmark::State& state) {
    auto bitmap = std::make_shared<SysMemBitmap>(GXIntSize{kBitmapSize, kBitmapSize},
                                                 GXPixelFormatPARGB32, 96, 96);
    for (int y = 0; y < kBitmapSize; ++y)
        std::memcpy(bitmap->Buffer().Row(y), PicturePixels() + size_t(y) * kBitmapSize,
                    size_t(kBitmapSize) * 4);
    const float c = float(kScale * std::cos(kAngle)), s = float(kScale * std::sin(kAngle));
    SwBitmapColorSource source(bitmap, GXMatrix{c, s, -s, c, float(kTx), float(kTy)},
                               BitmapExtendClamp, BitmapExtendClamp, BitmapSamplingBilinear, 1.0f);
    GxSurface surface;
    for (auto _ : state) surface.Paint(source);
    SetPixels(state);
}

void BM_ScaledRotatedBitmap_Cairo(benchmark::State& state) {
    cairo_surface_t* picture =
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kBitmapSize, kBitmapSize);
    const int stride = cairo_image_surface_get_stride(picture);
    for (int y = 0; y < kBitmapSize; ++y)
        std::memcpy(cairo_image_surface_get_data(picture) + size_t(y) * size_t(stride),
                    PicturePixels() + size_t(y) * kBitmapSize, size_t(kBitmapSize) * 4);
    cairo_surface_mark_dirty(picture);
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(picture);
    cairo_pattern_set_filter(pattern, CAIRO_FILTER_BILINEAR);
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
    // The pattern matrix maps device space back to the picture.
    cairo_matrix_t matrix;
    cairo_matrix_init_translate(&matrix, kTx, kTy);
    cairo_matrix_rotate(&matrix, kAngle);
    cairo_matrix_scale(&matrix, kScale, kScale);
    cairo_matrix_invert(&matrix);
    cairo_pattern_set_matrix(pattern, &matrix);
    CairoSurface surface;
    for (auto _ : state) surface.Paint(pattern);
    cairo_pattern_destroy(pattern);
    cairo_surface_destroy(picture);
    SetPixels(state);
}

}  // namespace

BENCHMARK(BM_LinearGradient_Gx)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LinearGradient_Cairo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RadialGradient_Gx)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RadialGradient_Cairo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScaledRotatedBitmap_Gx)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScaledRotatedBitmap_Cairo)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
