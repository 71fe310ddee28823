#include "graphics/software/swbasiccompositenormalsse2op.h"

#include <emmintrin.h>

#include <cstring>

namespace Graphics {

namespace {

// Two pixels in 16-bit lanes: each channel times its pixel's weight, shifted down by 8.
inline __m128i ScaleLanes(__m128i lanes, __m128i weights) {
    return _mm_srli_epi16(_mm_mullo_epi16(lanes, weights), 8);
}

// Each pixel's alpha lane repeated over its four lanes.
inline __m128i BroadcastAlpha(__m128i lanes) {
    return _mm_shufflehi_epi16(_mm_shufflelo_epi16(lanes, _MM_SHUFFLE(3, 3, 3, 3)),
                               _MM_SHUFFLE(3, 3, 3, 3));
}

inline __m128i CompositeTwo(__m128i target, __m128i source, __m128i weights) {
    const __m128i cs = ScaleLanes(source, weights);
    const __m128i inverse = _mm_sub_epi16(_mm_set1_epi16(256), BroadcastAlpha(cs));
    return _mm_add_epi16(cs, ScaleLanes(target, inverse));
}

}  // namespace

void SwBasicCompositeNormalSSE2Op::CompositeRowScalar(uint32_t* target, const uint32_t* source,
                                                      const uint8_t* shape, int32_t count) {
    for (int32_t i = 0; i < count; ++i) target[i] = CompositePixel(target[i], source[i], shape[i]);
}

void SwBasicCompositeNormalSSE2Op::CompositeRow(uint32_t* target, const uint32_t* source,
                                                const uint8_t* shape, int32_t count) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i one = _mm_set1_epi16(1);
    int32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        int32_t shapes;
        std::memcpy(&shapes, shape + i, 4);
        // Weights s + 1, each repeated over its pixel's four lanes.
        const __m128i s16 = _mm_add_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(shapes), zero), one);
        const __m128i pairs = _mm_unpacklo_epi16(s16, s16);
        const __m128i weightsLo = _mm_unpacklo_epi32(pairs, pairs);
        const __m128i weightsHi = _mm_unpackhi_epi32(pairs, pairs);
        const __m128i src = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i));
        const __m128i dst = _mm_loadu_si128(reinterpret_cast<const __m128i*>(target + i));
        const __m128i lo =
            CompositeTwo(_mm_unpacklo_epi8(dst, zero), _mm_unpacklo_epi8(src, zero), weightsLo);
        const __m128i hi =
            CompositeTwo(_mm_unpackhi_epi8(dst, zero), _mm_unpackhi_epi8(src, zero), weightsHi);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(target + i), _mm_packus_epi16(lo, hi));
    }
    CompositeRowScalar(target + i, source + i, shape + i, count - i);
}

void SwBasicCompositeNormalSSE2Op::Process(SwSpanState& state) {
    CompositeRow(state.targetColor, state.sourceColor, state.sourceShape,
                 state.span.x1 - state.span.x0);
}

}  // namespace Graphics
