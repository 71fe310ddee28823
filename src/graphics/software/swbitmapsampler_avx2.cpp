#include "graphics/software/swbitmapsampler.h"
#include "graphics/software/swpixelavx2.h"

namespace Graphics {

namespace {

// mix(b, c, w) on 16-bit lanes, as in the SSE2 form.
inline __m256i MixLanes(__m256i b, __m256i c, __m256i w) {
    const __m256i inverse = _mm256_sub_epi16(_mm256_set1_epi16(257), w);
    return _mm256_add_epi16(_mm256_srli_epi16(_mm256_mullo_epi16(b, inverse), 8),
                            _mm256_srli_epi16(_mm256_mullo_epi16(c, w), 8));
}

// Eight 16-bit weights spread over their pixels' lanes in the order of the unpacks.
inline void SpreadWeights(const uint16_t* w, __m256i& lo, __m256i& hi) {
    SwSpreadWeights256(_mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(w))),
                       lo, hi);
}

// mix(p, q, w) on eight pixels.
inline __m256i MixEight(__m256i p, __m256i q, __m256i wLo, __m256i wHi) {
    const __m256i zero = _mm256_setzero_si256();
    return _mm256_packus_epi16(
        MixLanes(_mm256_unpacklo_epi8(p, zero), _mm256_unpacklo_epi8(q, zero), wLo),
        MixLanes(_mm256_unpackhi_epi8(p, zero), _mm256_unpackhi_epi8(q, zero), wHi));
}

// Eight bilinear pixels from their neighbours and weights: both x mixes, then the y mix.
inline __m256i MixBilinearEight(__m256i tl, __m256i tr, __m256i bl, __m256i br, const uint16_t* wx,
                                const uint16_t* wy) {
    const __m256i zero = _mm256_setzero_si256();
    __m256i wxLo, wxHi, wyLo, wyHi;
    SpreadWeights(wx, wxLo, wxHi);
    SpreadWeights(wy, wyLo, wyHi);
    const __m256i lo = MixLanes(
        MixLanes(_mm256_unpacklo_epi8(tl, zero), _mm256_unpacklo_epi8(tr, zero), wxLo),
        MixLanes(_mm256_unpacklo_epi8(bl, zero), _mm256_unpacklo_epi8(br, zero), wxLo), wyLo);
    const __m256i hi = MixLanes(
        MixLanes(_mm256_unpackhi_epi8(tl, zero), _mm256_unpackhi_epi8(tr, zero), wxHi),
        MixLanes(_mm256_unpackhi_epi8(bl, zero), _mm256_unpackhi_epi8(br, zero), wxHi), wyHi);
    return _mm256_packus_epi16(lo, hi);
}

}  // namespace

void SwBitmapSampler::MixBilinearRowAVX2(const uint32_t* tl, const uint32_t* tr, const uint32_t* bl,
                                         const uint32_t* br, const uint16_t* wx, const uint16_t* wy,
                                         int32_t count, uint32_t* out) {
    int32_t i = 0;
    for (; i + 8 <= count; i += 8)
        SwStore8(out + i, MixBilinearEight(SwLoad8(tl + i), SwLoad8(tr + i), SwLoad8(bl + i),
                                           SwLoad8(br + i), wx + i, wy + i));
    MixBilinearRowSSE2(tl + i, tr + i, bl + i, br + i, wx + i, wy + i, count - i, out + i);
}

void SwBitmapSampler::MixRowAVX2(const uint32_t* b, const uint32_t* c, const uint16_t* w,
                                 int32_t count, uint32_t* out) {
    int32_t i = 0;
    for (; i + 8 <= count; i += 8) {
        __m256i wLo, wHi;
        SpreadWeights(w + i, wLo, wHi);
        SwStore8(out + i, MixEight(SwLoad8(b + i), SwLoad8(c + i), wLo, wHi));
    }
    MixRowSSE2(b + i, c + i, w + i, count - i, out + i);
}

}  // namespace Graphics
