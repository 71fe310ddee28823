#include <cstring>

#include "graphics/software/swlayercompositeop.h"
#include "graphics/software/swpixelsse2.h"

namespace Graphics {

namespace {

// x + y - (((x + 1) y) >> 8), the union of two coverages or alphas, on four 32-bit lanes
// holding 0..255 (the products fit the low 16 bits).
inline __m128i UnionLanes(__m128i x, __m128i y) {
    const __m128i product = _mm_mullo_epi16(_mm_add_epi32(x, _mm_set1_epi32(1)), y);
    return _mm_sub_epi32(_mm_add_epi32(x, y), _mm_srli_epi32(product, 8));
}

// Four pixels of CompositePixel<Normal> at once, for the common case of whole shapes and
// visible sources (the caller checks): the same arithmetic in 16- and 32-bit lanes.
template <bool Knockout, bool Isolated>
inline void CompositeFourNormal(const SwSpanState& state, int32_t i) {
    const __m128i zero = _mm_setzero_si128();
    auto* colorAt = reinterpret_cast<__m128i*>(state.targetColor + i);
    const __m128i cs = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state.sourceColor + i));
    const __m128i backdrop =
        Isolated ? zero
                 : _mm_loadu_si128(reinterpret_cast<const __m128i*>(state.backdropColor + i));
    const __m128i base = Knockout ? backdrop : _mm_loadu_si128(colorAt);
    // base x (256 - as) >> 8 + cs on every channel.
    const __m128i lo = SwOverLanes(_mm_unpacklo_epi8(base, zero), _mm_unpacklo_epi8(cs, zero));
    const __m128i hi = SwOverLanes(_mm_unpackhi_epi8(base, zero), _mm_unpackhi_epi8(cs, zero));
    const __m128i composed = _mm_packus_epi16(lo, hi);
    // The group alpha and the alpha byte, one pixel per 32-bit lane.
    const __m128i as = _mm_srli_epi32(cs, 24);
    int32_t agBytes;
    std::memcpy(&agBytes, state.targetAlpha + i, 4);
    const __m128i ag =
        _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(agBytes), zero), zero);
    const __m128i newAlpha = Knockout ? as : UnionLanes(as, ag);
    const __m128i alphaByte =
        Isolated ? newAlpha : UnionLanes(_mm_srli_epi32(backdrop, 24), newAlpha);
    const __m128i colorMask = _mm_set1_epi32(0x00FFFFFF);
    _mm_storeu_si128(
        colorAt, _mm_or_si128(_mm_and_si128(composed, colorMask), _mm_slli_epi32(alphaByte, 24)));
    const int32_t newAlphaBytes =
        _mm_cvtsi128_si32(_mm_packus_epi16(_mm_packs_epi32(newAlpha, zero), zero));
    std::memcpy(state.targetAlpha + i, &newAlphaBytes, 4);
    std::memset(state.targetShape + i, 0xFF, 4);
}

template <bool Knockout, bool Isolated>
void CompositeSpan(const SwSpanState& state) {
    const int32_t count = state.span.x1 - state.span.x0;
    int32_t i = 0;
    {
        const __m128i alphaMask = _mm_set1_epi32(int32_t(0xFF000000u));
        for (; i + 4 <= count; i += 4) {
            uint32_t shapes;
            std::memcpy(&shapes, state.sourceShape + i, 4);
            const __m128i cs =
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(state.sourceColor + i));
            const __m128i invisible =
                _mm_cmpeq_epi32(_mm_and_si128(cs, alphaMask), _mm_setzero_si128());
            if (shapes == 0xFFFFFFFFu && _mm_movemask_epi8(invisible) == 0) {
                CompositeFourNormal<Knockout, Isolated>(state, i);
                continue;
            }
            SwLayerCompositeNormalOp::CompositePixelsScalar(state, Knockout, Isolated, i, i + 4);
        }
    }
    SwLayerCompositeNormalOp::CompositePixelsScalar(state, Knockout, Isolated, i, count);
}

}  // namespace

void SwLayerCompositeNormalOp::CompositeRowSSE2(const SwSpanState& state, bool knockout,
                                                bool isolated) {
    if (knockout) {
        isolated ? CompositeSpan<true, true>(state) : CompositeSpan<true, false>(state);
    } else {
        isolated ? CompositeSpan<false, true>(state) : CompositeSpan<false, false>(state);
    }
}

}  // namespace Graphics
