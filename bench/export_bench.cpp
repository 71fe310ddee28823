// The cost of the export boundary: the cheapest export (a plain read behind the null and
// handle-kind checks) beside the same read straight from the record, and a path built
// through the exports beside the same path built on the implementation.
#include <benchmark/benchmark.h>

#include "graphics/api/handlerecord.h"
#include "graphics/geometry/geometry.h"

namespace {

using namespace Graphics;

GXGeometryRec_* NewHandle() {
    GXGeometryRec_* handle = nullptr;
    GXCreateGeometry(&handle);
    return handle;
}

void BM_ExportGetFillRule(benchmark::State& state) {
    GXGeometryRec_* handle = NewHandle();
    int32_t rule = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(GXGeometryGetFillRule(handle, &rule));
        benchmark::DoNotOptimize(rule);
    }
    GXObjectRelease(GX_HANDLE(handle));
}
BENCHMARK(BM_ExportGetFillRule);

void BM_RecordGetFillRule(benchmark::State& state) {
    GXGeometryRec_* handle = NewHandle();
    int32_t rule = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(handle);
        rule = handle->impl->FillRule();
        benchmark::DoNotOptimize(rule);
    }
    GXObjectRelease(GX_HANDLE(handle));
}
BENCHMARK(BM_RecordGetFillRule);

constexpr int kPoints = 100000;

void BM_ExportLineTo(benchmark::State& state) {
    for (auto _ : state) {
        GXGeometryRec_* handle = NewHandle();
        GXPoint p{0, 0};
        GXGeometryBeginFigure(handle, &p);
        for (int i = 0; i < kPoints; ++i) {
            p = GXPoint{float(i & 1023), float(i >> 10)};
            GXGeometryLineTo(handle, &p);
        }
        GXGeometryEndFigure(handle);
        GXObjectRelease(GX_HANDLE(handle));
    }
}
BENCHMARK(BM_ExportLineTo)->Unit(benchmark::kMillisecond);

void BM_ImplLineTo(benchmark::State& state) {
    for (auto _ : state) {
        Geometry geometry;
        geometry.BeginFigure({0, 0});
        for (int i = 0; i < kPoints; ++i) geometry.LineTo({float(i & 1023), float(i >> 10)});
        geometry.EndFigure();
        benchmark::DoNotOptimize(geometry.IsEmpty());
    }
}
BENCHMARK(BM_ImplLineTo)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
