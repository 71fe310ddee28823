#include "graphics/software/swcoveragecompositenormalop.h"

#include <emmintrin.h>

#include "graphics/software/swbasiccompositenormalsse2op.h"

namespace Graphics {

namespace {

// Each pixel's alpha lane repeated over its four lanes.
inline __m128i BroadcastAlpha(__m128i lanes) {
    return _mm_shufflehi_epi16(_mm_shufflelo_epi16(lanes, _MM_SHUFFLE(3, 3, 3, 3)),
                               _MM_SHUFFLE(3, 3, 3, 3));
}

// cs + scale(cb, 256 - alpha(cs)) on two pixels in 16-bit lanes.
inline __m128i Over(__m128i cb, __m128i cs) {
    const __m128i inverse = _mm_sub_epi16(_mm_set1_epi16(256), BroadcastAlpha(cs));
    return _mm_add_epi16(cs, _mm_srli_epi16(_mm_mullo_epi16(cb, inverse), 8));
}

template <bool kWhole>
void CompositeWide(uint32_t* target, const uint32_t* source, __m128i weights, int32_t wide) {
    const __m128i zero = _mm_setzero_si128();
    for (int32_t i = 0; i < wide; i += 4) {
        const __m128i src = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i));
        __m128i* at = reinterpret_cast<__m128i*>(target + i);
        const __m128i dst = _mm_loadu_si128(at);
        __m128i lo = _mm_unpacklo_epi8(src, zero), hi = _mm_unpackhi_epi8(src, zero);
        if constexpr (!kWhole) {
            lo = _mm_srli_epi16(_mm_mullo_epi16(lo, weights), 8);
            hi = _mm_srli_epi16(_mm_mullo_epi16(hi, weights), 8);
        }
        _mm_storeu_si128(at, _mm_packus_epi16(Over(_mm_unpacklo_epi8(dst, zero), lo),
                                              Over(_mm_unpackhi_epi8(dst, zero), hi)));
    }
}

}  // namespace

void SwCoverageCompositeNormalOp::CompositeRow(uint32_t* target, const uint32_t* source,
                                               uint8_t coverage, int32_t count) {
    const int32_t wide = count & ~3;
    // Weight 256 scales by (v x 256) >> 8 = v: a whole pixel takes the source unchanged.
    const __m128i weights = _mm_set1_epi16(int16_t(coverage + 1));
    if (coverage == 255)
        CompositeWide<true>(target, source, weights, wide);
    else
        CompositeWide<false>(target, source, weights, wide);
    for (int32_t i = wide; i < count; ++i)
        target[i] = SwBasicCompositeNormalSSE2Op::CompositePixel(target[i], source[i], coverage);
}

void SwCoverageCompositeNormalOp::Process(SwSpanState& state) {
    CompositeRow(state.targetColor, state.sourceColor, state.span.coverage,
                 state.span.x1 - state.span.x0);
}

}  // namespace Graphics
