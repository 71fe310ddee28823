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

template <int32_t Mode, bool Knockout, bool Isolated>
void CompositeRange(const SwSpanState& state, int32_t first, int32_t end) {
    for (int32_t i = first; i < end; ++i) CompositePixel<Mode, Knockout, Isolated>(state, i);
}

template <int32_t Mode>
void CompositeRange(const SwSpanState& state, bool knockout, bool isolated, int32_t first,
                    int32_t end) {
    if (knockout) {
        isolated ? CompositeRange<Mode, true, true>(state, first, end)
                 : CompositeRange<Mode, true, false>(state, first, end);
    } else {
        isolated ? CompositeRange<Mode, false, true>(state, first, end)
                 : CompositeRange<Mode, false, false>(state, first, end);
    }
}

}  // namespace

const SimdKernel<SwLayerCompositeNormalOp::RowProc> SwLayerCompositeNormalOp::kCompositeRowForms{
    &CompositeRowScalar, GX_SSE2_FORM(CompositeRowSSE2), nullptr};

void SwLayerCompositeOp::Process(SwSpanState& state) {
    VisitBlendMode(state.blendMode, [&]<int32_t Mode>() {
        CompositeRange<Mode>(state, knockout_, isolated_, 0, state.span.x1 - state.span.x0);
    });
}

void SwLayerCompositeNormalOp::Process(SwSpanState& state) {
    static const RowProc row = kCompositeRowForms.Active();
    row(state, knockout_, isolated_);
}

void SwLayerCompositeNormalOp::CompositePixelsScalar(const SwSpanState& state, bool knockout,
                                                     bool isolated, int32_t first, int32_t end) {
    CompositeRange<kSwBlendNormal>(state, knockout, isolated, first, end);
}

void SwLayerCompositeNormalOp::CompositeRowScalar(const SwSpanState& state, bool knockout,
                                                  bool isolated) {
    CompositePixelsScalar(state, knockout, isolated, 0, state.span.x1 - state.span.x0);
}

}  // namespace Graphics
