#include <emmintrin.h>

#include "graphics/software/swbitmapsampler.h"

namespace Graphics {

namespace {

// mix(b, c, w) on 16-bit lanes: b x (257 - w) >> 8 plus c x w >> 8; each product stays
// below 2^16 and the sum below 256.
inline __m128i MixLanes(__m128i b, __m128i c, __m128i w) {
    const __m128i inverse = _mm_sub_epi16(_mm_set1_epi16(257), w);
    return _mm_add_epi16(_mm_srli_epi16(_mm_mullo_epi16(b, inverse), 8),
                         _mm_srli_epi16(_mm_mullo_epi16(c, w), 8));
}

// Four 16-bit weights spread over the lanes of their pixels: pixels 0, 1 in `lo`, 2, 3 in `hi`.
inline void SpreadWeights(const uint16_t* w, __m128i& lo, __m128i& hi) {
    const __m128i four = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(w));
    const __m128i pairs = _mm_unpacklo_epi16(four, four);
    lo = _mm_unpacklo_epi32(pairs, pairs);
    hi = _mm_unpackhi_epi32(pairs, pairs);
}

inline __m128i Load4(const uint32_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

inline void Store4(uint32_t* p, __m128i v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

// Four bilinear pixels from their neighbours (four pixels in each argument) and weights.
inline __m128i MixBilinearFour(__m128i tl, __m128i tr, __m128i bl, __m128i br, const uint16_t* wx,
                               const uint16_t* wy) {
    const __m128i zero = _mm_setzero_si128();
    __m128i wxLo, wxHi, wyLo, wyHi;
    SpreadWeights(wx, wxLo, wxHi);
    SpreadWeights(wy, wyLo, wyHi);
    // The x mixes unpack each byte into the high half of its lane (v x 256): the high half
    // of its product with a weight is then (v x weight) >> 8, one multiply for the
    // multiply and shift of MixLanes.
    auto mixX = [](__m128i b, __m128i c, __m128i w, __m128i inverse) {
        return _mm_add_epi16(_mm_mulhi_epu16(b, inverse), _mm_mulhi_epu16(c, w));
    };
    const __m128i all = _mm_set1_epi16(257);
    const __m128i inverseLo = _mm_sub_epi16(all, wxLo), inverseHi = _mm_sub_epi16(all, wxHi);
    const __m128i lo = MixLanes(
        mixX(_mm_unpacklo_epi8(zero, tl), _mm_unpacklo_epi8(zero, tr), wxLo, inverseLo),
        mixX(_mm_unpacklo_epi8(zero, bl), _mm_unpacklo_epi8(zero, br), wxLo, inverseLo), wyLo);
    const __m128i hi = MixLanes(
        mixX(_mm_unpackhi_epi8(zero, tl), _mm_unpackhi_epi8(zero, tr), wxHi, inverseHi),
        mixX(_mm_unpackhi_epi8(zero, bl), _mm_unpackhi_epi8(zero, br), wxHi, inverseHi), wyHi);
    return _mm_packus_epi16(lo, hi);
}

// The 32-bit pixels at `at[0..3]` and their right neighbours, regrouped from four 8-byte
// loads into the four left pixels and the four right ones.
inline void LoadPairs(const uint8_t* const at[4], __m128i& left, __m128i& right) {
    const __m128i p0 = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(at[0]));
    const __m128i p1 = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(at[1]));
    const __m128i p2 = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(at[2]));
    const __m128i p3 = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(at[3]));
    const __m128i p01 = _mm_unpacklo_epi32(p0, p1), p23 = _mm_unpacklo_epi32(p2, p3);
    left = _mm_unpacklo_epi64(p01, p23);
    right = _mm_unpackhi_epi64(p01, p23);
}

// The serial float sums p, p + d, (p + d) + d, ... four at a time without a chain of
// additions. Inside one binade every addition rounds to the same multiple of the binade's
// unit, so the sums are p + k x step for the step the first addition takes. The guess is
// checked: when each lane plus d gives the next lane, by induction from the first lane (p
// itself) every lane is the serial sum. A zero may change sign there, which nothing made of
// the positions can tell. Where the check fails (a binade boundary crossed, a rounding tie,
// a step that is not finite) the four sums are added one by one and the step guessed again.
class SerialSums {
public:
    SerialSums(float start, float d) : start_(_mm_set1_ps(start)), d_(_mm_set1_ps(d)), d1_(d) {
        Guess(start);
    }

    __m128 Next() {
        const __m128 lanes = _mm_add_ps(start_, laneSteps_), after = _mm_add_ps(start_, nextSteps_);
        if (_mm_movemask_ps(_mm_cmpeq_ps(_mm_add_ps(lanes, d_), after)) == 0xF) {
            start_ = _mm_shuffle_ps(after, after, _MM_SHUFFLE(3, 3, 3, 3));
            return lanes;
        }
        alignas(16) float sums[4];
        float p = Current();
        for (float& sum : sums) {
            sum = p;
            p += d1_;
        }
        start_ = _mm_set1_ps(p);
        Guess(p);
        return _mm_load_ps(sums);
    }

    // The sum the next lane starts from.
    float Current() const { return _mm_cvtss_f32(start_); }

private:
    void Guess(float p) {
        const __m128 step = _mm_set1_ps((p + d1_) - p);
        laneSteps_ = _mm_mul_ps(_mm_set_ps(3, 2, 1, 0), step);
        nextSteps_ = _mm_mul_ps(_mm_set_ps(4, 3, 2, 1), step);
    }

    __m128 start_;      // the next sum in every lane
    __m128 d_;          // the step added, in every lane
    float d1_;          // the step added
    __m128 laneSteps_;  // 0..3 times the guessed rounded step
    __m128 nextSteps_;  // 1..4 times the guessed rounded step
};

// The index and weight of four positions: clamp to +-2^30 (max takes its second operand
// when the first is NaN, so NaN goes to the low limit), floor by truncating and stepping
// negative non-integers down once, weight = fraction x 255 truncated + 1.
inline void SplitLanes(__m128 position, __m128i& index, __m128i& weight) {
    const __m128 limit = _mm_set1_ps(1073741824.0f);
    const __m128 p = _mm_min_ps(
        _mm_max_ps(_mm_sub_ps(position, _mm_set1_ps(0.5f)), _mm_sub_ps(_mm_setzero_ps(), limit)),
        limit);
    const __m128i truncated = _mm_cvttps_epi32(p);
    index = _mm_add_epi32(truncated, _mm_castps_si128(_mm_cmpgt_ps(_mm_cvtepi32_ps(truncated), p)));
    weight = _mm_add_epi32(
        _mm_cvttps_epi32(_mm_mul_ps(_mm_sub_ps(p, _mm_cvtepi32_ps(index)), _mm_set1_ps(255.0f))),
        _mm_set1_epi32(1));
}

}  // namespace

void SwBitmapSampler::SplitPositionsSSE2(float& x, float& y, float dx, float dy, int32_t count,
                                         int32_t* ix, int32_t* iy, uint16_t* wx, uint16_t* wy) {
    int32_t i = 0;
    if (count >= 4) {
        SerialSums xs(x, dx), ys(y, dy);
        for (; i + 4 <= count; i += 4) {
            __m128i column, row, columnWeight, rowWeight;
            SplitLanes(xs.Next(), column, columnWeight);
            SplitLanes(ys.Next(), row, rowWeight);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(ix + i), column);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(iy + i), row);
            // Weights 1..255 pack into 16 bits without saturating.
            _mm_storel_epi64(reinterpret_cast<__m128i*>(wx + i),
                             _mm_packs_epi32(columnWeight, columnWeight));
            _mm_storel_epi64(reinterpret_cast<__m128i*>(wy + i),
                             _mm_packs_epi32(rowWeight, rowWeight));
        }
        x = xs.Current();
        y = ys.Current();
    }
    SplitPositionsScalar(x, y, dx, dy, count - i, ix + i, iy + i, wx + i, wy + i);
}

void SwBitmapSampler::MixBilinearRowSSE2(const uint32_t* tl, const uint32_t* tr, const uint32_t* bl,
                                         const uint32_t* br, const uint16_t* wx, const uint16_t* wy,
                                         int32_t count, uint32_t* out) {
    int32_t i = 0;
    for (; i + 4 <= count; i += 4)
        Store4(out + i, MixBilinearFour(Load4(tl + i), Load4(tr + i), Load4(bl + i), Load4(br + i),
                                        wx + i, wy + i));
    MixBilinearRowScalar(tl + i, tr + i, bl + i, br + i, wx + i, wy + i, count - i, out + i);
}

void SwBitmapSampler::MixRowSSE2(const uint32_t* b, const uint32_t* c, const uint16_t* w,
                                 int32_t count, uint32_t* out) {
    const __m128i zero = _mm_setzero_si128();
    int32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        __m128i wLo, wHi;
        SpreadWeights(w + i, wLo, wHi);
        const __m128i p = Load4(b + i), q = Load4(c + i);
        Store4(out + i, _mm_packus_epi16(
                            MixLanes(_mm_unpacklo_epi8(p, zero), _mm_unpacklo_epi8(q, zero), wLo),
                            MixLanes(_mm_unpackhi_epi8(p, zero), _mm_unpackhi_epi8(q, zero), wHi)));
    }
    MixRowScalar(b + i, c + i, w + i, count - i, out + i);
}

void SwBitmapSampler::GatherBilinearSSE2(const uint8_t* pixels, ptrdiff_t stride, const int32_t* ix,
                                         const int32_t* iy, const uint16_t* wx, const uint16_t* wy,
                                         int32_t count, uint32_t* out) {
    int32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const uint8_t* top[4];
        const uint8_t* bottom[4];
        for (int32_t k = 0; k < 4; ++k) {
            top[k] = pixels + stride * iy[i + k] + 4 * ptrdiff_t(ix[i + k]);
            bottom[k] = top[k] + stride;
        }
        __m128i tl, tr, bl, br;
        LoadPairs(top, tl, tr);
        LoadPairs(bottom, bl, br);
        Store4(out + i, MixBilinearFour(tl, tr, bl, br, wx + i, wy + i));
    }
    GatherBilinearScalar(pixels, stride, ix + i, iy + i, wx + i, wy + i, count - i, out + i);
}

}  // namespace Graphics
