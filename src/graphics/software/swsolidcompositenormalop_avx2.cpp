#include "graphics/software/swpixelavx2.h"
#include "graphics/software/swsolidcompositenormalop.h"

namespace Graphics {

// CompositeRowSSE2 eight pixels at a time, the same arithmetic lane for lane; the SSE2 form
// takes the last one to seven pixels, so the span splits as it does there.
void SwSolidCompositeNormalOp::CompositeRowAVX2(uint32_t* target, uint32_t pixel,
                                                uint8_t coverage, int32_t count) {
    const int32_t wide = count & ~7;
    if (wide > 0) {
        const __m256i zero = _mm256_setzero_si256();
        const __m256i scaled = SwScaleLanes256(
            _mm256_unpacklo_epi8(_mm256_set1_epi32(int32_t(pixel)), zero),
            _mm256_set1_epi16(int16_t(coverage + 1)));
        const __m256i inverse =
            _mm256_sub_epi16(_mm256_set1_epi16(256), SwBroadcastAlpha256(scaled));
        const __m256i packed = _mm256_packus_epi16(scaled, scaled);
        if ((uint32_t(_mm256_extract_epi32(packed, 0)) >> 24) == 255) {
            // Weight 1 leaves (cb x 1) >> 8 = 0 of the target: the result is the colour.
            for (int32_t i = 0; i < wide; i += 8) SwStore8(target + i, packed);
        } else {
            for (int32_t i = 0; i < wide; i += 8) {
                const __m256i dst = SwLoad8(target + i);
                const __m256i lo = _mm256_add_epi16(
                    scaled, SwScaleLanes256(_mm256_unpacklo_epi8(dst, zero), inverse));
                const __m256i hi = _mm256_add_epi16(
                    scaled, SwScaleLanes256(_mm256_unpackhi_epi8(dst, zero), inverse));
                SwStore8(target + i, _mm256_packus_epi16(lo, hi));
            }
        }
    }
    CompositeRowSSE2(target + wide, pixel, coverage, count - wide);
}

}  // namespace Graphics
