#include "graphics/software/swblend.h"

#include <emmintrin.h>

namespace Graphics {

namespace {

using Floats = float __attribute__((vector_size(16)));
using Ints = int32_t __attribute__((vector_size(16)));
using Doubles = double __attribute__((vector_size(2 * sizeof(Floats))));

bool AnyLane(Ints mask) { return _mm_movemask_ps(reinterpret_cast<__m128>(mask)) != 0; }

#include "graphics/software/swblendlanes.inl"

}  // namespace

void SwBlendNonSeparableRowSSE2(int32_t mode, const uint32_t* backdrop, const uint32_t* source,
                                int32_t count, uint32_t* out) {
    using Lanes = SwBlendLanes<Floats, Ints, Doubles>;
    const int32_t done = Lanes::Row(mode, backdrop, source, count, out);
    if (done < count) Lanes::Tail(mode, backdrop + done, source + done, count - done, out + done);
}

}  // namespace Graphics
