#include <emmintrin.h>

#include "graphics/software/swgradientstoptable.h"

namespace Graphics {

namespace {

// The pixels that take no lookup, one register each.
struct ConstantPixels {
    __m128i none;
    __m128i below;
    __m128i above;
};

// (upper - t) / (upper - lower), as a product where the cursor allows.
__m128 Fraction(__m128 ts, const SwGradientStopTable::Cursor& cursor) {
    const __m128 distance = _mm_sub_ps(_mm_set1_ps(cursor.upper), ts);
    return cursor.reciprocal != 0.0f
               ? _mm_mul_ps(distance, _mm_set1_ps(cursor.reciprocal))
               : _mm_div_ps(distance, _mm_set1_ps(cursor.upper - cursor.lower));
}

// colors[index] for four lanes.
__m128i Fetch(__m128i index, const uint32_t* colors) {
    alignas(16) int32_t indices[4];
    alignas(16) uint32_t pixels[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(indices), index);
    for (int32_t k = 0; k < 4; ++k) pixels[k] = colors[indices[k]];
    return _mm_load_si128(reinterpret_cast<const __m128i*>(pixels));
}

__m128i Select(__m128 mask, __m128i chosen, __m128i other) {
    const __m128i bits = _mm_castps_si128(mask);
    return _mm_or_si128(_mm_and_si128(bits, chosen), _mm_andnot_si128(bits, other));
}

// ColorSpan's choice for four parameters, stored to `out`, when every lane inside 0..1
// lies in the cursor's interval; false, with nothing stored, otherwise. The weights take
// Color's division, product and truncation lane by lane, then four loads.
bool ColorLanes(__m128 ts, const SwGradientStopTable::Cursor& cursor,
                const ConstantPixels& constants, uint32_t* out) {
    const __m128 zero = _mm_setzero_ps(), one = _mm_set1_ps(1.0f);
    const __m128 lower = _mm_set1_ps(cursor.lower), upper = _mm_set1_ps(cursor.upper);
    const __m128 inRange = _mm_and_ps(_mm_cmpge_ps(ts, zero), _mm_cmple_ps(ts, one));
    const __m128 inside =
        _mm_and_ps(inRange, _mm_and_ps(_mm_cmpgt_ps(ts, lower), _mm_cmple_ps(ts, upper)));
    const int rangeLanes = _mm_movemask_ps(inRange);
    if (_mm_movemask_ps(inside) != rangeLanes) return false;
    __m128i pixels = constants.above;
    if (rangeLanes != 0 && cursor.colors) {
        const __m128 f = Fraction(ts, cursor);
        // f >= 1: 256; f > 0: (int(f x 255) & 0xFF) + 1; otherwise (NaN too) 1.
        const __m128i truncated = _mm_and_si128(
            _mm_cvttps_epi32(_mm_mul_ps(f, _mm_set1_ps(255.0f))), _mm_set1_epi32(0xFF));
        const __m128i index =
            Select(_mm_cmpge_ps(f, one), _mm_set1_epi32(255),  // weight - 1
                   _mm_and_si128(truncated, _mm_castps_si128(_mm_cmpgt_ps(f, zero))));
        pixels = Fetch(index, cursor.colors);
    } else if (rangeLanes != 0) {
        pixels = _mm_set1_epi32(int32_t(cursor.color));
    }
    if (rangeLanes != 0xF) {
        // Chosen in reverse order of precedence: -inf before t < 0 (or NaN) before t > 1.
        pixels = Select(_mm_cmpgt_ps(ts, one), constants.above, pixels);
        pixels = Select(_mm_cmpnge_ps(ts, zero), constants.below, pixels);
        pixels =
            Select(_mm_cmpeq_ps(ts, _mm_set1_ps(-__builtin_huge_valf())), constants.none, pixels);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), pixels);
    return true;
}

}  // namespace

// Four parameters at a time. A group with a lane in 0..1 outside the cursor's interval goes
// through the scalar twin, which moves the cursor.
void SwGradientStopTable::ColorSpanSSE2(const float* t, int32_t count, uint32_t none,
                                        uint32_t below, uint32_t above, uint32_t* out,
                                        Cursor& cursor) {
    const ConstantPixels constants{_mm_set1_epi32(int32_t(none)), _mm_set1_epi32(int32_t(below)),
                                   _mm_set1_epi32(int32_t(above))};
    int32_t i = 0;
    for (; i + 4 <= count; i += 4)
        if (!ColorLanes(_mm_loadu_ps(t + i), cursor, constants, out + i))
            ColorSpanScalar(t + i, 4, none, below, above, out + i, cursor);
    ColorSpanScalar(t + i, count - i, none, below, above, out + i, cursor);
}

// RunScalar four pixels at a time, operation for operation.
void SwGradientStopTable::RunSSE2(const Cursor& cursor, float t0, float dt, int32_t first,
                                  int32_t count, uint32_t* out) const {
    const __m128 start = _mm_set1_ps(t0), step = _mm_set1_ps(dt);
    const __m128 scale = _mm_set1_ps(255.0f);
    int32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m128 pixel =
            _mm_cvtepi32_ps(_mm_add_epi32(_mm_set1_epi32(first + i), _mm_setr_epi32(0, 1, 2, 3)));
        const __m128 ts = _mm_add_ps(start, _mm_mul_ps(pixel, step));
        _mm_storeu_si128(
            reinterpret_cast<__m128i*>(out + i),
            Fetch(_mm_cvttps_epi32(_mm_mul_ps(Fraction(ts, cursor), scale)), cursor.colors));
    }
    RunScalar(cursor, t0, dt, first + i, count - i, out + i);
}

}  // namespace Graphics
