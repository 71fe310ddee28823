#include "graphics/software/swpixelsse2.h"
#include "graphics/software/swsoftopacitymaskop.h"

namespace Graphics {

void SwSoftOpacityMaskOp::ScaleRowSSE2(uint32_t* color, const uint8_t* mask, int32_t count) {
    const __m128i zero = _mm_setzero_si128();
    int32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        __m128i w01, w23;
        SwByteWeights(mask + i, w01, w23);
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(color + i));
        // Channel x weight <= 255 x 256 fits a 16-bit lane; the shift truncates as SwScale.
        const __m128i lo = SwScaleLanes(_mm_unpacklo_epi8(c, zero), w01);
        const __m128i hi = SwScaleLanes(_mm_unpackhi_epi8(c, zero), w23);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(color + i), _mm_packus_epi16(lo, hi));
    }
    ScaleRowScalar(color + i, mask + i, count - i);
}

}  // namespace Graphics
