// Heap calls made by drawing in the steady state, counted for every allocation of this
// process (this test program has a folder of its own so that the counting allocator
// below serves nothing else). Repeated fills of rectangles and ellipses and strokes of lines
// reuse what the first draws grew and make no heap call at all, with a solid brush or a
// gradient one.
#include <gtest/gtest.h>
#include <gx.h>

#include <cstddef>
#include <cstdlib>
#include <string>
#include <utility>

namespace {

// Allocations counted while `tCounting` is set on the calling thread.
thread_local bool tCounting = false;
thread_local long tAllocations = 0;

void Count() {
    if (tCounting) ++tAllocations;
}

}  // namespace

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// The sanitizers own malloc; they call these hooks for every allocation and free (the
// runtime's interface, declared here as its header is not always installed).
extern "C" int __sanitizer_install_malloc_and_free_hooks(
    void (*onMalloc)(const volatile void*, size_t), void (*onFree)(const volatile void*));
namespace {
void OnMalloc(const volatile void*, size_t) {
    Count();
}
void OnFree(const volatile void*) {}
const int kHooksInstalled = __sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree);
}  // namespace
#else
// Every allocation of the process, operator new included, reaches one of these.
extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);

void* malloc(size_t size) {
    Count();
    return __libc_malloc(size);
}
void* calloc(size_t count, size_t size) {
    Count();
    return __libc_calloc(count, size);
}
void* realloc(void* block, size_t size) {
    Count();
    return __libc_realloc(block, size);
}
void* aligned_alloc(size_t alignment, size_t size) {
    Count();
    return __libc_memalign(alignment, size);
}
void* memalign(size_t alignment, size_t size) {
    Count();
    return __libc_memalign(alignment, size);
}
int posix_memalign(void** out, size_t alignment, size_t size) {
    Count();
    void* block = __libc_memalign(alignment, size);
    if (!block) return 12;  // ENOMEM
    *out = block;
    return 0;
}
}
#endif

namespace {

template <class T>
void Release(T* handle) {
    if (handle) GXObjectRelease(reinterpret_cast<GXOBase*>(handle));
}

struct Scene {
    GXBitmapRec_* bitmap = nullptr;
    GXRenderTargetRec_* target = nullptr;
    GXBrushRec_* solid = nullptr;
    GXBrushRec_* linear = nullptr;
    GXBrushRec_* radial = nullptr;
    GXGradientRec_* linearRamp = nullptr;
    GXGradientRec_* radialRamp = nullptr;

    Scene() {
        const GXBitmapDesc desc{256, 256, GXPixelFormatPARGB32, 96, 96};
        EXPECT_EQ(GXCreateBitmap(&desc, &bitmap), GXResultSuccess);
        EXPECT_EQ(GXCreateRenderTargetBitmap(bitmap, &target), GXResultSuccess);
        EXPECT_EQ(GXCreateBrushSolidARGB(0x80FF2000u, &solid), GXResultSuccess);
        const GXGradientStop stops[2] = {{0, 0xFFFF0000u}, {1, 0xFF0000FFu}};
        const GXLinearGradientDesc linearDesc{stops, 2, 0, 0, 256, 200, 1, 1, {0, 0}, 0};
        EXPECT_EQ(GXCreateGradientLinear(&linearDesc, &linearRamp), GXResultSuccess);
        EXPECT_EQ(GXCreateBrushGradient(linearRamp, 1.0f, nullptr, &linear), GXResultSuccess);
        const GXRadialGradientDesc radialDesc{stops, 2, 60, 50, 5, 120, 100, 150, 1, 1, {0, 0}, 0};
        EXPECT_EQ(GXCreateGradientRadial(&radialDesc, &radialRamp), GXResultSuccess);
        EXPECT_EQ(GXCreateBrushGradient(radialRamp, 0.75f, nullptr, &radial), GXResultSuccess);
    }
    ~Scene() {
        Release(radial);
        Release(linear);
        Release(radialRamp);
        Release(linearRamp);
        Release(solid);
        Release(target);
        Release(bitmap);
    }
};

enum class Shape { Rect, Ellipse, Line };

// Allocations per draw over `draws` draws of `shape`, after as many draws to warm up.
// Positions vary by fractions of a pixel, so the coverage differs from draw to draw.
double AllocationsPerDraw(Scene& scene, Shape shape, GXBrushRec_* brush) {
    constexpr int draws = 40;
    auto draw = [&](int i) {
        const float d = float(i % 7) * 0.37f;
        const GXRect rect{10.25f + d, 20.5f, 120.75f + d, 90.1f + d};
        const GXPoint from{12 + d, 30}, to{200.5f, 140.25f + d};
        GXResult result = GXResultSuccess;
        if (shape == Shape::Rect) result = GXRenderTargetFillRect(scene.target, &rect, brush);
        if (shape == Shape::Ellipse) result = GXRenderTargetFillEllipse(scene.target, &rect, brush);
        if (shape == Shape::Line)
            result = GXRenderTargetStrokeLine(scene.target, &from, &to, brush, 3.0f, nullptr);
        EXPECT_EQ(result, GXResultSuccess);
    };
    for (int i = 0; i < draws; ++i) draw(i);
    tAllocations = 0;
    tCounting = true;
    for (int i = 0; i < draws; ++i) draw(i);
    tCounting = false;
    return double(tAllocations) / draws;
}

TEST(SteadyStateHeapCalls, FillsAndStrokesMakeNone) {
    // The counter sees what the heap is asked for.
    tAllocations = 0;
    tCounting = true;
    void* volatile block = std::malloc(64);
    tCounting = false;
    std::free(block);
    ASSERT_EQ(tAllocations, 1);

    Scene scene;
    ASSERT_EQ(GXRenderTargetBeginPaint(scene.target), GXResultSuccess);
    const std::pair<GXBrushRec_*, const char*> brushes[] = {
        {scene.solid, "solid"}, {scene.linear, "linear"}, {scene.radial, "radial"}};
    for (int snap = 1; snap >= 0; --snap) {
        // With stroke adjustment a rectangle is filled as whole pixels; without, it is
        // scanned like any other shape.
        ASSERT_EQ(GXRenderTargetSetStrokeAdjustment(scene.target, snap), GXResultSuccess);
        for (const auto& [brush, name] : brushes)
            for (Shape shape : {Shape::Rect, Shape::Ellipse, Shape::Line})
                EXPECT_EQ(AllocationsPerDraw(scene, shape, brush), 0.0)
                    << "shape " << int(shape) << " brush " << name << " stroke adjustment "
                    << snap;
    }
    ASSERT_EQ(GXRenderTargetEndPaint(scene.target), GXResultSuccess);
}

}  // namespace
