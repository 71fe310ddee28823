#include <immintrin.h>

#include "graphics/software/radialgradientfiller.h"

namespace Graphics {

namespace {

// lower <= v <= upper, with a bound that is infinite left out: it holds for every v but
// NaN, which fails the other comparison too (or, with both infinite, the order test).
template <bool kLower, bool kUpper>
[[gnu::always_inline]] inline __m256 InRange(__m256 v, __m256 lower, __m256 upper) {
    if constexpr (kLower && kUpper)
        return _mm256_and_ps(_mm256_cmp_ps(v, lower, _CMP_GE_OQ),
                             _mm256_cmp_ps(v, upper, _CMP_LE_OQ));
    else if constexpr (kLower)
        return _mm256_cmp_ps(v, lower, _CMP_GE_OQ);
    else if constexpr (kUpper)
        return _mm256_cmp_ps(v, upper, _CMP_LE_OQ);
    else
        return _mm256_cmp_ps(v, v, _CMP_ORD_Q);
}

}  // namespace

// SolveSpanSSE2 eight pixels at a time: the same operations in the same order per lane, so
// every lane rounds exactly as the scalar twin does.
void RadialGradientFiller::SolveSpanAVX2(float px, float py, int32_t first, int32_t count,
                                         float* s) const {
    // The loop for the sign of a and the finite bounds, by (sign + 1) x 4 + lower x 2 + upper.
    using Lanes = void (RadialGradientFiller::*)(float, float, int32_t, int32_t, float*) const;
    static constexpr Lanes kLanes[] = {&RadialGradientFiller::SolveLanesAVX2<-1, false, false>,
                                       &RadialGradientFiller::SolveLanesAVX2<-1, false, true>,
                                       &RadialGradientFiller::SolveLanesAVX2<-1, true, false>,
                                       &RadialGradientFiller::SolveLanesAVX2<-1, true, true>,
                                       &RadialGradientFiller::SolveLanesAVX2<0, false, false>,
                                       &RadialGradientFiller::SolveLanesAVX2<0, false, true>,
                                       &RadialGradientFiller::SolveLanesAVX2<0, true, false>,
                                       &RadialGradientFiller::SolveLanesAVX2<0, true, true>,
                                       &RadialGradientFiller::SolveLanesAVX2<1, false, false>,
                                       &RadialGradientFiller::SolveLanesAVX2<1, false, true>,
                                       &RadialGradientFiller::SolveLanesAVX2<1, true, false>,
                                       &RadialGradientFiller::SolveLanesAVX2<1, true, true>};
    const int32_t sign = a_ < 0.0f ? -1 : a_ != 0.0f ? 1 : 0;  // NaN as the scalar twin takes it
    const Lanes solve = kLanes[(sign + 1) * 4 + (sMin_ != -__builtin_huge_valf()) * 2 +
                               (sMax_ != __builtin_huge_valf())];
    const int32_t wide = count & ~7;
    (this->*solve)(px, py, first, wide, s);
    SolveSpanSSE2(px, py, first + wide, count - wide, s + wide);
}

// Whole groups of eight. `kSignA`: the sign of a; `kLower` and `kUpper`: whether sMin_
// and sMax_ are finite.
template <int kSignA, bool kLower, bool kUpper>
void RadialGradientFiller::SolveLanesAVX2(float px, float py, int32_t first, int32_t count,
                                          float* s) const {
    const __m256 zero = _mm256_setzero_ps();
    const __m256 none = _mm256_set1_ps(-__builtin_huge_valf());
    const __m256 signBit = _mm256_set1_ps(-0.0f);
    const __m256 cx = _mm256_set1_ps(cx_), cy = _mm256_set1_ps(cy_);
    const __m256 bOffset = _mm256_set1_ps(bOffset_), r02 = _mm256_set1_ps(r02_);
    const __m256 a = _mm256_set1_ps(a_), inverseA = _mm256_set1_ps(inverseA_);
    const __m256 sMin = _mm256_set1_ps(sMin_), sMax = _mm256_set1_ps(sMax_);
    const __m256 stepX = _mm256_set1_ps(inverse_.a), stepY = _mm256_set1_ps(inverse_.b);
    const __m256 x0 = _mm256_set1_ps(px), y0 = _mm256_set1_ps(py);
    __m256i pixel =
        _mm256_add_epi32(_mm256_set1_epi32(first), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
    for (int32_t i = 0; i < count; i += 8) {
        const __m256 index = _mm256_cvtepi32_ps(pixel);
        pixel = _mm256_add_epi32(pixel, _mm256_set1_epi32(8));
        const __m256 x = _mm256_add_ps(x0, _mm256_mul_ps(index, stepX));
        const __m256 y = _mm256_add_ps(y0, _mm256_mul_ps(index, stepY));
        const __m256 b =
            _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(x, cx), _mm256_mul_ps(y, cy)), bOffset);
        const __m256 c =
            _mm256_sub_ps(_mm256_add_ps(_mm256_mul_ps(x, x), _mm256_mul_ps(y, y)), r02);
        __m256 disc = _mm256_sub_ps(_mm256_mul_ps(b, b), _mm256_mul_ps(a, c));
        // max(0, disc) keeps a NaN discriminant as std::max(disc, 0) does.
        if constexpr (kSignA < 0) disc = _mm256_max_ps(zero, disc);
        // A discriminant below 0 or NaN needs no mask: its root is NaN, which makes q and
        // both candidates NaN, and NaN fails every range test, leaving -inf.
        const __m256 root = _mm256_sqrt_ps(disc);
        // b >= 0: b + root, otherwise (NaN included) b - root.
        const __m256 negative = _mm256_andnot_ps(_mm256_cmp_ps(b, zero, _CMP_GE_OQ), signBit);
        const __m256 q = _mm256_add_ps(b, _mm256_xor_ps(root, negative));
        __m256 result = none;
        if constexpr (kSignA != 0) {
            const __m256 far = _mm256_mul_ps(q, inverseA);
            result = _mm256_blendv_ps(result, far, InRange<kLower, kUpper>(far, sMin, sMax));
        }
        // std::max(result, near) where q != 0 and near is in range: near where result < near.
        const __m256 near = _mm256_div_ps(c, q);
        const __m256 chosen = _mm256_and_ps(_mm256_and_ps(_mm256_cmp_ps(q, zero, _CMP_NEQ_UQ),
                                                          _mm256_cmp_ps(result, near, _CMP_LT_OQ)),
                                            InRange<kLower, kUpper>(near, sMin, sMax));
        _mm256_storeu_ps(s + i, _mm256_blendv_ps(result, near, chosen));
    }
}

}  // namespace Graphics
