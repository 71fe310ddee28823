#include "graphics/software/swblend.h"

#include <emmintrin.h>

namespace Graphics {

namespace {

using Floats = float __attribute__((vector_size(16)));
using Ints = int32_t __attribute__((vector_size(16)));

bool AnyLane(Ints mask) { return _mm_movemask_ps(reinterpret_cast<__m128>(mask)) != 0; }

Floats Units(Ints bytes) {
    using Doubles = double __attribute__((vector_size(32)));
    return __builtin_convertvector(__builtin_convertvector(bytes, Doubles) * kSwInverse255,
                                   Floats);
}

#include "graphics/software/swblendlanes.inl"

}  // namespace

void SwBlendNonSeparableRowSSE2(int32_t mode, const uint32_t* backdrop, const uint32_t* source,
                                int32_t count, uint32_t* out) {
    SwBlendLanes<Floats, Ints>::All(mode, backdrop, source, count, out);
}

}  // namespace Graphics
