#include "graphics/software/swsoftopacitymaskop.h"

#include <emmintrin.h>

#include <cstring>

#include "graphics/software/swpixel.h"

namespace Graphics {

void SwSoftOpacityMaskOp::ApplyChunk(SwSpanState& state, int32_t offset, const uint8_t* mask,
                                     int32_t count) {
    ScaleRow(state.sourceColor + offset, mask, count);
}

void SwSoftOpacityMaskOp::ScaleRowScalar(uint32_t* color, const uint8_t* mask, int32_t count) {
    // Mask 255 is weight 256, which SwScale leaves unchanged: no special case needed.
    for (int32_t i = 0; i < count; ++i) color[i] = SwScale(color[i], mask[i] + 1u);
}

void SwSoftOpacityMaskOp::ScaleRow(uint32_t* color, const uint8_t* mask, int32_t count) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i one = _mm_set1_epi16(1);
    int32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        int32_t bytes;
        std::memcpy(&bytes, mask + i, 4);
        // Weights m + 1 in 16-bit lanes, each repeated over its pixel's four channels.
        const __m128i w = _mm_add_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(bytes), zero), one);
        const __m128i pairs = _mm_unpacklo_epi16(w, w);  // w0 w0 w1 w1 w2 w2 w3 w3
        const __m128i w01 = _mm_unpacklo_epi32(pairs, pairs);
        const __m128i w23 = _mm_unpackhi_epi32(pairs, pairs);
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(color + i));
        // Channel x weight <= 255 x 256 fits a 16-bit lane; the shift truncates as SwScale.
        const __m128i lo = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(c, zero), w01), 8);
        const __m128i hi = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(c, zero), w23), 8);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(color + i), _mm_packus_epi16(lo, hi));
    }
    ScaleRowScalar(color + i, mask + i, count - i);
}

}  // namespace Graphics
