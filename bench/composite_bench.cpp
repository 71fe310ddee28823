// Span compositing, libgx's compositors beside pixman in the same run: a 512 x 512
// premultiplied source through an 8-bit shape onto a PARGB32 target, Normal (the SSE2
// source-over row) against pixman's OVER, and Multiply (the general blend compositor)
// against pixman's MULTIPLY, both with an A8 mask.
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cstdint>
#include <random>
#include <vector>

#include "graphics/software/swbasiccompositenormalsse2op.h"
#include "graphics/software/swbasiccompositeop.h"
#include "graphics/software/swblend.h"

using namespace Graphics;

namespace {

constexpr int kSize = 512;

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

BENCHMARK(BM_CompositeNormal_Gx);
BENCHMARK(BM_CompositeNormal_Pixman);
BENCHMARK(BM_CompositeMultiply_Gx);
BENCHMARK(BM_CompositeMultiply_Pixman);
BENCHMARK_MAIN();
