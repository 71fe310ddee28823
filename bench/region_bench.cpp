// Region arithmetic on two regions of 1,000 random rectangles each, libgx beside pixman's
// 32-bit regions on the same pixel sets.
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <random>
#include <vector>

#include "graphics/region/region.h"

namespace {

using Graphics::Region;

constexpr int kRects = 1000;

// Scenes: rectangles of up to `maxSize` pixels scattered over a square of `extent`.
struct Scene {
    int extent;   // side of the square the rectangles lie in, in pixels
    int maxSize;  // largest rectangle side, in pixels
};
constexpr Scene kScenes[] = {{1000, 200}, {4000, 40}};

std::vector<GXIntRect> RandomRects(const Scene& scene, uint32_t seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> pos(0, scene.extent - scene.maxSize);
    std::uniform_int_distribution<int> size(1, scene.maxSize);
    std::vector<GXIntRect> rects(kRects);
    for (GXIntRect& r : rects) {
        r.left = pos(rng);
        r.top = pos(rng);
        r.right = r.left + size(rng);
        r.bottom = r.top + size(rng);
    }
    return rects;
}

// The union of rects[first, last), halving the work so that setup stays quick.
Region UnionOf(const std::vector<GXIntRect>& rects, size_t first, size_t last) {
    if (last - first == 1) return Region(rects[first]);
    const size_t middle = (first + last) / 2;
    return Region::Oper(UnionOf(rects, first, middle), UnionOf(rects, middle, last),
                        GXCombineUnion);
}

// Both libraries' versions of the scene's two operands.
struct Operands {
    explicit Operands(const Scene& scene) {
        const std::vector<GXIntRect> ra = RandomRects(scene, 1), rb = RandomRects(scene, 2);
        a = UnionOf(ra, 0, ra.size());
        b = UnionOf(rb, 0, rb.size());
        Init(&pa, ra);
        Init(&pb, rb);
    }
    ~Operands() {
        pixman_region32_fini(&pa);
        pixman_region32_fini(&pb);
    }
    static void Init(pixman_region32_t* region, const std::vector<GXIntRect>& rects) {
        std::vector<pixman_box32_t> boxes;
        for (const GXIntRect& r : rects) boxes.push_back({r.left, r.top, r.right, r.bottom});
        pixman_region32_init_rects(region, boxes.data(), int(boxes.size()));
    }
    // Both libraries describe the same pixels with the same number of rectangles.
    bool Agree() const {
        int count = 0;
        pixman_region32_rectangles(const_cast<pixman_region32_t*>(&pa), &count);
        return size_t(count) == a.Rects().size();
    }

    Region a, b;
    pixman_region32_t pa, pb;
};

const Operands& OperandsFor(int scene) {
    static const Operands operands[] = {Operands(kScenes[0]), Operands(kScenes[1])};
    return operands[scene];
}

void Gx(benchmark::State& state, int op) {
    const Operands& o = OperandsFor(int(state.range(0)));
    if (!o.Agree()) state.SkipWithError("the libraries disagree on the operands");
    size_t rects = 0;
    for (auto _ : state) {
        Region r = Region::Oper(o.a, o.b, op);
        benchmark::DoNotOptimize(r);
        rects = r.Runs() ? size_t(r.Runs()->Count()) : 0;
    }
    state.counters["runs"] = double(rects);
}

using PixmanOp = pixman_bool_t (*)(pixman_region32_t*, const pixman_region32_t*,
                                   const pixman_region32_t*);

void Pixman(benchmark::State& state, PixmanOp op) {
    const Operands& o = OperandsFor(int(state.range(0)));
    int boxes = 0;
    for (auto _ : state) {
        pixman_region32_t r;
        pixman_region32_init(&r);
        op(&r, &o.pa, &o.pb);
        boxes = pixman_region32_n_rects(&r);
        benchmark::DoNotOptimize(r);
        pixman_region32_fini(&r);
    }
    state.counters["boxes"] = boxes;
}

BENCHMARK_CAPTURE(Gx, Union, GXCombineUnion)->ArgName("scene")->Arg(0)->Arg(1);
BENCHMARK_CAPTURE(Pixman, Union, pixman_region32_union)->ArgName("scene")->Arg(0)->Arg(1);
BENCHMARK_CAPTURE(Gx, Intersect, GXCombineIntersect)->ArgName("scene")->Arg(0)->Arg(1);
BENCHMARK_CAPTURE(Pixman, Intersect, pixman_region32_intersect)->ArgName("scene")->Arg(0)->Arg(1);
BENCHMARK_CAPTURE(Gx, Difference, GXCombineDifference)->ArgName("scene")->Arg(0)->Arg(1);
BENCHMARK_CAPTURE(Pixman, Difference, pixman_region32_subtract)->ArgName("scene")->Arg(0)->Arg(1);

}  // namespace

BENCHMARK_MAIN();
