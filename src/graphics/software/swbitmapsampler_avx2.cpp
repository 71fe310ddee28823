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

// Eight 16-bit weights spread over their pixels' lanes in the order of the unpacks: both
// halves of the register hold all eight, and one byte shuffle each picks pixels 0, 1 | 4, 5
// and 2, 3 | 6, 7.
inline void SpreadWeights(const uint16_t* w, __m256i& lo, __m256i& hi) {
    const __m256i all =
        _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(w)));
    lo = _mm256_shuffle_epi8(
        all, _mm256_setr_epi8(0, 1, 0, 1, 0, 1, 0, 1, 2, 3, 2, 3, 2, 3, 2, 3, 8, 9, 8, 9, 8, 9, 8,
                              9, 10, 11, 10, 11, 10, 11, 10, 11));
    hi = _mm256_shuffle_epi8(
        all, _mm256_setr_epi8(4, 5, 4, 5, 4, 5, 4, 5, 6, 7, 6, 7, 6, 7, 6, 7, 12, 13, 12, 13, 12,
                              13, 12, 13, 14, 15, 14, 15, 14, 15, 14, 15));
}

// mix(p, q, w) on eight pixels.
inline __m256i MixEight(__m256i p, __m256i q, __m256i wLo, __m256i wHi) {
    const __m256i zero = _mm256_setzero_si256();
    return _mm256_packus_epi16(
        MixLanes(_mm256_unpacklo_epi8(p, zero), _mm256_unpacklo_epi8(q, zero), wLo),
        MixLanes(_mm256_unpackhi_epi8(p, zero), _mm256_unpackhi_epi8(q, zero), wHi));
}

// The serial float sums p, p + d, (p + d) + d, ... eight at a time, as the SSE2 form finds
// them: lanes p + k x step for the step the first addition takes, kept where each lane plus d
// gives the next lane, else added one by one.
class SerialSums {
public:
    SerialSums(float start, float d)
        : start_(_mm256_set1_ps(start)), d_(_mm256_set1_ps(d)), d1_(d) {
        Guess(start);
    }

    __m256 Next() {
        const __m256 lanes = _mm256_add_ps(start_, laneSteps_);
        const __m256 after = _mm256_add_ps(start_, nextSteps_);
        if (_mm256_movemask_ps(_mm256_cmp_ps(_mm256_add_ps(lanes, d_), after, _CMP_EQ_OQ)) ==
            0xFF) {
            start_ = _mm256_permutevar8x32_ps(after, _mm256_set1_epi32(7));
            return lanes;
        }
        alignas(32) float sums[8];
        float p = Current();
        for (float& sum : sums) {
            sum = p;
            p += d1_;
        }
        start_ = _mm256_set1_ps(p);
        Guess(p);
        return _mm256_load_ps(sums);
    }

    // The sum the next lane starts from.
    float Current() const { return _mm256_cvtss_f32(start_); }

private:
    void Guess(float p) {
        const __m256 step = _mm256_set1_ps((p + d1_) - p);
        laneSteps_ = _mm256_mul_ps(_mm256_setr_ps(0, 1, 2, 3, 4, 5, 6, 7), step);
        nextSteps_ = _mm256_mul_ps(_mm256_setr_ps(1, 2, 3, 4, 5, 6, 7, 8), step);
    }

    __m256 start_;      // the next sum in every lane
    __m256 d_;          // the step added, in every lane
    float d1_;          // the step added
    __m256 laneSteps_;  // 0..7 times the guessed rounded step
    __m256 nextSteps_;  // 1..8 times the guessed rounded step
};

// The index and weight of eight positions, as SplitLanes of the SSE2 form.
inline void SplitLanes(__m256 position, __m256i& index, __m256i& weight) {
    const __m256 limit = _mm256_set1_ps(1073741824.0f);
    const __m256 p = _mm256_min_ps(_mm256_max_ps(_mm256_sub_ps(position, _mm256_set1_ps(0.5f)),
                                                 _mm256_sub_ps(_mm256_setzero_ps(), limit)),
                                   limit);
    const __m256i truncated = _mm256_cvttps_epi32(p);
    index = _mm256_add_epi32(truncated, _mm256_castps_si256(_mm256_cmp_ps(
                                            _mm256_cvtepi32_ps(truncated), p, _CMP_GT_OQ)));
    weight =
        _mm256_add_epi32(_mm256_cvttps_epi32(_mm256_mul_ps(
                             _mm256_sub_ps(p, _mm256_cvtepi32_ps(index)), _mm256_set1_ps(255.0f))),
                         _mm256_set1_epi32(1));
}

// Eight 32-bit weights 1..255 as eight 16-bit ones.
inline void StoreWeights(uint16_t* out, __m256i weights) {
    _mm_storeu_si128(
        reinterpret_cast<__m128i*>(out),
        _mm_packs_epi32(_mm256_castsi256_si128(weights), _mm256_extracti128_si256(weights, 1)));
}

// Pixel k's neighbours: pairs of 32-bit pixels, the upper one at pixels + stride x iy[k] +
// 4 x ix[k] and the lower one a row further.
struct PairLoader {
    const uint8_t* pixels;  // the bitmap's first row
    ptrdiff_t stride;       // bytes from one row to the next
    const int32_t* ix;      // columns of the left neighbours
    const int32_t* iy;      // rows of the upper neighbours

    // The upper and lower pairs of pixels k and m, each pair in one 8-byte load.
    void Two(int32_t k, int32_t m, __m128i& upper, __m128i& lower) const {
        const uint8_t* p = pixels + stride * iy[k] + 4 * ptrdiff_t(ix[k]);
        const uint8_t* q = pixels + stride * iy[m] + 4 * ptrdiff_t(ix[m]);
        upper = Join(p, q);
        lower = Join(p + stride, q + stride);
    }

    static __m128i Join(const uint8_t* p, const uint8_t* q) {
        return _mm_castpd_si128(
            _mm_loadh_pd(_mm_castsi128_pd(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p))),
                         reinterpret_cast<const double*>(q)));
    }
};

// Registers holding pairs [0, 1 | 4, 5] and [2, 3 | 6, 7] regrouped into the eight left
// pixels and the eight right ones, in order: one in-lane shuffle each.
inline void SplitPairs(__m128i p01, __m128i p45, __m128i p23, __m128i p67, __m256i& left,
                       __m256i& right) {
    const __m256 even =
        _mm256_castsi256_ps(_mm256_inserti128_si256(_mm256_castsi128_si256(p01), p45, 1));
    const __m256 odd =
        _mm256_castsi256_ps(_mm256_inserti128_si256(_mm256_castsi128_si256(p23), p67, 1));
    left = _mm256_castps_si256(_mm256_shuffle_ps(even, odd, _MM_SHUFFLE(2, 0, 2, 0)));
    right = _mm256_castps_si256(_mm256_shuffle_ps(even, odd, _MM_SHUFFLE(3, 1, 3, 1)));
}

// Eight bilinear pixels from their neighbours and weights: both x mixes, then the y mix.
inline __m256i MixBilinearEight(__m256i tl, __m256i tr, __m256i bl, __m256i br, const uint16_t* wx,
                                const uint16_t* wy) {
    const __m256i zero = _mm256_setzero_si256();
    __m256i wxLo, wxHi, wyLo, wyHi;
    SpreadWeights(wx, wxLo, wxHi);
    SpreadWeights(wy, wyLo, wyHi);
    // The x mixes unpack each byte into the high half of its lane (v x 256): the high half
    // of its product with a weight is then (v x weight) >> 8, one multiply for the
    // multiply and shift of MixLanes.
    auto mixX = [](__m256i b, __m256i c, __m256i w, __m256i inverse) {
        return _mm256_add_epi16(_mm256_mulhi_epu16(b, inverse), _mm256_mulhi_epu16(c, w));
    };
    const __m256i all = _mm256_set1_epi16(257);
    const __m256i inverseLo = _mm256_sub_epi16(all, wxLo), inverseHi = _mm256_sub_epi16(all, wxHi);
    const __m256i lo = MixLanes(
        mixX(_mm256_unpacklo_epi8(zero, tl), _mm256_unpacklo_epi8(zero, tr), wxLo, inverseLo),
        mixX(_mm256_unpacklo_epi8(zero, bl), _mm256_unpacklo_epi8(zero, br), wxLo, inverseLo),
        wyLo);
    const __m256i hi = MixLanes(
        mixX(_mm256_unpackhi_epi8(zero, tl), _mm256_unpackhi_epi8(zero, tr), wxHi, inverseHi),
        mixX(_mm256_unpackhi_epi8(zero, bl), _mm256_unpackhi_epi8(zero, br), wxHi, inverseHi),
        wyHi);
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

void SwBitmapSampler::GatherBilinearAVX2(const uint8_t* pixels, ptrdiff_t stride, const int32_t* ix,
                                         const int32_t* iy, const uint16_t* wx, const uint16_t* wy,
                                         int32_t count, uint32_t* out) {
    int32_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const PairLoader load{pixels, stride, ix + i, iy + i};
        __m128i upper01, lower01, upper23, lower23, upper45, lower45, upper67, lower67;
        load.Two(0, 1, upper01, lower01);
        load.Two(2, 3, upper23, lower23);
        load.Two(4, 5, upper45, lower45);
        load.Two(6, 7, upper67, lower67);
        __m256i tl, tr, bl, br;
        SplitPairs(upper01, upper45, upper23, upper67, tl, tr);
        SplitPairs(lower01, lower45, lower23, lower67, bl, br);
        SwStore8(out + i, MixBilinearEight(tl, tr, bl, br, wx + i, wy + i));
    }
    GatherBilinearSSE2(pixels, stride, ix + i, iy + i, wx + i, wy + i, count - i, out + i);
}

void SwBitmapSampler::SplitPositionsAVX2(float& x, float& y, float dx, float dy, int32_t count,
                                         int32_t* ix, int32_t* iy, uint16_t* wx, uint16_t* wy) {
    int32_t i = 0;
    if (count >= 8) {
        SerialSums xs(x, dx), ys(y, dy);
        for (; i + 8 <= count; i += 8) {
            __m256i column, row, columnWeight, rowWeight;
            SplitLanes(xs.Next(), column, columnWeight);
            SplitLanes(ys.Next(), row, rowWeight);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(ix + i), column);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(iy + i), row);
            StoreWeights(wx + i, columnWeight);
            StoreWeights(wy + i, rowWeight);
        }
        x = xs.Current();
        y = ys.Current();
    }
    SplitPositionsSSE2(x, y, dx, dy, count - i, ix + i, iy + i, wx + i, wy + i);
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
