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

// A cursor's interval in lanes, set up once for the groups that stay in it.
struct IntervalLanes {
    explicit IntervalLanes(const SwGradientStopTable::Cursor& cursor)
        : lower(_mm256_set1_ps(cursor.lower)),
          upper(_mm256_set1_ps(cursor.upper)),
          factor(_mm256_set1_ps(cursor.reciprocal != 0.0f ? cursor.reciprocal
                                                          : cursor.upper - cursor.lower)),
          color(_mm256_set1_epi32(int32_t(cursor.color))),
          colors(cursor.colors),
          multiply(cursor.reciprocal != 0.0f),
          bounded(__builtin_isfinite(cursor.upper - cursor.lower)) {}

    // Color's f = (upper - t) / (upper - lower), as a product where that rounds alike;
    // `kMultiply` is `multiply`, fixed for the loop.
    template <bool kMultiply>
    __m256 Fraction(__m256 ts) const {
        const __m256 distance = _mm256_sub_ps(upper, ts);
        if constexpr (kMultiply)
            return _mm256_mul_ps(distance, factor);
        else
            return _mm256_div_ps(distance, factor);
    }

    __m256 lower, upper;
    __m256 factor;  // the reciprocal of the width, or the width
    __m256i color;  // the pixel when colors is null
    const uint32_t* colors;
    bool multiply;  // factor is the reciprocal
    // Finite ends: every t inside the interval has 0 <= f <= 1, and its weight - 1 is
    // int(f x 255) with no clamps.
    bool bounded;
};

// colors[index] in eight lanes, `least` holding the smallest index of the lanes that
// count in every lane; lanes in `ignored` may hold any index and read anything.
// Neighbouring pixels take nearby weights, so where the counted indices fit in eight
// consecutive entries one load (the table is padded for it) and a lane permutation stand
// in for the gather.
[[gnu::always_inline]] inline __m256i Fetch(__m256i index, __m256i least, __m256i ignored,
                                            const uint32_t* colors) {
    const __m256i offset = _mm256_sub_epi32(index, least);
    const __m256i beyond = _mm256_andnot_si256(ignored, _mm256_srli_epi32(offset, 3));
    if (_mm256_testz_si256(beyond, beyond)) {
        const __m256i window = _mm256_loadu_si256(
            reinterpret_cast<const __m256i*>(colors + _mm256_cvtsi256_si32(least)));
        return _mm256_permutevar8x32_epi32(window, offset);
    }
    return _mm256_i32gather_epi32(reinterpret_cast<const int*>(colors),
                                  _mm256_andnot_si256(ignored, index), 4);
}

// Color's weight and lookup for the lanes not `ignored`, all inside the interval;
// `kMultiply` and `kBounded` are the interval's flags, fixed for the loop.
template <bool kMultiply, bool kBounded>
[[gnu::always_inline]] inline __m256i LookUp(__m256 ts, __m256i ignored,
                                             const IntervalLanes& interval) {
    const __m256 f = interval.Fraction<kMultiply>(ts);
    const __m256i truncated = _mm256_cvttps_epi32(_mm256_mul_ps(f, _mm256_set1_ps(255.0f)));
    __m256i index;  // weight - 1
    if constexpr (kBounded) {
        index = truncated;
    } else {
        // f >= 1: 256; f > 0: (int(f x 255) & 0xFF) + 1; otherwise (NaN too) 1.
        const __m256i positive =
            _mm256_castps_si256(_mm256_cmp_ps(f, _mm256_setzero_ps(), _CMP_GT_OQ));
        const __m256i full =
            _mm256_castps_si256(_mm256_cmp_ps(f, _mm256_set1_ps(1.0f), _CMP_GE_OQ));
        index = _mm256_blendv_epi8(
            _mm256_and_si256(_mm256_and_si256(truncated, _mm256_set1_epi32(0xFF)), positive),
            _mm256_set1_epi32(255), full);
    }
    // Ignored lanes read as the largest unsigned value, so they never hold the least.
    __m256i least = _mm256_or_si256(index, ignored);
    least = _mm256_min_epu32(least, _mm256_permute2x128_si256(least, least, 1));
    least = _mm256_min_epu32(least, _mm256_shuffle_epi32(least, _MM_SHUFFLE(1, 0, 3, 2)));
    least = _mm256_min_epu32(least, _mm256_shuffle_epi32(least, _MM_SHUFFLE(2, 3, 0, 1)));
    return Fetch(index, least, ignored, interval.colors);
}

// ColorSpan's choice for eight parameters, stored to `out`, when every lane inside 0..1
// lies in the interval; false, with nothing stored, otherwise.
template <bool kMultiply, bool kBounded>
[[gnu::always_inline]] inline bool ColorLanes(__m256 ts, const IntervalLanes& interval,
                                              const ConstantPixels& constants, uint32_t* out) {
    const __m256 zero = _mm256_setzero_ps(), one = _mm256_set1_ps(1.0f);
    const __m256 below = _mm256_cmp_ps(ts, zero, _CMP_NGE_UQ);  // t < 0 or NaN
    const __m256 above = _mm256_cmp_ps(ts, one, _CMP_GT_OQ);
    const __m256 outside = _mm256_or_ps(below, above);
    const __m256 inside = _mm256_and_ps(_mm256_cmp_ps(ts, interval.lower, _CMP_GT_OQ),
                                        _mm256_cmp_ps(ts, interval.upper, _CMP_LE_OQ));
    if (_mm256_movemask_ps(_mm256_or_ps(inside, outside)) != 0xFF) return false;
    const int outsideLanes = _mm256_movemask_ps(outside);
    __m256i pixels = constants.above;
    if (outsideLanes != 0xFF)
        pixels = interval.colors
                     ? LookUp<kMultiply, kBounded>(ts, _mm256_castps_si256(outside), interval)
                     : interval.color;
    if (outsideLanes != 0) {
        // Blended in reverse order of precedence: -inf before t < 0 (or NaN) before t > 1.
        const __m256 none = _mm256_cmp_ps(ts, _mm256_set1_ps(-__builtin_huge_valf()), _CMP_EQ_OQ);
        pixels = _mm256_blendv_epi8(pixels, constants.above, _mm256_castps_si256(above));
        pixels = _mm256_blendv_epi8(pixels, constants.below, _mm256_castps_si256(below));
        pixels = _mm256_blendv_epi8(pixels, constants.none, _mm256_castps_si256(none));
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), pixels);
    return true;
}

// ColorLanes for the groups from pixel i while they stay in the interval; the pixel it
// stopped at.
template <bool kMultiply, bool kBounded>
int32_t ColorGroups(const float* t, int32_t i, int32_t count, const IntervalLanes& interval,
                    const ConstantPixels& constants, uint32_t* out) {
    for (; i + 8 <= count; i += 8)
        if (!ColorLanes<kMultiply, kBounded>(_mm256_loadu_ps(t + i), interval, constants, out + i))
            break;
    return i;
}

// RunSSE2's groups of eight, with the interval's `multiply` fixed.
template <bool kMultiply>
void RunGroups(const IntervalLanes& interval, float t0, float dt, int32_t first, int32_t count,
               uint32_t* out) {
    const __m256 start = _mm256_set1_ps(t0), step = _mm256_set1_ps(dt);
    const __m256 scale = _mm256_set1_ps(255.0f);
    // t, and so the weight, moves monotonically across the lanes, so the smallest index is
    // at the end that t rises towards.
    const __m256i leastLane = _mm256_set1_epi32(dt > 0.0f ? 7 : 0);
    __m256i pixel =
        _mm256_add_epi32(_mm256_set1_epi32(first), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
    for (int32_t i = 0; i < count; i += 8) {
        const __m256 ts = _mm256_add_ps(start, _mm256_mul_ps(_mm256_cvtepi32_ps(pixel), step));
        pixel = _mm256_add_epi32(pixel, _mm256_set1_epi32(8));
        const __m256i index =
            _mm256_cvttps_epi32(_mm256_mul_ps(interval.Fraction<kMultiply>(ts), scale));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i),
                            Fetch(index, _mm256_permutevar8x32_epi32(index, leastLane),
                                  _mm256_setzero_si256(), interval.colors));
    }
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
    while (i + 8 <= count) {
        const IntervalLanes interval(cursor);
        using Groups = int32_t (*)(const float*, int32_t, int32_t, const IntervalLanes&,
                                   const ConstantPixels&, uint32_t*);
        static constexpr Groups kGroups[] = {ColorGroups<false, false>, ColorGroups<false, true>,
                                             ColorGroups<true, false>, ColorGroups<true, true>};
        i = kGroups[interval.multiply * 2 + interval.bounded](t, i, count, interval, constants,
                                                              out);
        if (i + 8 > count) break;
        ColorSpanScalar(t + i, 8, none, below, above, out + i, cursor);
        i += 8;
    }
    ColorSpanSSE2(t + i, count - i, none, below, above, out + i, cursor);
}

// RunSSE2 eight pixels at a time.
void SwGradientStopTable::RunAVX2(const Cursor& cursor, float t0, float dt, int32_t first,
                                  int32_t count, uint32_t* out) const {
    const IntervalLanes interval(cursor);
    const int32_t wide = count & ~7;
    (interval.multiply ? RunGroups<true> : RunGroups<false>)(interval, t0, dt, first, wide, out);
    RunSSE2(cursor, t0, dt, first + wide, count - wide, out + wide);
}

}  // namespace Graphics
