#include "graphics/software/swsoftshapemaskop.h"

namespace Graphics {

const SimdKernel<SwSoftShapeMaskOp::RowProc> SwSoftShapeMaskOp::kMultiplyRowForms{
    &MultiplyRowScalar, GX_SSE2_FORM(MultiplyRowSSE2), nullptr};

void SwSoftShapeMaskOp::ApplyChunk(SwSpanState& state, int32_t offset, const uint8_t* mask,
                                   int32_t count) {
    MultiplyRow(state.sourceShape + offset, mask, count);
}

void SwSoftShapeMaskOp::MultiplyRowScalar(uint8_t* shape, const uint8_t* mask, int32_t count) {
    // At most 256 x 255 >> 8 = 255, and mask 255 gives 256 x s >> 8 = s: no clamping and
    // no special case for a fully open mask.
    for (int32_t i = 0; i < count; ++i) {
        shape[i] = static_cast<uint8_t>(((mask[i] + 1u) * shape[i]) >> 8);
    }
}

void SwSoftShapeMaskOp::MultiplyRow(uint8_t* shape, const uint8_t* mask, int32_t count) {
    static const RowProc row = kMultiplyRowForms.Active();
    row(shape, mask, count);
}

}  // namespace Graphics
