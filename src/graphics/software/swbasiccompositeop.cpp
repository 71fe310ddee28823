#include "graphics/software/swbasiccompositeop.h"

#include "graphics/software/swblend.h"
#include "graphics/software/swpixel.h"

namespace Graphics {

namespace {

template <int32_t Mode>
inline uint32_t Composite(uint32_t cb, uint32_t cs, uint32_t s) {
    if (s == 0 || SwAlpha(cs) == 0) return cb;
    if (s < 255) cs = SwScale(cs, s + 1);
    const uint32_t ab = SwAlpha(cb);
    if (ab == 0) return cs;
    const uint32_t as = SwAlpha(cs);
    const uint32_t blended = SwBlend<Mode>(SwUnpremultiply(cb), SwUnpremultiply(cs));
    if (as == 255) {
        if (ab == 255) return blended | 0xFF000000u;
        return (SwMix(cs, blended, ab + 1) & 0x00FFFFFFu) | 0xFF000000u;
    }
    if (ab == 255) return (SwMix(cb, blended, as + 1) & 0x00FFFFFFu) | 0xFF000000u;
    // Premultiplied inputs keep every channel of the sum at or below its alpha, so the
    // three terms never carry into each other.
    const uint32_t both = (as * (ab + 1)) >> 8;
    const uint32_t color =
        SwScale(cs, 256 - ab) + SwScale(cb, 256 - as) + SwScale(blended, both + 1);
    return (color & 0x00FFFFFFu) | ((as + ab - both) << 24);
}

template <int32_t Mode>
void CompositeSpan(uint32_t* target, const uint32_t* source, const uint8_t* shape, int32_t count) {
    for (int32_t i = 0; i < count; ++i) target[i] = Composite<Mode>(target[i], source[i], shape[i]);
}

}  // namespace

void SwBasicCompositeOp::Process(SwSpanState& state) {
    const int32_t count = state.span.x1 - state.span.x0;
    VisitBlendMode(state.blendMode, [&]<int32_t Mode>() {
        CompositeSpan<Mode>(state.targetColor, state.sourceColor, state.sourceShape, count);
    });
}

uint32_t SwBasicCompositeOp::CompositePixel(int32_t blendMode, uint32_t cb, uint32_t cs,
                                            uint32_t s) {
    return VisitBlendMode(blendMode, [&]<int32_t Mode>() { return Composite<Mode>(cb, cs, s); });
}

}  // namespace Graphics
