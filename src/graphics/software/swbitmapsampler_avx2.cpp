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

// The eight 8-byte pixel pairs at `at`, split into the left pixels and the right ones.
inline void LoadPairs(const uint8_t* const at[8], __m256i& left, __m256i& right) {
    __m128i pair[8];
    for (int32_t k = 0; k < 8; ++k)
        pair[k] = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(at[k]));
    const __m256i a = _mm256_set_m128i(_mm_unpacklo_epi64(pair[4], pair[6]),
                                       _mm_unpacklo_epi64(pair[0], pair[2]));
    const __m256i b = _mm256_set_m128i(_mm_unpacklo_epi64(pair[5], pair[7]),
                                       _mm_unpacklo_epi64(pair[1], pair[3]));
    // a = p0 q0 p2 q2 | p4 q4 p6 q6, b = p1 q1 p3 q3 | p5 q5 p7 q7 (p left, q right).
    const __m256i lo = _mm256_unpacklo_epi32(a, b);  // p0 p1 q0 q1 | p4 p5 q4 q5
    const __m256i hi = _mm256_unpackhi_epi32(a, b);  // p2 p3 q2 q3 | p6 p7 q6 q7
    left = _mm256_unpacklo_epi64(lo, hi);            // p0 p1 p2 p3 | p4 p5 p6 p7
    right = _mm256_unpackhi_epi64(lo, hi);           // q0 q1 q2 q3 | q4 q5 q6 q7
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

void SwBitmapSampler::GatherBilinearAVX2(const uint8_t* pixels, ptrdiff_t stride, const int32_t* ix,
                                         const int32_t* iy, const uint16_t* wx, const uint16_t* wy,
                                         int32_t count, uint32_t* out) {
    int32_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const uint8_t* top[8];
        const uint8_t* bottom[8];
        for (int32_t k = 0; k < 8; ++k) {
            top[k] = pixels + stride * iy[i + k] + 4 * ptrdiff_t(ix[i + k]);
            bottom[k] = top[k] + stride;
        }
        __m256i tl, tr, bl, br;
        LoadPairs(top, tl, tr);
        LoadPairs(bottom, bl, br);
        SwStore8(out + i, MixBilinearEight(tl, tr, bl, br, wx + i, wy + i));
    }
    GatherBilinearSSE2(pixels, stride, ix + i, iy + i, wx + i, wy + i, count - i, out + i);
}

}  // namespace Graphics
