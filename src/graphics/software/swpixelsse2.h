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

}  // namespace Graphics
