#include "graphics/software/swbasiccompositenormalsse2op.h"
#include "graphics/software/swpixelavx2.h"

namespace Graphics {

// CompositeRowSSE2 eight pixels at a time, the same arithmetic lane for lane.
void SwBasicCompositeNormalSSE2Op::CompositeRowAVX2(uint32_t* target, const uint32_t* source,
                                                    const uint8_t* shape, int32_t count) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i alphaMask = _mm256_set1_epi32(int32_t(0xFF000000u));
    int32_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m256i src = SwLoad8(source + i);
        const __m128i shapes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(shape + i));
        const __m256i opaque = _mm256_cmpeq_epi32(_mm256_and_si256(src, alphaMask), alphaMask);
        const int32_t fullShape =
            _mm_movemask_epi8(_mm_cmpeq_epi8(shapes, _mm_set1_epi8(-1))) & 0xFF;
        if (fullShape == 0xFF && _mm256_movemask_epi8(opaque) == -1) {
            SwStore8(target + i, src);
            continue;
        }
        __m256i weightsLo, weightsHi;
        SwByteWeights256(shape + i, weightsLo, weightsHi);
        const __m256i dst = SwLoad8(target + i);
        const __m256i lo =
            SwOverLanes256(_mm256_unpacklo_epi8(dst, zero),
                           SwScaleLanes256(_mm256_unpacklo_epi8(src, zero), weightsLo));
        const __m256i hi =
            SwOverLanes256(_mm256_unpackhi_epi8(dst, zero),
                           SwScaleLanes256(_mm256_unpackhi_epi8(src, zero), weightsHi));
        SwStore8(target + i, _mm256_packus_epi16(lo, hi));
    }
    CompositeRowSSE2(target + i, source + i, shape + i, count - i);
}

}  // namespace Graphics
