// Pixel-format conversion of a 2048 x 2048 image, each routine beside a memcpy of the same
// number of source bytes in the same run. Bytes per second count source bytes read.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <random>

#include "graphics/core/processheap.h"
#include "graphics/bitmap/pixelconversion.h"
#include "graphics/bitmap/pixelformat.h"

namespace {

using namespace Graphics;

constexpr int32_t kSide = 2048;

// A source image of random pixels and a destination large enough for any format, both
// with 16-byte aligned rows as the pixel store has them.
struct Images {
    Images(GXPixelFormat from, GXPixelFormat to)
        : srcStride(int32_t((PixelFormat::GetRowBytes(from, kSide) + 15) / 16 * 16)),
          dstStride(int32_t((PixelFormat::GetRowBytes(to, kSide) + 15) / 16 * 16)),
          src(static_cast<uint8_t*>(ProcessHeap::AllocAligned(size_t(srcStride) * kSide))),
          dst(static_cast<uint8_t*>(ProcessHeap::AllocAligned(size_t(dstStride) * kSide))) {
        std::mt19937 random(7);
        auto* words = reinterpret_cast<uint32_t*>(src.get());
        for (size_t i = 0; i < size_t(srcStride) * kSide / 4; ++i) words[i] = random();
        std::memset(dst.get(), 0, size_t(dstStride) * kSide);
    }
    size_t SourceBytes() const { return size_t(srcStride) * kSide; }

    int32_t srcStride;       // bytes per source row
    int32_t dstStride;       // bytes per destination row
    HeapBlock<uint8_t> src;  // kSide rows of random pixels
    HeapBlock<uint8_t> dst;  // kSide rows
};

void Convert(benchmark::State& state, GXPixelFormat from, GXPixelFormat to) {
    Images images(from, to);
    RowConverter convert = PixelConversion::Get(from, to);
    for (auto _ : state) {
        for (int32_t row = 0; row < kSide; ++row)
            convert(images.src.get() + size_t(images.srcStride) * row,
                    images.dst.get() + size_t(images.dstStride) * row, kSide);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(images.SourceBytes()));
}

// The baseline: copying the same source bytes row by row.
void Memcpy(benchmark::State& state, GXPixelFormat from) {
    Images images(from, from);
    for (auto _ : state) {
        for (int32_t row = 0; row < kSide; ++row)
            std::memcpy(images.dst.get() + size_t(images.dstStride) * row,
                        images.src.get() + size_t(images.srcStride) * row,
                        size_t(images.srcStride));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(images.SourceBytes()));
}

BENCHMARK_CAPTURE(Memcpy, 32bpp_baseline, PixelFormat::ARGB32)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Convert, premultiply_ARGB32_to_PARGB32, PixelFormat::ARGB32, PixelFormat::PARGB32)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Convert, unpremultiply_PARGB32_to_ARGB32, PixelFormat::PARGB32,
                  PixelFormat::ARGB32)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Convert, alpha_ARGB32_to_A8, PixelFormat::ARGB32, PixelFormat::A8)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Convert, force_alpha_ARGB32_to_RGB32, PixelFormat::ARGB32, PixelFormat::RGB32)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Convert, gray_ARGB32_to_Gray8, PixelFormat::ARGB32, PixelFormat::Gray8)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Memcpy, 24bpp_baseline, PixelFormat::RGB24)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Convert, RGB24_to_PARGB32, PixelFormat::RGB24, PixelFormat::PARGB32)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Memcpy, 1bpp_baseline, PixelFormat::Gray1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Convert, expand_Gray1_to_PARGB32, PixelFormat::Gray1, PixelFormat::PARGB32)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Convert, expand_A1_to_PARGB32, PixelFormat::A1, PixelFormat::PARGB32)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
