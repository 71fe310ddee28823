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

// CompositeMaskSSE2 eight pixels at a time. The 256-bit unpacks take pixels 0, 1, 4, 5
// into the low half-words and 2, 3, 6, 7 into the high ones; the weights follow that order.
void SwSolidCompositeNormalOp::CompositeMaskAVX2(uint8_t* target, ptrdiff_t stride, uint32_t pixel,
                                                 const uint8_t* coverage, const uint8_t* lone,
                                                 int32_t maskStride, int32_t width,
                                                 int32_t height) {
    const int32_t wide = width & ~7;
    const __m256i zero = _mm256_setzero_si256();
    const __m256i alphaBits = _mm256_set1_epi32(int32_t(0xFF000000u));
    const __m256i color = _mm256_unpacklo_epi8(_mm256_set1_epi32(int32_t(pixel)), zero);
    const __m256i full = _mm256_set1_epi16(256);
    for (int32_t y = 0; y < height;
         ++y, target += stride, coverage += maskStride, lone += maskStride) {
        auto* row = reinterpret_cast<uint32_t*>(target);
        for (int32_t i = 0; i < wide; i += 8) {
            const __m128i weights = _mm_add_epi16(
                _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(coverage + i)),
                                  _mm_setzero_si128()),
                _mm_set1_epi16(1));
            const __m128i first = _mm_unpacklo_epi16(weights, weights);   // pixels 0..3, paired
            const __m128i second = _mm_unpackhi_epi16(weights, weights);  // pixels 4..7, paired
            const __m256i weightsLow = _mm256_set_m128i(_mm_unpacklo_epi32(second, second),
                                                        _mm_unpacklo_epi32(first, first));
            const __m256i weightsHigh = _mm256_set_m128i(_mm_unpackhi_epi32(second, second),
                                                         _mm_unpackhi_epi32(first, first));
            const __m256i csLow = SwScaleLanes256(color, weightsLow);
            const __m256i csHigh = SwScaleLanes256(color, weightsHigh);
            const __m256i dst = SwLoad8(row + i);
            const __m256i over = _mm256_packus_epi16(
                _mm256_add_epi16(
                    csLow, SwScaleLanes256(_mm256_unpacklo_epi8(dst, zero),
                                           _mm256_sub_epi16(full, SwBroadcastAlpha256(csLow)))),
                _mm256_add_epi16(
                    csHigh, SwScaleLanes256(_mm256_unpackhi_epi8(dst, zero),
                                            _mm256_sub_epi16(full, SwBroadcastAlpha256(csHigh)))));
            // Lone pixels over a target of alpha 0 take the scaled colour alone.
            const __m256i lonePixels =
                _mm256_cvtepi8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(lone + i)));
            const __m256i pick = _mm256_and_si256(
                lonePixels, _mm256_cmpeq_epi32(_mm256_and_si256(dst, alphaBits), zero));
            SwStore8(row + i, _mm256_blendv_epi8(over, _mm256_packus_epi16(csLow, csHigh), pick));
        }
        if (wide < width)
            CompositeMaskSSE2(target + 4 * wide, stride, pixel, coverage + wide, lone + wide,
                              maskStride, width - wide, 1);
    }
}

}  // namespace Graphics
