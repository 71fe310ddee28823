#include "graphics/software/swcoveragecompositenormalop.h"
#include "graphics/software/swpixelsse2.h"

namespace Graphics {

namespace {

template <bool kWhole>
void CompositeWide(uint32_t* target, const uint32_t* source, __m128i weights, int32_t wide) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i alphaMask = _mm_set1_epi32(int32_t(0xFF000000u));
    for (int32_t i = 0; i < wide; i += 4) {
        const __m128i src = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i));
        __m128i* at = reinterpret_cast<__m128i*>(target + i);
        if constexpr (kWhole) {
            // Four opaque pixels at full coverage replace the target: the target's weight 1
            // leaves nothing of it.
            const __m128i opaque = _mm_cmpeq_epi32(_mm_and_si128(src, alphaMask), alphaMask);
            if (_mm_movemask_epi8(opaque) == 0xFFFF) {
                _mm_storeu_si128(at, src);
                continue;
            }
        }
        const __m128i dst = _mm_loadu_si128(at);
        __m128i lo = _mm_unpacklo_epi8(src, zero), hi = _mm_unpackhi_epi8(src, zero);
        if constexpr (!kWhole) {
            lo = SwScaleLanes(lo, weights);
            hi = SwScaleLanes(hi, weights);
        }
        _mm_storeu_si128(at, _mm_packus_epi16(SwOverLanes(_mm_unpacklo_epi8(dst, zero), lo),
                                              SwOverLanes(_mm_unpackhi_epi8(dst, zero), hi)));
    }
}

}  // namespace

void SwCoverageCompositeNormalOp::CompositeRowSSE2(uint32_t* target, const uint32_t* source,
                                                   uint8_t coverage, int32_t count) {
    const int32_t wide = count & ~3;
    // Weight 256 scales by (v x 256) >> 8 = v: a whole pixel takes the source unchanged.
    const __m128i weights = _mm_set1_epi16(int16_t(coverage + 1));
    if (coverage == 255)
        CompositeWide<true>(target, source, weights, wide);
    else
        CompositeWide<false>(target, source, weights, wide);
    CompositeRowScalar(target + wide, source + wide, coverage, count - wide);
}

}  // namespace Graphics
