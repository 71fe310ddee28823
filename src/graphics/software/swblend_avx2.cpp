#include "graphics/software/swblend.h"

namespace Graphics {

namespace {

using Floats = float __attribute__((vector_size(32)));
using Ints = int32_t __attribute__((vector_size(32)));

#include "graphics/software/swblendlanes.inl"

}  // namespace

void SwBlendNonSeparableRowAVX2(int32_t mode, const uint32_t* backdrop, const uint32_t* source,
                                int32_t count, uint32_t* out) {
    const int32_t done = SwBlendLanes<Floats, Ints>::Row(mode, backdrop, source, count, out);
    SwBlendNonSeparableRowSSE2(mode, backdrop + done, source + done, count - done, out + done);
}

}  // namespace Graphics
