#pragma once

#include "graphics/core/simdlevel.h"
#include "graphics/software/swsoftmaskop.h"

namespace Graphics {

// A shape mask (a clip mask, a layer's shape, a caller's shape mask): each mask byte m
// scales the source shape, sourceShape = ((m + 1) x sourceShape) >> 8, 255 leaving it.
class SwSoftShapeMaskOp : public SwSoftMaskOp {
public:
    explicit SwSoftShapeMaskOp(const SwSoftMask& mask) : SwSoftMaskOp(kSwOrderShapeMask, mask) {}

    // shape[i] = ((mask[i] + 1) x shape[i]) >> 8 for count bytes, in the process's
    // instruction set (also the product of two clip coverages).
    static void MultiplyRow(uint8_t* shape, const uint8_t* mask, int32_t count);
    // The one-byte form: the scalar twin the SSE2 loop is tested against.
    static void MultiplyRowScalar(uint8_t* shape, const uint8_t* mask, int32_t count);
    static void MultiplyRowSSE2(uint8_t* shape, const uint8_t* mask, int32_t count);
    using RowProc = void (*)(uint8_t* shape, const uint8_t* mask, int32_t count);
    static const SimdKernel<RowProc> kMultiplyRowForms;

protected:
    void ApplyChunk(SwSpanState& state, int32_t offset, const uint8_t* mask,
                    int32_t count) override;
};

}  // namespace Graphics
