#include "graphics/software/swgradientstoptable.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "graphics/software/swcolorsource.h"
#include "graphics/software/swpixel.h"

namespace Graphics {

namespace {

// The end of the run of pixels from `start` (inside(at(start)) holds) for which inside
// holds, before `count`: steps doubling until one lands outside, then halving. A run is
// contiguous because t moves monotonically and each class is an interval of t.
template <class At, class Inside>
int32_t RunEnd(const At& at, int32_t start, int32_t count, const Inside& inside) {
    int32_t known = start, beyond = count;  // inside at known; outside at beyond (or the end)
    for (int64_t step = 1;; step *= 2) {
        const int64_t probe = known + step;
        if (probe >= count) break;
        if (!inside(at(int32_t(probe)))) {
            beyond = int32_t(probe);
            break;
        }
        known = int32_t(probe);
    }
    while (beyond - known > 1) {
        const int32_t middle = known + (beyond - known) / 2;
        (inside(at(middle)) ? known : beyond) = middle;
    }
    return beyond;
}

// 1 / width where width is a power of two and its reciprocal is finite, so that a product
// by it rounds as the quotient does (both are the one real number, rounded once); 0
// otherwise.
float ExactReciprocal(float width) {
    int exponent = 0;
    if (!(width > 0.0f) || !std::isfinite(width) || std::frexp(width, &exponent) != 0.5f)
        return 0.0f;
    const float reciprocal = 1.0f / width;
    return std::isfinite(reciprocal) ? reciprocal : 0.0f;
}

// One pixel of ColorSpan.
uint32_t SpanColor(float t, uint32_t none, uint32_t below, uint32_t above,
                   SwGradientStopTable& table, SwGradientStopTable::Cursor& cursor) {
    return t == -std::numeric_limits<float>::infinity() ? none
           : !(t >= 0.0f)                               ? below
           : t > 1.0f                                   ? above
                                                        : table.Color(t, cursor);
}

}  // namespace

SwGradientStopTable::SwGradientStopTable(const GradientStop* stops, size_t count,
                                         uint32_t opacityWeight)
    : stops_(stops),
      count_(count),
      opacityWeight_(opacityWeight),
      firstColor_(count ? SwColorSource::ApplyOpacity(SwColorSource::Premultiply(stops[0].argb),
                                                      opacityWeight)
                        : 0),
      lastColor_(count ? SwColorSource::ApplyOpacity(
                             SwColorSource::Premultiply(stops[count - 1].argb), opacityWeight)
                       : 0),
      intervals_(count) {}

const SimdKernel<SwGradientStopTable::SpanProc> SwGradientStopTable::kColorSpanForms{
    &SwGradientStopTable::ColorSpanScalar, GX_SSE2_FORM(SwGradientStopTable::ColorSpanSSE2),
    GX_AVX2_FORM(SwGradientStopTable::ColorSpanAVX2)};

const SimdKernel<SwGradientStopTable::RunProc> SwGradientStopTable::kRunForms{
    &SwGradientStopTable::RunScalar, GX_SSE2_FORM(SwGradientStopTable::RunSSE2),
    GX_AVX2_FORM(SwGradientStopTable::RunAVX2)};

void SwGradientStopTable::ColorSpanScalar(const float* t, int32_t count, uint32_t none,
                                          uint32_t below, uint32_t above, uint32_t* out,
                                          Cursor& cursor) {
    for (int32_t i = 0; i < count; ++i) out[i] = SpanColor(t[i], none, below, above, *this, cursor);
}

void SwGradientStopTable::ColorRampScalar(float t0, float dt, int32_t first, int32_t count,
                                          uint32_t below, uint32_t above, uint32_t* out,
                                          Cursor& cursor) {
    for (int32_t i = 0; i < count; ++i)
        out[i] = SpanColor(t0 + float(first + i) * dt, below, below, above, *this, cursor);
}

void SwGradientStopTable::RunScalar(const Cursor& cursor, float t0, float dt, int32_t first,
                                    int32_t count, uint32_t* out) const {
    // Inside the interval, with finite ends, 0 <= f <= 1: the weight needs no clamps.
    const float width = cursor.upper - cursor.lower;
    for (int32_t i = 0; i < count; ++i) {
        const float f = (cursor.upper - (t0 + float(first + i) * dt)) / width;
        out[i] = cursor.colors[uint32_t(f * 255.0f)];
    }
}

void SwGradientStopTable::ColorRampWith(RunProc run, float t0, float dt, int32_t first,
                                        int32_t count, uint32_t below, uint32_t above,
                                        uint32_t* out, Cursor& cursor) {
    if (count <= 0) return;
    // A finite start and finite products keep t from NaN and monotonic; past that, one
    // pixel at a time. |float(k) x dt| is largest at one end of the span.
    if (!std::isfinite(t0) || !std::isfinite(float(first) * dt) ||
        !std::isfinite(float(first + count - 1) * dt)) {
        ColorRampScalar(t0, dt, first, count, below, above, out, cursor);
        return;
    }
    const auto at = [&](int32_t i) { return t0 + float(first + i) * dt; };
    for (int32_t i = 0, end = 0; i < count; i = end) {
        const float t = at(i);
        if (!(t >= 0.0f)) {
            end = RunEnd(at, i, count, [](float v) { return v < 0.0f; });
            std::fill(out + i, out + end, below);
        } else if (t > 1.0f) {
            end = RunEnd(at, i, count, [](float v) { return v > 1.0f; });
            std::fill(out + i, out + end, above);
        } else {
            if (!(cursor.lower < t && t <= cursor.upper)) cursor = Locate(t);
            const Cursor interval = cursor;
            end = RunEnd(at, i, count, [&](float v) {
                return v >= 0.0f && v <= 1.0f && interval.lower < v && v <= interval.upper;
            });
            if (!interval.colors) {
                std::fill(out + i, out + end, interval.color);
            } else if (std::isfinite(interval.upper - interval.lower)) {
                (this->*run)(interval, t0, dt, first + i, end - i, out + i);
            } else {
                for (int32_t k = i; k < end; ++k) out[k] = Color(at(k), cursor);
            }
        }
    }
}

SwGradientStopTable::Cursor SwGradientStopTable::Locate(float t) {
    constexpr float kInfinity = std::numeric_limits<float>::infinity();
    const GradientStop* end = stops_ + count_;
    const GradientStop* upper = std::lower_bound(
        stops_, end, t, [](const GradientStop& stop, float value) { return stop.offset < value; });
    if (upper == end) return Cursor{end[-1].offset, kInfinity, nullptr, lastColor_, 0.0f};
    if (upper == stops_) return Cursor{-kInfinity, upper->offset, nullptr, firstColor_, 0.0f};
    // An exact match on the upper stop gives weight 1, which is that stop's colour, so it
    // needs no case of its own.
    const size_t index = size_t(upper - stops_);
    std::unique_ptr<uint32_t[]>& colors = intervals_[index];
    if (!colors) {
        colors = std::make_unique<uint32_t[]>(kColorsAllocated);
        for (uint32_t weight = 1; weight <= 256; ++weight)
            colors[weight - 1] = SwColorSource::ApplyOpacity(
                SwColorSource::Premultiply(SwMix(upper->argb, upper[-1].argb, weight)),
                opacityWeight_);
    }
    return Cursor{upper[-1].offset, upper->offset, colors.get(), 0,
                  ExactReciprocal(upper->offset - upper[-1].offset)};
}

}  // namespace Graphics
