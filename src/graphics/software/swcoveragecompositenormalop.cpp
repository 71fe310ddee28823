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
    const SwSpan& span = state.span;
    if (opaqueSource_) {
        if (span.coverage == 255) {
            opaqueSource_->FillSpan(span.x0, span.x1, span.y, state.targetColor);
            return;
        }
        opaqueSource_->FillSpan(span.x0, span.x1, span.y, state.sourceColor);
    }
    CompositeRow(state.targetColor, state.sourceColor, span.coverage, span.x1 - span.x0);
}

}  // namespace Graphics
