#include "graphics/software/swblend.h"

#include <immintrin.h>

namespace Graphics {

namespace {

using Floats = float __attribute__((vector_size(32)));
using Ints = int32_t __attribute__((vector_size(32)));
using Doubles = double __attribute__((vector_size(64)));
// Half vectors for the short rests, where the three-operand forms, blend instructions and
// four-wide double conversions of AVX2 still pay.
using HalfFloats = float __attribute__((vector_size(16)));
using HalfInts = int32_t __attribute__((vector_size(16)));
using HalfDoubles = double __attribute__((vector_size(32)));

bool AnyLane(Ints mask) { return _mm256_movemask_ps(reinterpret_cast<__m256>(mask)) != 0; }
bool AnyLane(HalfInts mask) { return _mm_movemask_ps(reinterpret_cast<__m128>(mask)) != 0; }

#include "graphics/software/swblendlanes.inl"

}  // namespace

void SwBlendNonSeparableRowAVX2(int32_t mode, const uint32_t* backdrop, const uint32_t* source,
                                int32_t count, uint32_t* out) {
    using Lanes = SwBlendLanes<Floats, Ints, Doubles>;
    const int32_t done = Lanes::Row(mode, backdrop, source, count, out);
    // A rest of four or fewer pairs fits one half vector, which is half the work.
    if (count - done > 4)
        Lanes::Tail(mode, backdrop + done, source + done, count - done, out + done);
    else
        SwBlendLanes<HalfFloats, HalfInts, HalfDoubles>::All(mode, backdrop + done,
                                                             source + done, count - done,
                                                             out + done);
}

}  // namespace Graphics
