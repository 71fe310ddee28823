#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "graphics/core/simdlevel.h"
#include "graphics/paint/gradientstopcollection.h"

namespace Graphics {

// The stop table of a gradient prepared for per-pixel lookup. Between two stops the colour
// depends on the parameter only through the mix weight 1..256, so each interval keeps the
// 256 finished pixels (mixed, premultiplied, opacity applied) once it is first used; a pixel
// then costs the weight's division and one load. Callers keep the interval of the previous
// pixel in a Cursor, so a parameter that moves smoothly rarely searches the table again.
// Results equal SwColorSource::ApplyOpacity(SwGradientColorSource::StopColor(...)) exactly.
class SwGradientStopTable {
public:
    // The interval a parameter fell in: where it is valid and what it paints.
    struct Cursor {
        float lower;  // the interval holds t with lower < t <= upper
        float upper;  // (the lower_bound convention: a stop's offset belongs below it)
        // 256 pixels by weight - 1, then padding to kColorsAllocated (so that vector lanes
        // may load eight entries from any index); null outside the stops.
        const uint32_t* colors;
        uint32_t color;  // the pixel when colors is null (before the first or past the last stop)
        // 1 / (upper - lower) where that width is a power of two: dividing by it and
        // multiplying by this round alike, so vector lanes may multiply. 0 otherwise.
        float reciprocal;
    };

    static constexpr size_t kColorsAllocated = 256 + 7;

    // `stops`: `count` searchable stops, offsets non-decreasing; they must outlive every
    // use of the table. Color() needs count >= 1. `opacityWeight`: 1..256.
    SwGradientStopTable(const GradientStop* stops, size_t count, uint32_t opacityWeight);

    // A cursor that holds no interval: the first Color() call searches.
    static Cursor EmptyCursor() { return Cursor{1.0f, 0.0f, nullptr, 0, 0.0f}; }

    // The pixel at t in 0..1, moving `cursor` to t's interval when t left it.
    uint32_t Color(float t, Cursor& cursor) {
        if (!(cursor.lower < t && t <= cursor.upper)) cursor = Locate(t);
        if (!cursor.colors) return cursor.color;
        // Infinite offsets can make the quotient NaN or leave 0..1; the comparisons keep
        // every such value away from the integer conversion.
        const float f = (cursor.upper - t) / (cursor.upper - cursor.lower);
        const uint32_t weight = f >= 1.0f  ? 256u
                                : f > 0.0f ? (uint32_t(f * 255.0f) & 0xFFu) + 1
                                           : 1u;
        return cursor.colors[weight - 1];
    }

    // The pixels for a span of parameters: `none` where t is -inf (nothing paints there),
    // `below` where t < 0 or NaN, `above` where t > 1, Color(t) otherwise. Several pixels
    // at a time in vector lanes while the lanes inside 0..1 share the cursor's interval;
    // the others take their constant colours by masks.
    void ColorSpan(const float* t, int32_t count, uint32_t none, uint32_t below, uint32_t above,
                   uint32_t* out, Cursor& cursor) {
        static const SpanProc span = kColorSpanForms.Active();
        (this->*span)(t, count, none, below, above, out, cursor);
    }
    // The same one pixel at a time: the scalar twin the vector forms are tested against.
    void ColorSpanScalar(const float* t, int32_t count, uint32_t none, uint32_t below,
                         uint32_t above, uint32_t* out, Cursor& cursor);
    // Four and eight pixels per step.
    void ColorSpanSSE2(const float* t, int32_t count, uint32_t none, uint32_t below, uint32_t above,
                       uint32_t* out, Cursor& cursor);
    void ColorSpanAVX2(const float* t, int32_t count, uint32_t none, uint32_t below, uint32_t above,
                       uint32_t* out, Cursor& cursor);
    using SpanProc = void (SwGradientStopTable::*)(const float* t, int32_t count, uint32_t none,
                                                   uint32_t below, uint32_t above, uint32_t* out,
                                                   Cursor& cursor);
    static const SimdKernel<SpanProc> kColorSpanForms;

    // ColorSpan for the parameters of an affine ramp: pixel i (0 .. count - 1) has
    // t = t0 + float(first + i) x dt, that product and sum rounded one at a time, and -inf
    // reads as below. t moves monotonically along the ramp, so the pixels fall in runs of
    // one interval (or one side of 0..1) whose ends a search finds; constant runs are
    // filled, the others made in vector lanes with no per-pixel checks.
    void ColorRamp(float t0, float dt, int32_t first, int32_t count, uint32_t below, uint32_t above,
                   uint32_t* out, Cursor& cursor) {
        static const RunProc run = kRunForms.Active();
        ColorRampWith(run, t0, dt, first, count, below, above, out, cursor);
    }
    // The same one pixel at a time: the scalar twin the runs are tested against.
    void ColorRampScalar(float t0, float dt, int32_t first, int32_t count, uint32_t below,
                         uint32_t above, uint32_t* out, Cursor& cursor);
    // The pixels of a run of the ramp whose every t lies in the cursor's interval, which
    // has colours and a finite width. One, four and eight pixels per step.
    void RunScalar(const Cursor& cursor, float t0, float dt, int32_t first, int32_t count,
                   uint32_t* out) const;
    void RunSSE2(const Cursor& cursor, float t0, float dt, int32_t first, int32_t count,
                 uint32_t* out) const;
    void RunAVX2(const Cursor& cursor, float t0, float dt, int32_t first, int32_t count,
                 uint32_t* out) const;
    using RunProc = void (SwGradientStopTable::*)(const Cursor& cursor, float t0, float dt,
                                                  int32_t first, int32_t count,
                                                  uint32_t* out) const;
    static const SimdKernel<RunProc> kRunForms;
    // ColorRamp with the given run form.
    void ColorRampWith(RunProc run, float t0, float dt, int32_t first, int32_t count,
                       uint32_t below, uint32_t above, uint32_t* out, Cursor& cursor);

private:
    // The interval of t, building its pixels on first use.
    Cursor Locate(float t);

    const GradientStop* stops_;  // the searchable stops, offsets non-decreasing
    size_t count_;               // 0 only for a table never asked for a colour
    uint32_t opacityWeight_;     // 1..256
    uint32_t firstColor_;        // the first stop's pixel with opacity
    uint32_t lastColor_;         // the last stop's pixel with opacity
    std::vector<std::unique_ptr<uint32_t[]>> intervals_;  // by upper stop index; null until used
};

}  // namespace Graphics
