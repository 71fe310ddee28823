#include "graphics/software/swlayercompositeop.h"

#include <cstring>

#include "graphics/software/swblend.h"
#include "graphics/software/swpixel.h"
#include "graphics/software/swpixelsse2.h"

namespace Graphics {

namespace {

// x + y - x y in 8 bits: the union of two coverages or alphas.
inline uint32_t Union(uint32_t x, uint32_t y) {
    return x + y - (((x + 1) * y) >> 8);
}

// The same on four 32-bit lanes holding 0..255 (the products fit the low 16 bits).
inline __m128i UnionLanes(__m128i x, __m128i y) {
    const __m128i product = _mm_mullo_epi16(_mm_add_epi32(x, _mm_set1_epi32(1)), y);
    return _mm_sub_epi32(_mm_add_epi32(x, y), _mm_srli_epi32(product, 8));
}

template <int32_t Mode, bool Knockout, bool Isolated>
inline void CompositePixel(const SwSpanState& state, int32_t i) {
    const uint32_t cs = state.sourceColor[i];
    const uint32_t as = SwAlpha(cs);
    const uint32_t s = state.sourceShape[i];
    if (s == 0 || as == 0) return;
    uint32_t* color = state.targetColor;
    const uint32_t backdrop = Isolated ? 0u : state.backdropColor[i];
    const uint32_t base = Knockout ? backdrop : color[i];
    const uint32_t ag = state.targetAlpha[i];
    const uint32_t h = Knockout ? as : Union(as, ag);
    const uint32_t newAlpha = s == 255 ? h : (((s + 1) * h) >> 8) + (((256 - s) * ag) >> 8);
    uint32_t composed;
    if constexpr (Mode == kSwBlendNormal) {
        composed = SwScale(base, 256 - as) + cs;
    } else {
        composed = SwBlendOver<Mode>(base, cs);
    }
    if (s != 255) composed = SwMix(color[i], composed, s + 1);
    state.targetShape[i] = uint8_t(Union(s, state.targetShape[i]));
    state.targetAlpha[i] = uint8_t(newAlpha);
    color[i] = (composed & 0x00FFFFFFu) | (Union(SwAlpha(backdrop), newAlpha) << 24);
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

template <int32_t Mode, bool Knockout, bool Isolated, bool Wide>
void CompositeSpan(const SwSpanState& state) {
    const int32_t count = state.span.x1 - state.span.x0;
    int32_t i = 0;
    if constexpr (Mode == kSwBlendNormal && Wide) {
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
            for (int32_t k = 0; k < 4; ++k) CompositePixel<Mode, Knockout, Isolated>(state, i + k);
        }
    }
    for (; i < count; ++i) CompositePixel<Mode, Knockout, Isolated>(state, i);
}

template <int32_t Mode, bool Wide = true>
void CompositeGroup(const SwSpanState& state, bool knockout, bool isolated) {
    if (knockout) {
        isolated ? CompositeSpan<Mode, true, true, Wide>(state)
                 : CompositeSpan<Mode, true, false, Wide>(state);
    } else {
        isolated ? CompositeSpan<Mode, false, true, Wide>(state)
                 : CompositeSpan<Mode, false, false, Wide>(state);
    }
}

}  // namespace

void SwLayerCompositeOp::Process(SwSpanState& state) {
    VisitBlendMode(state.blendMode,
                   [&]<int32_t Mode>() { CompositeGroup<Mode>(state, knockout_, isolated_); });
}

void SwLayerCompositeNormalOp::Process(SwSpanState& state) {
    CompositeGroup<kSwBlendNormal>(state, knockout_, isolated_);
}

void SwLayerCompositeNormalOp::CompositeRowScalar(const SwSpanState& state, bool knockout,
                                                  bool isolated) {
    CompositeGroup<kSwBlendNormal, false>(state, knockout, isolated);
}

}  // namespace Graphics
