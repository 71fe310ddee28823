#include <immintrin.h>

#include "graphics/software/swgradientstoptable.h"

namespace Graphics {

namespace {

// The pixels that take no lookup, one register each.
struct ConstantPixels {
    __m256i none;
    __m256i below;
    __m256i above;
};

// (upper - t) / (upper - lower), as a product where the cursor allows.
[[gnu::always_inline]] inline __m256 Fraction(__m256 ts, const SwGradientStopTable::Cursor& cursor) {
    const __m256 distance = _mm256_sub_ps(_mm256_set1_ps(cursor.upper), ts);
    return cursor.reciprocal != 0.0f
               ? _mm256_mul_ps(distance, _mm256_set1_ps(cursor.reciprocal))
               : _mm256_div_ps(distance, _mm256_set1_ps(cursor.upper - cursor.lower));
}

// colors[index] in eight lanes, `least` holding the smallest index in every lane (lanes
// outside `counted` may read anything). Neighbouring pixels take nearby weights, so where
// the counted indices fit in eight consecutive entries one load and a lane permutation
// stand in for the gather.
[[gnu::always_inline]] inline __m256i Fetch(__m256i index, __m256i least, __m256i counted,
                                            const uint32_t* colors) {
    const __m256i base = _mm256_min_epu32(least, _mm256_set1_epi32(256 - 8));
    const __m256i offset = _mm256_sub_epi32(index, base);
    const __m256i beyond =
        _mm256_and_si256(_mm256_cmpgt_epi32(offset, _mm256_set1_epi32(7)), counted);
    if (_mm256_testz_si256(beyond, beyond)) {
        const __m256i window = _mm256_loadu_si256(
            reinterpret_cast<const __m256i*>(colors + _mm256_cvtsi256_si32(base)));
        return _mm256_permutevar8x32_epi32(window, offset);
    }
    return _mm256_i32gather_epi32(reinterpret_cast<const int*>(colors), index, 4);
}

// Color's weight and lookup for the lanes in `inRange`, all inside the cursor's interval.
[[gnu::always_inline]] inline __m256i LookUp(__m256 ts, __m256 inRange,
                                             const SwGradientStopTable::Cursor& cursor) {
    const __m256 zero = _mm256_setzero_ps(), one = _mm256_set1_ps(1.0f);
    const __m256 f = Fraction(ts, cursor);
    // f >= 1: 256; f > 0: (int(f x 255) & 0xFF) + 1; otherwise (NaN too) 1.
    const __m256i truncated =
        _mm256_and_si256(_mm256_cvttps_epi32(_mm256_mul_ps(f, _mm256_set1_ps(255.0f))),
                         _mm256_set1_epi32(0xFF));
    const __m256i positive = _mm256_castps_si256(_mm256_cmp_ps(f, zero, _CMP_GT_OQ));
    const __m256i full = _mm256_castps_si256(_mm256_cmp_ps(f, one, _CMP_GE_OQ));
    const __m256i index = _mm256_blendv_epi8(_mm256_and_si256(truncated, positive),
                                             _mm256_set1_epi32(255), full);  // weight - 1
    const __m256i counted = _mm256_castps_si256(inRange);
    __m256i least = _mm256_or_si256(index, _mm256_andnot_si256(counted, _mm256_set1_epi32(255)));
    least = _mm256_min_epu32(least, _mm256_permute2x128_si256(least, least, 1));
    least = _mm256_min_epu32(least, _mm256_shuffle_epi32(least, _MM_SHUFFLE(1, 0, 3, 2)));
    least = _mm256_min_epu32(least, _mm256_shuffle_epi32(least, _MM_SHUFFLE(2, 3, 0, 1)));
    return Fetch(index, least, counted, cursor.colors);
}

// ColorSpan's choice for eight parameters, stored to `out`, when every lane inside 0..1
// lies in the cursor's interval; false, with nothing stored, otherwise.
[[gnu::always_inline]] inline bool ColorLanes(__m256 ts, const SwGradientStopTable::Cursor& cursor,
                const ConstantPixels& constants, uint32_t* out) {
    const __m256 zero = _mm256_setzero_ps(), one = _mm256_set1_ps(1.0f);
    const __m256 lower = _mm256_set1_ps(cursor.lower), upper = _mm256_set1_ps(cursor.upper);
    const __m256 inRange =
        _mm256_and_ps(_mm256_cmp_ps(ts, zero, _CMP_GE_OQ), _mm256_cmp_ps(ts, one, _CMP_LE_OQ));
    const __m256 inside = _mm256_and_ps(
        inRange,
        _mm256_and_ps(_mm256_cmp_ps(ts, lower, _CMP_GT_OQ), _mm256_cmp_ps(ts, upper, _CMP_LE_OQ)));
    const int rangeLanes = _mm256_movemask_ps(inRange);
    if (_mm256_movemask_ps(inside) != rangeLanes) return false;
    __m256i pixels = constants.above;
    if (rangeLanes != 0)
        pixels = cursor.colors ? LookUp(ts, inRange, cursor)
                               : _mm256_set1_epi32(int32_t(cursor.color));
    if (rangeLanes != 0xFF) {
        // Blended in reverse order of precedence: -inf before t < 0 (or NaN) before t > 1.
        const __m256 above = _mm256_cmp_ps(ts, one, _CMP_GT_OQ);
        const __m256 below = _mm256_cmp_ps(ts, zero, _CMP_NGE_UQ);
        const __m256 none = _mm256_cmp_ps(ts, _mm256_set1_ps(-__builtin_huge_valf()), _CMP_EQ_OQ);
        pixels = _mm256_blendv_epi8(pixels, constants.above, _mm256_castps_si256(above));
        pixels = _mm256_blendv_epi8(pixels, constants.below, _mm256_castps_si256(below));
        pixels = _mm256_blendv_epi8(pixels, constants.none, _mm256_castps_si256(none));
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), pixels);
    return true;
}

}  // namespace

// ColorSpanSSE2 eight parameters at a time. A group with a lane in 0..1 outside the
// cursor's interval goes through the scalar twin, which moves the cursor.
void SwGradientStopTable::ColorSpanAVX2(const float* t, int32_t count, uint32_t none,
                                        uint32_t below, uint32_t above, uint32_t* out,
                                        Cursor& cursor) {
    const ConstantPixels constants{_mm256_set1_epi32(int32_t(none)),
                                   _mm256_set1_epi32(int32_t(below)),
                                   _mm256_set1_epi32(int32_t(above))};
    int32_t i = 0;
    for (; i + 8 <= count; i += 8)
        if (!ColorLanes(_mm256_loadu_ps(t + i), cursor, constants, out + i))
            ColorSpanScalar(t + i, 8, none, below, above, out + i, cursor);
    ColorSpanSSE2(t + i, count - i, none, below, above, out + i, cursor);
}

// RunSSE2 eight pixels at a time. t, and so the weight, moves monotonically across the
// lanes: the smallest index is at one end.
void SwGradientStopTable::RunAVX2(const Cursor& cursor, float t0, float dt, int32_t first,
                                  int32_t count, uint32_t* out) const {
    const __m256 start = _mm256_set1_ps(t0), step = _mm256_set1_ps(dt);
    const __m256 scale = _mm256_set1_ps(255.0f);
    const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256i firstLane = _mm256_setzero_si256(), lastLane = _mm256_set1_epi32(7);
    const __m256i all = _mm256_set1_epi32(-1);
    int32_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m256 pixel =
            _mm256_cvtepi32_ps(_mm256_add_epi32(_mm256_set1_epi32(first + i), lanes));
        const __m256 ts = _mm256_add_ps(start, _mm256_mul_ps(pixel, step));
        const __m256i index = _mm256_cvttps_epi32(_mm256_mul_ps(Fraction(ts, cursor), scale));
        const __m256i least =
            _mm256_min_epu32(_mm256_permutevar8x32_epi32(index, firstLane),
                             _mm256_permutevar8x32_epi32(index, lastLane));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i),
                            Fetch(index, least, all, cursor.colors));
    }
    RunSSE2(cursor, t0, dt, first + i, count - i, out + i);
}

}  // namespace Graphics
