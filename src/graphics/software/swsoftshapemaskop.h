#pragma once

#include "graphics/software/swsoftmaskop.h"

namespace Graphics {

// A shape mask (a clip mask, a layer's shape, a caller's shape mask): each mask byte m
// scales the source shape, sourceShape = ((m + 1) x sourceShape) >> 8, 255 leaving it.
class SwSoftShapeMaskOp : public SwSoftMaskOp {
public:
    explicit SwSoftShapeMaskOp(const SwSoftMask& mask) : SwSoftMaskOp(kSwOrderShapeMask, mask) {}

protected:
    void ApplyChunk(SwSpanState& state, int32_t offset, const uint8_t* mask,
                    int32_t count) override;
};

}  // namespace Graphics
