#include "graphics/software/swsoftshapemaskop.h"

namespace Graphics {

void SwSoftShapeMaskOp::ApplyChunk(SwSpanState& state, int32_t offset, const uint8_t* mask,
                                   int32_t count) {
    uint8_t* shape = state.sourceShape + offset;
    for (int32_t i = 0; i < count; ++i) {
        const uint32_t m = mask[i];
        if (m != 255) shape[i] = static_cast<uint8_t>(((m + 1) * shape[i]) >> 8);
    }
}

}  // namespace Graphics
