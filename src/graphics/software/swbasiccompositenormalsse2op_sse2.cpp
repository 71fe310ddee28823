#include <cstring>

#include "graphics/software/swbasiccompositenormalsse2op.h"
#include "graphics/software/swpixelsse2.h"

namespace Graphics {

void SwBasicCompositeNormalSSE2Op::CompositeRowSSE2(uint32_t* target, const uint32_t* source,
                                                    const uint8_t* shape, int32_t count) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i alphaMask = _mm_set1_epi32(int32_t(0xFF000000u));
    int32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        int32_t shapes;
        std::memcpy(&shapes, shape + i, 4);
        const __m128i src = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i));
        // Four opaque source pixels under full shape replace the target: weight 256 keeps
        // the source as it is and the target's weight 1 leaves nothing of it. Bitmaps,
        // gradients and opaque fills inside their shapes take this way.
        const __m128i opaque = _mm_cmpeq_epi32(_mm_and_si128(src, alphaMask), alphaMask);
        if (shapes == -1 && _mm_movemask_epi8(opaque) == 0xFFFF) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(target + i), src);
            continue;
        }
        __m128i weightsLo, weightsHi;
        SwByteWeights(shape + i, weightsLo, weightsHi);
        const __m128i dst = _mm_loadu_si128(reinterpret_cast<const __m128i*>(target + i));
        const __m128i lo = SwOverLanes(_mm_unpacklo_epi8(dst, zero),
                                       SwScaleLanes(_mm_unpacklo_epi8(src, zero), weightsLo));
        const __m128i hi = SwOverLanes(_mm_unpackhi_epi8(dst, zero),
                                       SwScaleLanes(_mm_unpackhi_epi8(src, zero), weightsHi));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(target + i), _mm_packus_epi16(lo, hi));
    }
    CompositeRowScalar(target + i, source + i, shape + i, count - i);
}

}  // namespace Graphics
