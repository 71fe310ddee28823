#include "graphics/software/swcoveragecompositenormalop.h"

#include "graphics/software/swbasiccompositenormalsse2op.h"

namespace Graphics {

const SimdKernel<SwCoverageCompositeNormalOp::RowProc>
    SwCoverageCompositeNormalOp::kCompositeRowForms{&CompositeRowScalar,
                                                    GX_SSE2_FORM(CompositeRowSSE2),
                                                    GX_AVX2_FORM(CompositeRowAVX2)};

void SwCoverageCompositeNormalOp::CompositeRowScalar(uint32_t* target, const uint32_t* source,
                                                     uint8_t coverage, int32_t count) {
    for (int32_t i = 0; i < count; ++i)
        target[i] = SwBasicCompositeNormalSSE2Op::CompositePixel(target[i], source[i], coverage);
}

void SwCoverageCompositeNormalOp::CompositeRow(uint32_t* target, const uint32_t* source,
                                               uint8_t coverage, int32_t count) {
    static const RowProc row = kCompositeRowForms.Active();
    row(target, source, coverage, count);
}

void SwCoverageCompositeNormalOp::Process(SwSpanState& state) {
    CompositeRow(state.targetColor, state.sourceColor, state.span.coverage,
                 state.span.x1 - state.span.x0);
}

}  // namespace Graphics
