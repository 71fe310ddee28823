#include <emmintrin.h>

#include "graphics/software/swgradientstoptable.h"

namespace Graphics {

// Four parameters inside the cursor's interval (and inside 0..1) take their weights in one
// step: the same division, product and truncation as Color, lane by lane, then four loads.
// Any other group goes through the scalar twin, which moves the cursor.
void SwGradientStopTable::ColorSpanSSE2(const float* t, int32_t count, uint32_t none,
                                        uint32_t below, uint32_t above, uint32_t* out,
                                        Cursor& cursor) {
    const __m128 zero = _mm_setzero_ps(), one = _mm_set1_ps(1.0f), scale = _mm_set1_ps(255.0f);
    int32_t i = 0;
    while (i + 4 <= count) {
        const __m128 ts = _mm_loadu_ps(t + i);
        const __m128 lower = _mm_set1_ps(cursor.lower), upper = _mm_set1_ps(cursor.upper);
        const __m128 inside =
            _mm_and_ps(_mm_and_ps(_mm_cmpgt_ps(ts, lower), _mm_cmple_ps(ts, upper)),
                       _mm_and_ps(_mm_cmpge_ps(ts, zero), _mm_cmple_ps(ts, one)));
        if (!cursor.colors || _mm_movemask_ps(inside) != 0xF) {
            ColorSpanScalar(t + i, 4, none, below, above, out + i, cursor);
            i += 4;
            continue;
        }
        const __m128 f = _mm_div_ps(_mm_sub_ps(upper, ts), _mm_sub_ps(upper, lower));
        // f >= 1: 256; f > 0: (int(f x 255) & 0xFF) + 1; otherwise (NaN too) 1.
        const __m128i truncated =
            _mm_and_si128(_mm_cvttps_epi32(_mm_mul_ps(f, scale)), _mm_set1_epi32(0xFF));
        const __m128i positive = _mm_castps_si128(_mm_cmpgt_ps(f, zero));
        const __m128i full = _mm_castps_si128(_mm_cmpge_ps(f, one));
        __m128i index = _mm_and_si128(truncated, positive);  // weight - 1
        index =
            _mm_or_si128(_mm_and_si128(full, _mm_set1_epi32(255)), _mm_andnot_si128(full, index));
        alignas(16) int32_t indices[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(indices), index);
        for (int32_t k = 0; k < 4; ++k) out[i + k] = cursor.colors[indices[k]];
        i += 4;
    }
    ColorSpanScalar(t + i, count - i, none, below, above, out + i, cursor);
}

}  // namespace Graphics
