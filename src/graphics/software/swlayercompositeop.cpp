#include "graphics/software/swlayercompositeop.h"

#include "graphics/software/swblend.h"
#include "graphics/software/swpixel.h"

namespace Graphics {

namespace {

// x + y - x y in 8 bits: the union of two coverages or alphas.
inline uint32_t Union(uint32_t x, uint32_t y) {
    return x + y - (((x + 1) * y) >> 8);
}

template <int32_t Mode, bool Knockout, bool Isolated>
void CompositeSpan(const SwSpanState& state) {
    const int32_t count = state.span.x1 - state.span.x0;
    uint32_t* color = state.targetColor;
    uint8_t* groupShape = state.targetShape;
    uint8_t* groupAlpha = state.targetAlpha;
    for (int32_t i = 0; i < count; ++i) {
        const uint32_t cs = state.sourceColor[i];
        const uint32_t as = SwAlpha(cs);
        const uint32_t s = state.sourceShape[i];
        if (s == 0 || as == 0) continue;
        const uint32_t backdrop = Isolated ? 0u : state.backdropColor[i];
        const uint32_t base = Knockout ? backdrop : color[i];
        const uint32_t ag = groupAlpha[i];
        const uint32_t h = Knockout ? as : Union(as, ag);
        const uint32_t newAlpha = s == 255 ? h : (((s + 1) * h) >> 8) + (((256 - s) * ag) >> 8);
        uint32_t composed;
        if constexpr (Mode == kSwBlendNormal) {
            composed = SwScale(base, 256 - as) + cs;
        } else {
            composed = SwBlendOver<Mode>(base, cs);
        }
        if (s != 255) composed = SwMix(color[i], composed, s + 1);
        groupShape[i] = uint8_t(Union(s, groupShape[i]));
        groupAlpha[i] = uint8_t(newAlpha);
        color[i] = (composed & 0x00FFFFFFu) | (Union(SwAlpha(backdrop), newAlpha) << 24);
    }
}

template <int32_t Mode>
void CompositeGroup(const SwSpanState& state, bool knockout, bool isolated) {
    if (knockout) {
        isolated ? CompositeSpan<Mode, true, true>(state) : CompositeSpan<Mode, true, false>(state);
    } else {
        isolated ? CompositeSpan<Mode, false, true>(state)
                 : CompositeSpan<Mode, false, false>(state);
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

}  // namespace Graphics
