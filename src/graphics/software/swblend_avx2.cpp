#include "graphics/software/swblend.h"

#include <immintrin.h>

namespace Graphics {

namespace {

using Floats = float __attribute__((vector_size(32)));
using Ints = int32_t __attribute__((vector_size(32)));
// Half vectors for the short rests, where the three-operand forms and blend instructions of
// AVX2 still pay.
using HalfFloats = float __attribute__((vector_size(16)));
using HalfInts = int32_t __attribute__((vector_size(16)));

bool AnyLane(Ints mask) { return _mm256_movemask_ps(reinterpret_cast<__m256>(mask)) != 0; }
bool AnyLane(HalfInts mask) { return _mm_movemask_ps(reinterpret_cast<__m128>(mask)) != 0; }

// Four bytes to doubles in one step: the generic conversion splits it in two.
HalfFloats Units(HalfInts bytes) {
    const __m256d wide = _mm256_cvtepi32_pd(reinterpret_cast<__m128i>(bytes));
    return reinterpret_cast<HalfFloats>(
        _mm256_cvtpd_ps(_mm256_mul_pd(wide, _mm256_set1_pd(kSwInverse255))));
}

Floats Units(Ints bytes) {
    const __m256i all = reinterpret_cast<__m256i>(bytes);
    const HalfFloats low = Units(reinterpret_cast<HalfInts>(_mm256_castsi256_si128(all)));
    const HalfFloats high = Units(reinterpret_cast<HalfInts>(_mm256_extracti128_si256(all, 1)));
    return reinterpret_cast<Floats>(
        _mm256_set_m128(reinterpret_cast<__m128>(high), reinterpret_cast<__m128>(low)));
}

#include "graphics/software/swblendlanes.inl"

}  // namespace

void SwBlendNonSeparableRowAVX2(int32_t mode, const uint32_t* backdrop, const uint32_t* source,
                                int32_t count, uint32_t* out) {
    using Lanes = SwBlendLanes<Floats, Ints>;
    const int32_t done = Lanes::Row(mode, backdrop, source, count, out);
    // A rest of four or fewer pairs fits one half vector, which is half the work.
    if (count - done > 4)
        Lanes::Tail(mode, backdrop + done, source + done, count - done, out + done);
    else
        SwBlendLanes<HalfFloats, HalfInts>::All(mode, backdrop + done, source + done,
                                                count - done, out + done);
}

}  // namespace Graphics
