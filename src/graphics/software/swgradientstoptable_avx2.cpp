#include <immintrin.h>

#include "graphics/software/swgradientstoptable.h"

namespace Graphics {

// ColorSpanSSE2 eight parameters at a time: the same division, product and truncation per
// lane, then one gather of the eight pixels. A group that leaves the cursor's interval goes
// through the scalar twin, which moves the cursor.
void SwGradientStopTable::ColorSpanAVX2(const float* t, int32_t count, uint32_t none,
                                        uint32_t below, uint32_t above, uint32_t* out,
                                        Cursor& cursor) {
    const __m256 zero = _mm256_setzero_ps(), one = _mm256_set1_ps(1.0f);
    const __m256 scale = _mm256_set1_ps(255.0f);
    int32_t i = 0;
    while (i + 8 <= count) {
        const __m256 ts = _mm256_loadu_ps(t + i);
        const __m256 lower = _mm256_set1_ps(cursor.lower), upper = _mm256_set1_ps(cursor.upper);
        const __m256 inside = _mm256_and_ps(
            _mm256_and_ps(_mm256_cmp_ps(ts, lower, _CMP_GT_OQ), _mm256_cmp_ps(ts, upper, _CMP_LE_OQ)),
            _mm256_and_ps(_mm256_cmp_ps(ts, zero, _CMP_GE_OQ), _mm256_cmp_ps(ts, one, _CMP_LE_OQ)));
        if (!cursor.colors || _mm256_movemask_ps(inside) != 0xFF) {
            ColorSpanScalar(t + i, 8, none, below, above, out + i, cursor);
            i += 8;
            continue;
        }
        const __m256 f = _mm256_div_ps(_mm256_sub_ps(upper, ts), _mm256_sub_ps(upper, lower));
        // f >= 1: 256; f > 0: (int(f x 255) & 0xFF) + 1; otherwise (NaN too) 1.
        const __m256i truncated = _mm256_and_si256(_mm256_cvttps_epi32(_mm256_mul_ps(f, scale)),
                                                   _mm256_set1_epi32(0xFF));
        const __m256i positive = _mm256_castps_si256(_mm256_cmp_ps(f, zero, _CMP_GT_OQ));
        const __m256i full = _mm256_castps_si256(_mm256_cmp_ps(f, one, _CMP_GE_OQ));
        const __m256i index = _mm256_blendv_epi8(_mm256_and_si256(truncated, positive),
                                                 _mm256_set1_epi32(255), full);  // weight - 1
        _mm256_storeu_si256(
            reinterpret_cast<__m256i*>(out + i),
            _mm256_i32gather_epi32(reinterpret_cast<const int*>(cursor.colors), index, 4));
        i += 8;
    }
    ColorSpanSSE2(t + i, count - i, none, below, above, out + i, cursor);
}

}  // namespace Graphics
