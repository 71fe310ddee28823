#include <immintrin.h>

#include "graphics/software/radialgradientfiller.h"

namespace Graphics {

// SolveSpanSSE2 eight pixels at a time: the same operations in the same order per lane, so
// every lane rounds exactly as the scalar twin does.
void RadialGradientFiller::SolveSpanAVX2(float px, float py, int32_t first, int32_t count,
                                         float* s) const {
    const __m256 zero = _mm256_setzero_ps();
    const __m256 none = _mm256_set1_ps(-__builtin_huge_valf());
    const __m256 signBit = _mm256_set1_ps(-0.0f);
    const __m256 cx = _mm256_set1_ps(cx_), cy = _mm256_set1_ps(cy_);
    const __m256 bOffset = _mm256_set1_ps(bOffset_), r02 = _mm256_set1_ps(r02_);
    const __m256 a = _mm256_set1_ps(a_), inverseA = _mm256_set1_ps(inverseA_);
    const __m256 sMin = _mm256_set1_ps(sMin_), sMax = _mm256_set1_ps(sMax_);
    const __m256 stepX = _mm256_set1_ps(inverse_.a), stepY = _mm256_set1_ps(inverse_.b);
    const __m256 x0 = _mm256_set1_ps(px), y0 = _mm256_set1_ps(py);
    const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    int32_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m256 index =
            _mm256_cvtepi32_ps(_mm256_add_epi32(_mm256_set1_epi32(first + i), lanes));
        const __m256 x = _mm256_add_ps(x0, _mm256_mul_ps(index, stepX));
        const __m256 y = _mm256_add_ps(y0, _mm256_mul_ps(index, stepY));
        const __m256 b =
            _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(x, cx), _mm256_mul_ps(y, cy)), bOffset);
        const __m256 c = _mm256_sub_ps(_mm256_add_ps(_mm256_mul_ps(x, x), _mm256_mul_ps(y, y)), r02);
        __m256 disc = _mm256_sub_ps(_mm256_mul_ps(b, b), _mm256_mul_ps(a, c));
        if (a_ < 0.0f) disc = _mm256_max_ps(zero, disc);
        const __m256 covered = _mm256_cmp_ps(disc, zero, _CMP_GE_OQ);
        const __m256 root = _mm256_sqrt_ps(_mm256_and_ps(disc, covered));
        const __m256 negative = _mm256_andnot_ps(_mm256_cmp_ps(b, zero, _CMP_GE_OQ), signBit);
        const __m256 q = _mm256_add_ps(b, _mm256_xor_ps(root, negative));
        __m256 result = none;
        if (a_ != 0.0f) {
            const __m256 far = _mm256_mul_ps(q, inverseA);
            const __m256 inRange = _mm256_and_ps(_mm256_cmp_ps(far, sMin, _CMP_GE_OQ),
                                                 _mm256_cmp_ps(far, sMax, _CMP_LE_OQ));
            result = _mm256_blendv_ps(result, far, inRange);
        }
        const __m256 near = _mm256_div_ps(c, q);
        const __m256 inRange = _mm256_and_ps(
            _mm256_cmp_ps(q, zero, _CMP_NEQ_UQ),
            _mm256_and_ps(_mm256_cmp_ps(near, sMin, _CMP_GE_OQ),
                          _mm256_cmp_ps(near, sMax, _CMP_LE_OQ)));
        const __m256 larger = _mm256_cmp_ps(result, near, _CMP_LT_OQ);
        result = _mm256_blendv_ps(result, _mm256_blendv_ps(result, near, larger), inRange);
        _mm256_storeu_ps(s + i, _mm256_blendv_ps(none, result, covered));
    }
    SolveSpanSSE2(px, py, first + i, count - i, s + i);
}

}  // namespace Graphics
