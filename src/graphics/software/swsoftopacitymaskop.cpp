#include "graphics/software/swsoftopacitymaskop.h"

#include "graphics/software/swpixel.h"

namespace Graphics {

void SwSoftOpacityMaskOp::ApplyChunk(SwSpanState& state, int32_t offset, const uint8_t* mask,
                                     int32_t count) {
    uint32_t* color = state.sourceColor + offset;
    for (int32_t i = 0; i < count; ++i) {
        const uint32_t m = mask[i];
        if (m != 255) color[i] = SwScale(color[i], m + 1);
    }
}

}  // namespace Graphics
