#pragma once

#include <immintrin.h>

#include <cstdint>

namespace Graphics {

// The AVX2 forms of the swpixel.h arithmetic, for the *_avx2.cpp files only: eight pixels
// per 256-bit register, widened to 16-bit lanes four pixels at a time. The 256-bit unpack
// and pack instructions work inside each 128-bit half, so a register widened from pixels
// 0..7 holds pixels 0, 1, 4, 5 in its low unpack and 2, 3, 6, 7 in its high one, and
// packing the two puts them back in order.

// Each lane times its weight, shifted down by 8.
inline __m256i SwScaleLanes256(__m256i lanes, __m256i weights) {
    return _mm256_srli_epi16(_mm256_mullo_epi16(lanes, weights), 8);
}

// Each pixel's alpha lane repeated over its four lanes.
inline __m256i SwBroadcastAlpha256(__m256i lanes) {
    return _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(lanes, _MM_SHUFFLE(3, 3, 3, 3)),
                                  _MM_SHUFFLE(3, 3, 3, 3));
}

// Source-over in 16-bit lanes: cs + cb x (256 - alpha(cs)) >> 8 per channel.
inline __m256i SwOverLanes256(__m256i cb, __m256i cs) {
    return _mm256_add_epi16(
        cs, SwScaleLanes256(cb, _mm256_sub_epi16(_mm256_set1_epi16(256),
                                                 SwBroadcastAlpha256(cs))));
}

// Eight 32-bit weights (one per pixel, each at most 256) spread over their pixels' four
// 16-bit lanes in the order of the low and high unpacks.
inline void SwSpreadWeights256(__m256i weights, __m256i& low, __m256i& high) {
    const __m256i doubled = _mm256_or_si256(weights, _mm256_slli_epi32(weights, 16));
    low = _mm256_unpacklo_epi32(doubled, doubled);
    high = _mm256_unpackhi_epi32(doubled, doubled);
}

// Weights b + 1 for eight bytes (shape or mask values), spread as SwSpreadWeights256 does.
inline void SwByteWeights256(const uint8_t* bytes, __m256i& low, __m256i& high) {
    const __m256i w = _mm256_add_epi32(
        _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(bytes))),
        _mm256_set1_epi32(1));
    SwSpreadWeights256(w, low, high);
}

inline __m256i SwLoad8(const uint32_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

inline void SwStore8(uint32_t* p, __m256i v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

}  // namespace Graphics
