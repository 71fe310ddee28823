#include <emmintrin.h>

#include "graphics/software/swsoftshapemaskop.h"

namespace Graphics {

void SwSoftShapeMaskOp::MultiplyRowSSE2(uint8_t* shape, const uint8_t* mask, int32_t count) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i one = _mm_set1_epi16(1);
    int32_t i = 0;
    for (; i + 16 <= count; i += 16) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(shape + i));
        const __m128i m = _mm_loadu_si128(reinterpret_cast<const __m128i*>(mask + i));
        // 16-bit lanes: (m + 1) x s <= 256 x 255 fits, and the shift brings it back to 0..255.
        const __m128i lo =
            _mm_srli_epi16(_mm_mullo_epi16(_mm_add_epi16(_mm_unpacklo_epi8(m, zero), one),
                                           _mm_unpacklo_epi8(s, zero)),
                           8);
        const __m128i hi =
            _mm_srli_epi16(_mm_mullo_epi16(_mm_add_epi16(_mm_unpackhi_epi8(m, zero), one),
                                           _mm_unpackhi_epi8(s, zero)),
                           8);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(shape + i), _mm_packus_epi16(lo, hi));
    }
    MultiplyRowScalar(shape + i, mask + i, count - i);
}

}  // namespace Graphics
