#include "graphics/software/swbasiccompositeop.h"

#include "graphics/software/swblend.h"
#include "graphics/software/swpixel.h"

namespace Graphics {

namespace {

template <int32_t Mode>
inline uint32_t Composite(uint32_t cb, uint32_t cs, uint32_t s) {
    if (s == 0 || SwAlpha(cs) == 0) return cb;
    if (s < 255) cs = SwScale(cs, s + 1);
    return SwBlendOver<Mode>(cb, cs);
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
