// The fixed cost of one drawing call, measured on small shapes where it dominates, and the
// repeated draw of a large bitmap far below its size. Through the public interface (gx.h)
// on a 512 x 512 PARGB32 bitmap render target, one paint kept open for the whole run.
//
//   - SmallShapes: 1,000 calls per iteration of FillRect (stroke adjustment off, so that
//     each is scanned), FillEllipse or StrokeLine (3 px wide), each shape about 12 px,
//     with a solid, a linear-gradient or a radial-gradient brush.
//   - ReducedBitmap: a 2000 x 2000 image drawn at 0.1x with box pre-reduction, one draw
//     per iteration, beside the same draw sampled bilinearly without the reduction.
#include <benchmark/benchmark.h>
#include <gx.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

void Check(GXResult result, const char* what) {
    if (result != GXResultSuccess) {
        std::fprintf(stderr, "%s failed with %d\n", what, int(result));
        std::abort();
    }
}
#define CHECK(call) Check((call), #call)

template <class T>
void Release(T* handle) {
    if (handle) GXObjectRelease(reinterpret_cast<GXOBase*>(handle));
}

// A render target over a new bitmap, painting from construction to destruction.
class Page {
public:
    explicit Page(int32_t size) {
        const GXBitmapDesc desc{size, size, GXPixelFormatPARGB32, 96, 96};
        CHECK(GXCreateBitmap(&desc, &bitmap_));
        CHECK(GXCreateRenderTargetBitmap(bitmap_, &target_));
        CHECK(GXRenderTargetBeginPaint(target_));
        CHECK(GXRenderTargetClear(target_, 0xFFFFFFFFu));
    }
    ~Page() {
        GXRenderTargetEndPaint(target_);
        Release(target_);
        Release(bitmap_);
    }
    GXRenderTargetRec_* Target() const { return target_; }

private:
    GXBitmapRec_* bitmap_ = nullptr;
    GXRenderTargetRec_* target_ = nullptr;
};

enum Shape : int64_t { kRect, kEllipse, kLine };
enum Paint : int64_t { kSolid, kLinear, kRadial };

void BM_SmallShapes(benchmark::State& state) {
    const auto shape = Shape(state.range(0));
    const auto paint = Paint(state.range(1));
    Page page(512);
    GXRenderTargetRec_* target = page.Target();
    CHECK(GXRenderTargetSetStrokeAdjustment(target, 0));
    GXBrushRec_* brush = nullptr;
    GXGradientRec_* ramp = nullptr;
    const GXGradientStop stops[2] = {{0, 0xFFE03020u}, {1, 0xFF2040E0u}};
    if (paint == kLinear) {
        const GXLinearGradientDesc desc{stops, 2, 0, 0, 512, 300, 1, 1, {0, 0}, 0};
        CHECK(GXCreateGradientLinear(&desc, &ramp));
    } else if (paint == kRadial) {
        const GXRadialGradientDesc desc{stops, 2, 200, 180, 10, 260, 300, 280, 1, 1, {0, 0}, 0};
        CHECK(GXCreateGradientRadial(&desc, &ramp));
    }
    if (ramp) {
        CHECK(GXCreateBrushGradient(ramp, 1.0f, nullptr, &brush));
    } else {
        CHECK(GXCreateBrushSolidARGB(0xC0208040u, &brush));
    }
    constexpr int kCalls = 1000;
    for (auto _ : state) {
        for (int i = 0; i < kCalls; ++i) {
            const float x = float(i % 40) * 12.3f + 0.25f, y = float(i / 40) * 19.7f + 0.5f;
            const GXRect rect{x, y, x + 11.5f, y + 12.25f};
            const GXPoint from{x, y}, to{x + 10.5f, y + 7.25f};
            if (shape == kRect) CHECK(GXRenderTargetFillRect(target, &rect, brush));
            if (shape == kEllipse) CHECK(GXRenderTargetFillEllipse(target, &rect, brush));
            if (shape == kLine)
                CHECK(GXRenderTargetStrokeLine(target, &from, &to, brush, 3.0f, nullptr));
        }
    }
    state.SetItemsProcessed(state.iterations() * kCalls);
    Release(brush);
    Release(ramp);
}

void BM_ReducedBitmap(benchmark::State& state) {
    const int32_t sampling = int32_t(state.range(0));
    constexpr int32_t kSource = 2000;
    const GXBitmapDesc desc{kSource, kSource, GXPixelFormatPARGB32, 96, 96};
    GXBitmapRec_* image = nullptr;
    CHECK(GXCreateBitmap(&desc, &image));
    std::vector<uint32_t> pixels(size_t(kSource) * kSource);
    for (int32_t y = 0; y < kSource; ++y)
        for (int32_t x = 0; x < kSource; ++x)
            pixels[size_t(y) * kSource + x] = 0xFF000000u | uint32_t(x * 7 % 256) << 16 |
                                              uint32_t(y * 5 % 256) << 8 | uint32_t((x ^ y) & 0xFF);
    const GXBitmapData data{pixels.data(), kSource * 4, kSource * 4};
    CHECK(GXBitmapCopyFromMemory(image, nullptr, &data));
    Page page(256);
    GXRenderTargetRec_* target = page.Target();
    const GXMatrix tenth{0.1f, 0, 0, 0.1f, 20, 20};
    CHECK(GXRenderTargetSetCTM(target, &tenth));
    for (auto _ : state) CHECK(GXRenderTargetDrawBitmap(target, image, 1.0f, sampling));
    Release(image);
}

}  // namespace

BENCHMARK(BM_SmallShapes)
    ->ArgNames({"shape", "paint"})
    ->ArgsProduct({{kRect, kEllipse, kLine}, {kSolid, kLinear, kRadial}})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReducedBitmap)
    ->ArgName("sampling")
    ->Arg(GXBitmapSamplingBoxBilinear)
    ->Arg(GXBitmapSamplingBilinear)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
