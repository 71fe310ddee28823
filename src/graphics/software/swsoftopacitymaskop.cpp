#include "graphics/software/swsoftopacitymaskop.h"

#include "graphics/software/swpixel.h"
#include "graphics/software/swpixelsse2.h"

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
