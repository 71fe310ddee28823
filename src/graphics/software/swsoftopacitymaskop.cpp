#include "graphics/software/swsoftopacitymaskop.h"

#include "graphics/software/swpixel.h"

namespace Graphics {

const SimdKernel<SwSoftOpacityMaskOp::RowProc> SwSoftOpacityMaskOp::kScaleRowForms{
    &ScaleRowScalar, GX_SSE2_FORM(ScaleRowSSE2), nullptr};

void SwSoftOpacityMaskOp::ApplyChunk(SwSpanState& state, int32_t offset, const uint8_t* mask,
                                     int32_t count) {
    ScaleRow(state.sourceColor + offset, mask, count);
}

void SwSoftOpacityMaskOp::ScaleRowScalar(uint32_t* color, const uint8_t* mask, int32_t count) {
    // Mask 255 is weight 256, which SwScale leaves unchanged: no special case needed.
    for (int32_t i = 0; i < count; ++i) color[i] = SwScale(color[i], mask[i] + 1u);
}

void SwSoftOpacityMaskOp::ScaleRow(uint32_t* color, const uint8_t* mask, int32_t count) {
    static const RowProc row = kScaleRowForms.Active();
    row(color, mask, count);
}

}  // namespace Graphics
