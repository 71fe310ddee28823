#include "graphics/software/swcoveragecompositenormalop.h"
#include "graphics/software/swpixelavx2.h"

namespace Graphics {

// CompositeRowSSE2 eight pixels at a time, the same arithmetic lane for lane; the SSE2 form
// takes the last one to seven pixels, so the span splits as it does there.
void SwCoverageCompositeNormalOp::CompositeRowAVX2(uint32_t* target, const uint32_t* source,
                                                   uint8_t coverage, int32_t count) {
    const int32_t wide = count & ~7;
    const __m256i zero = _mm256_setzero_si256();
    const __m256i alphaMask = _mm256_set1_epi32(int32_t(0xFF000000u));
    const __m256i weights = _mm256_set1_epi16(int16_t(coverage + 1));
    const bool whole = coverage == 255;
    for (int32_t i = 0; i < wide; i += 8) {
        const __m256i src = SwLoad8(source + i);
        if (whole) {
            const __m256i opaque =
                _mm256_cmpeq_epi32(_mm256_and_si256(src, alphaMask), alphaMask);
            if (_mm256_movemask_epi8(opaque) == -1) {
                SwStore8(target + i, src);
                continue;
            }
        }
        const __m256i dst = SwLoad8(target + i);
        __m256i lo = _mm256_unpacklo_epi8(src, zero), hi = _mm256_unpackhi_epi8(src, zero);
        // Weight 256 scales by (v x 256) >> 8 = v: a whole pixel needs no scaling.
        if (!whole) {
            lo = SwScaleLanes256(lo, weights);
            hi = SwScaleLanes256(hi, weights);
        }
        SwStore8(target + i,
                 _mm256_packus_epi16(SwOverLanes256(_mm256_unpacklo_epi8(dst, zero), lo),
                                     SwOverLanes256(_mm256_unpackhi_epi8(dst, zero), hi)));
    }
    CompositeRowSSE2(target + wide, source + wide, coverage, count - wide);
}

}  // namespace Graphics
