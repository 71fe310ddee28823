#include <algorithm>
#include <cstring>

#include "graphics/software/swpixelsse2.h"
#include "graphics/software/swsolidcompositenormalop.h"

namespace Graphics {

void SwSolidCompositeNormalOp::CompositeRowSSE2(uint32_t* target, uint32_t pixel,
                                                uint8_t coverage, int32_t count) {
    const int32_t wide = count & ~3;
    if (wide > 0) {
        const __m128i zero = _mm_setzero_si128();
        // The colour scaled by coverage + 1 in 16-bit lanes, twice (two pixels per register),
        // exactly as the general compositor scales each source pixel.
        const __m128i one = _mm_unpacklo_epi8(_mm_cvtsi32_si128(int32_t(pixel)), zero);
        const __m128i scaled = SwScaleLanes(one, _mm_set1_epi16(int16_t(coverage + 1)));
        const __m128i cs = _mm_unpacklo_epi64(scaled, scaled);
        const __m128i inverse = _mm_sub_epi16(_mm_set1_epi16(256), SwBroadcastAlpha(cs));
        const uint32_t packed = uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(cs, cs)));
        if ((packed >> 24) == 255) {
            // Weight 1 leaves (cb x 1) >> 8 = 0 of the target: the result is the colour.
            std::fill(target, target + wide, packed);
        } else {
            for (int32_t i = 0; i < wide; i += 4) {
                __m128i* at = reinterpret_cast<__m128i*>(target + i);
                const __m128i dst = _mm_loadu_si128(at);
                // The colour's terms are the same for every pixel: only the target is scaled.
                const __m128i lo =
                    _mm_add_epi16(cs, SwScaleLanes(_mm_unpacklo_epi8(dst, zero), inverse));
                const __m128i hi =
                    _mm_add_epi16(cs, SwScaleLanes(_mm_unpackhi_epi8(dst, zero), inverse));
                _mm_storeu_si128(at, _mm_packus_epi16(lo, hi));
            }
        }
    }
    CompositeRowScalar(target + wide, pixel, coverage, count - wide);
}

void SwSolidCompositeNormalOp::CompositeMaskSSE2(uint8_t* target, ptrdiff_t stride, uint32_t pixel,
                                                 const uint8_t* coverage, const uint8_t* lone,
                                                 int32_t maskStride, int32_t width,
                                                 int32_t height) {
    const int32_t wide = width & ~3;
    const __m128i zero = _mm_setzero_si128();
    const __m128i alphaBits = _mm_set1_epi32(int32_t(0xFF000000u));
    const __m128i one = _mm_unpacklo_epi8(_mm_cvtsi32_si128(int32_t(pixel)), zero);
    const __m128i color = _mm_unpacklo_epi64(one, one);
    const __m128i full = _mm_set1_epi16(256);
    for (int32_t y = 0; y < height;
         ++y, target += stride, coverage += maskStride, lone += maskStride) {
        auto* row = reinterpret_cast<uint32_t*>(target);
        for (int32_t i = 0; i < wide; i += 4) {
            __m128i weightsLow, weightsHigh;
            SwByteWeights(coverage + i, weightsLow, weightsHigh);
            const __m128i csLow = SwScaleLanes(color, weightsLow);
            const __m128i csHigh = SwScaleLanes(color, weightsHigh);
            __m128i* at = reinterpret_cast<__m128i*>(row + i);
            const __m128i dst = _mm_loadu_si128(at);
            const __m128i over = _mm_packus_epi16(
                _mm_add_epi16(csLow, SwScaleLanes(_mm_unpacklo_epi8(dst, zero),
                                                  _mm_sub_epi16(full, SwBroadcastAlpha(csLow)))),
                _mm_add_epi16(csHigh, SwScaleLanes(_mm_unpackhi_epi8(dst, zero),
                                                   _mm_sub_epi16(full, SwBroadcastAlpha(csHigh)))));
            // Lone pixels over a target of alpha 0 take the scaled colour alone.
            int32_t loneBytes;
            std::memcpy(&loneBytes, lone + i, 4);
            const __m128i loneBits = _mm_cvtsi32_si128(loneBytes);
            const __m128i lonePixels = _mm_unpacklo_epi16(_mm_unpacklo_epi8(loneBits, loneBits),
                                                          _mm_unpacklo_epi8(loneBits, loneBits));
            const __m128i pick =
                _mm_and_si128(lonePixels, _mm_cmpeq_epi32(_mm_and_si128(dst, alphaBits), zero));
            const __m128i cs = _mm_packus_epi16(csLow, csHigh);
            _mm_storeu_si128(at,
                             _mm_or_si128(_mm_and_si128(pick, cs), _mm_andnot_si128(pick, over)));
        }
        if (wide < width)
            CompositeMaskScalar(target + 4 * wide, stride, pixel, coverage + wide, lone + wide,
                                maskStride, width - wide, 1);
    }
}

}  // namespace Graphics
