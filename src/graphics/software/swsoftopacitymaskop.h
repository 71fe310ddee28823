#pragma once

#include "graphics/core/simdlevel.h"
#include "graphics/software/swsoftmaskop.h"

namespace Graphics {

// An opacity mask: each mask byte m scales all four channels of the source colour by
// (m + 1) / 256, 255 leaving it.
class SwSoftOpacityMaskOp : public SwSoftMaskOp {
public:
    explicit SwSoftOpacityMaskOp(const SwSoftMask& mask)
        : SwSoftMaskOp(kSwOrderOpacityMask, mask) {}

    // color[i] = scale(color[i], mask[i] + 1) on all four channels for count pixels, in the
    // process's instruction set.
    static void ScaleRow(uint32_t* color, const uint8_t* mask, int32_t count);
    // The one-pixel form: the scalar twin the SSE2 loop is tested against.
    static void ScaleRowScalar(uint32_t* color, const uint8_t* mask, int32_t count);
    static void ScaleRowSSE2(uint32_t* color, const uint8_t* mask, int32_t count);
    using RowProc = void (*)(uint32_t* color, const uint8_t* mask, int32_t count);
    static const SimdKernel<RowProc> kScaleRowForms;

protected:
    void ApplyChunk(SwSpanState& state, int32_t offset, const uint8_t* mask,
                    int32_t count) override;
};

}  // namespace Graphics
