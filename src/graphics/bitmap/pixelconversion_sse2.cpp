#include <emmintrin.h>

#include "graphics/bitmap/pixelconversion.h"

namespace Graphics {

namespace {

constexpr uint32_t kAlphaMask = 0xFF000000u;

}  // namespace

void PixelConversion::PremultiplySse2(const uint8_t* src, uint8_t* dst, int32_t count) {
    const __m128i one = _mm_set1_epi16(1);
    const __m128i lowBytes = _mm_set1_epi16(0x00FF);
    const __m128i greenMask = _mm_set1_epi32(0x0000FF00);
    const __m128i alphaMask = _mm_set1_epi32(int32_t(kAlphaMask));
    // Each pixel's 32-bit lane splits into 16-bit lanes (b, r) and (g, a), each channel
    // multiplied by the pixel's (A + 1) in place: 255 * 256 still fits an unsigned 16-bit
    // lane. A = 255 needs no test, its (A + 1) = 256 leaves every channel unchanged; the
    // alpha byte is taken back from the source.
    auto four = [&](int32_t at) {
        __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * at));
        __m128i blueRed = _mm_and_si128(pixels, lowBytes);
        __m128i greenAlpha = _mm_srli_epi16(pixels, 8);
        __m128i alpha = _mm_shufflehi_epi16(
            _mm_shufflelo_epi16(greenAlpha, _MM_SHUFFLE(3, 3, 1, 1)), _MM_SHUFFLE(3, 3, 1, 1));
        __m128i scale = _mm_add_epi16(alpha, one);
        // (b * s) >> 8 lands in the low byte; (g * s) keeps its result in the high byte of
        // its lane, which is where green belongs.
        __m128i scaledBlueRed = _mm_srli_epi16(_mm_mullo_epi16(blueRed, scale), 8);
        __m128i scaledGreen = _mm_and_si128(_mm_mullo_epi16(greenAlpha, scale), greenMask);
        __m128i result = _mm_or_si128(_mm_or_si128(scaledBlueRed, scaledGreen),
                                      _mm_and_si128(pixels, alphaMask));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4 * at), result);
    };
    int32_t i = 0;
    // Eight pixels per step give the multiplier two independent chains to overlap.
    for (; i + 8 <= count; i += 8) {
        four(i);
        four(i + 4);
    }
    if (i + 4 <= count) {
        four(i);
        i += 4;
    }
    PremultiplyScalar(src + 4 * i, dst + 4 * i, count - i);
}

void PixelConversion::ExtractAlphaSse2(const uint8_t* src, uint8_t* dst, int32_t count) {
    auto alphas = [src](int32_t at) {
        __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * at));
        return _mm_srli_epi32(pixels, 24);
    };
    int32_t i = 0;
    for (; i + 16 <= count; i += 16) {
        // Alphas are 0..255, so the signed 32->16 pack and the unsigned 16->8 pack are exact.
        __m128i first = _mm_packs_epi32(alphas(i), alphas(i + 4));
        __m128i second = _mm_packs_epi32(alphas(i + 8), alphas(i + 12));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_packus_epi16(first, second));
    }
    ExtractAlphaScalar(src + 4 * i, dst + i, count - i);
}

void PixelConversion::ForceAlphaSse2(const uint8_t* src, uint8_t* dst, int32_t count) {
    const __m128i alphaMask = _mm_set1_epi32(int32_t(kAlphaMask));
    int32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4 * i), _mm_or_si128(pixels, alphaMask));
    }
    ForceAlphaScalar(src + 4 * i, dst + 4 * i, count - i);
}

}  // namespace Graphics
