#include "graphics/software/swbasiccompositenormalsse2op.h"

namespace Graphics {

const SimdKernel<SwBasicCompositeNormalSSE2Op::RowProc>
    SwBasicCompositeNormalSSE2Op::kCompositeRowForms{&CompositeRowScalar,
                                                     GX_SSE2_FORM(CompositeRowSSE2),
                                                     GX_AVX2_FORM(CompositeRowAVX2)};

void SwBasicCompositeNormalSSE2Op::CompositeRowScalar(uint32_t* target, const uint32_t* source,
                                                      const uint8_t* shape, int32_t count) {
    for (int32_t i = 0; i < count; ++i) target[i] = CompositePixel(target[i], source[i], shape[i]);
}

void SwBasicCompositeNormalSSE2Op::CompositeRow(uint32_t* target, const uint32_t* source,
                                                const uint8_t* shape, int32_t count) {
    static const RowProc row = kCompositeRowForms.Active();
    row(target, source, shape, count);
}

void SwBasicCompositeNormalSSE2Op::Process(SwSpanState& state) {
    CompositeRow(state.targetColor, state.sourceColor, state.sourceShape,
                 state.span.x1 - state.span.x0);
}

}  // namespace Graphics
