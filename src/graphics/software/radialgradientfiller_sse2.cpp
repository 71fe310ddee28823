#include <emmintrin.h>

#include <cmath>

#include "graphics/software/radialgradientfiller.h"

namespace Graphics {

// SolveAt four pixels at a time, operation for operation, so the lanes round exactly as
// the scalar twin does; both branches of each choice are computed and merged by masks.
void RadialGradientFiller::SolveSpanSSE2(float px, float py, int32_t first, int32_t count,
                                         float* s) const {
    const __m128 zero = _mm_setzero_ps();
    const __m128 none = _mm_set1_ps(-HUGE_VALF);
    const __m128 signBit = _mm_set1_ps(-0.0f);
    const __m128 cx = _mm_set1_ps(cx_), cy = _mm_set1_ps(cy_), bOffset = _mm_set1_ps(bOffset_);
    const __m128 r02 = _mm_set1_ps(r02_), a = _mm_set1_ps(a_), inverseA = _mm_set1_ps(inverseA_);
    const __m128 sMin = _mm_set1_ps(sMin_), sMax = _mm_set1_ps(sMax_);
    const __m128 stepX = _mm_set1_ps(inverse_.a), stepY = _mm_set1_ps(inverse_.b);
    const __m128 x0 = _mm_set1_ps(px), y0 = _mm_set1_ps(py);
    int32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m128 index =
            _mm_cvtepi32_ps(_mm_add_epi32(_mm_set1_epi32(first + i), _mm_setr_epi32(0, 1, 2, 3)));
        const __m128 x = _mm_add_ps(x0, _mm_mul_ps(index, stepX));
        const __m128 y = _mm_add_ps(y0, _mm_mul_ps(index, stepY));
        const __m128 b = _mm_add_ps(_mm_add_ps(_mm_mul_ps(x, cx), _mm_mul_ps(y, cy)), bOffset);
        const __m128 c = _mm_sub_ps(_mm_add_ps(_mm_mul_ps(x, x), _mm_mul_ps(y, y)), r02);
        __m128 disc = _mm_sub_ps(_mm_mul_ps(b, b), _mm_mul_ps(a, c));
        // max(0, disc) keeps a NaN discriminant as std::max(disc, 0) does.
        if (a_ < 0.0f) disc = _mm_max_ps(zero, disc);
        const __m128 covered = _mm_cmpge_ps(disc, zero);
        const __m128 root = _mm_sqrt_ps(_mm_and_ps(disc, covered));
        // b >= 0: b + root, otherwise (NaN included) b - root.
        const __m128 negative = _mm_andnot_ps(_mm_cmpge_ps(b, zero), signBit);
        const __m128 q = _mm_add_ps(b, _mm_xor_ps(root, negative));
        __m128 result = none;
        if (a_ != 0.0f) {
            const __m128 far = _mm_mul_ps(q, inverseA);
            const __m128 inRange = _mm_and_ps(_mm_cmpge_ps(far, sMin), _mm_cmple_ps(far, sMax));
            result = _mm_or_ps(_mm_and_ps(inRange, far), _mm_andnot_ps(inRange, result));
        }
        const __m128 near = _mm_div_ps(c, q);
        const __m128 inRange = _mm_and_ps(
            _mm_cmpneq_ps(q, zero), _mm_and_ps(_mm_cmpge_ps(near, sMin), _mm_cmple_ps(near, sMax)));
        // std::max(result, near) = result < near ? near : result.
        const __m128 larger = _mm_cmplt_ps(result, near);
        const __m128 merged = _mm_or_ps(_mm_and_ps(larger, near), _mm_andnot_ps(larger, result));
        result = _mm_or_ps(_mm_and_ps(inRange, merged), _mm_andnot_ps(inRange, result));
        result = _mm_or_ps(_mm_and_ps(covered, result), _mm_andnot_ps(covered, none));
        _mm_storeu_ps(s + i, result);
    }
    SolveSpanScalar(px, py, first + i, count - i, s + i);
}

}  // namespace Graphics
