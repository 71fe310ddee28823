#pragma once

#include "graphics/software/swsoftmaskop.h"

namespace Graphics {

// An opacity mask: each mask byte m scales all four channels of the source colour by
// (m + 1) / 256, 255 leaving it.
class SwSoftOpacityMaskOp : public SwSoftMaskOp {
public:
    explicit SwSoftOpacityMaskOp(const SwSoftMask& mask)
        : SwSoftMaskOp(kSwOrderOpacityMask, mask) {}

protected:
    void ApplyChunk(SwSpanState& state, int32_t offset, const uint8_t* mask,
                    int32_t count) override;
};

}  // namespace Graphics
