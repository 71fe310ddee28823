#pragma once

#include <emmintrin.h>

#include <cstdint>
#include <cstring>

namespace Graphics {

// The SSE2 forms of the swpixel.h arithmetic: premultiplied pixels widened to 16-bit lanes,
// two pixels per register, so a channel times a weight of up to 256 never overflows.

// Each lane times its weight, shifted down by 8: SwScale on two pixels at once.
inline __m128i SwScaleLanes(__m128i lanes, __m128i weights) {
    return _mm_srli_epi16(_mm_mullo_epi16(lanes, weights), 8);
}

// Each pixel's alpha lane repeated over its four lanes (two pixels in 16-bit lanes).
inline __m128i SwBroadcastAlpha(__m128i lanes) {
    return _mm_shufflehi_epi16(_mm_shufflelo_epi16(lanes, _MM_SHUFFLE(3, 3, 3, 3)),
                               _MM_SHUFFLE(3, 3, 3, 3));
}

// Source-over on two pixels in 16-bit lanes: cs + cb x (256 - alpha(cs)) >> 8 per channel.
inline __m128i SwOverLanes(__m128i cb, __m128i cs) {
    return _mm_add_epi16(
        cs, SwScaleLanes(cb, _mm_sub_epi16(_mm_set1_epi16(256), SwBroadcastAlpha(cs))));
}

// Weights b + 1 for four bytes (shape or mask values), each repeated over its pixel's four
// lanes: pixels 0 and 1 in `low`, 2 and 3 in `high`.
inline void SwByteWeights(const uint8_t* bytes, __m128i& low, __m128i& high) {
    int32_t packed;
    std::memcpy(&packed, bytes, 4);
    const __m128i w = _mm_add_epi16(
        _mm_unpacklo_epi8(_mm_cvtsi32_si128(packed), _mm_setzero_si128()), _mm_set1_epi16(1));
    const __m128i pairs = _mm_unpacklo_epi16(w, w);  // w0 w0 w1 w1 w2 w2 w3 w3
    low = _mm_unpacklo_epi32(pairs, pairs);
    high = _mm_unpackhi_epi32(pairs, pairs);
}

// Every pixel of `pixels` times w / 256 on all four channels (w in 1..256), in place.
inline void SwScaleRow(uint32_t* pixels, uint32_t w, int32_t count) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i weights = _mm_set1_epi16(int16_t(w));
    int32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + i));
        const __m128i lo = SwScaleLanes(_mm_unpacklo_epi8(c, zero), weights);
        const __m128i hi = SwScaleLanes(_mm_unpackhi_epi8(c, zero), weights);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(pixels + i), _mm_packus_epi16(lo, hi));
    }
    for (; i < count; ++i) {
        const uint32_t c = pixels[i];
        pixels[i] = ((((c & 0x00FF00FFu) * w) >> 8) & 0x00FF00FFu) |
                    ((((c >> 8) & 0x00FF00FFu) * w) & 0xFF00FF00u);
    }
}

// Four premultiplied pixels with each colour channel cut to its pixel's alpha.
inline __m128i SwClampToAlpha(__m128i c) {
    __m128i a = _mm_srli_epi32(c, 24);
    a = _mm_or_si128(a, _mm_slli_epi32(a, 8));
    a = _mm_or_si128(a, _mm_slli_epi32(a, 16));
    return _mm_min_epu8(c, a);
}

}  // namespace Graphics
