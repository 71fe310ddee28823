#include "graphics/software/swblend.h"

#include <immintrin.h>

namespace Graphics {

namespace {

using Floats = float __attribute__((vector_size(32)));
using Ints = int32_t __attribute__((vector_size(32)));
using Doubles = double __attribute__((vector_size(2 * sizeof(Floats))));

bool AnyLane(Ints mask) { return _mm256_movemask_ps(reinterpret_cast<__m256>(mask)) != 0; }

#include "graphics/software/swblendlanes.inl"

}  // namespace

void SwBlendNonSeparableRowAVX2(int32_t mode, const uint32_t* backdrop, const uint32_t* source,
                                int32_t count, uint32_t* out) {
    using Lanes = SwBlendLanes<Floats, Ints, Doubles>;
    const int32_t done = Lanes::Row(mode, backdrop, source, count, out);
    // A rest of four or fewer pairs fits one SSE2 step, which is half the work of an AVX2 one.
    if (count - done > 4)
        Lanes::Tail(mode, backdrop + done, source + done, count - done, out + done);
    else
        SwBlendNonSeparableRowSSE2(mode, backdrop + done, source + done, count - done, out + done);
}

}  // namespace Graphics
