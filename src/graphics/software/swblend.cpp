#include "graphics/software/swblend.h"

#include <algorithm>
#include <cmath>

namespace Graphics {

const std::array<uint8_t, 256> kSwSoftLightD = [] {
    std::array<uint8_t, 256> table{};
    for (int cb = 0; cb < 256; ++cb) {
        float x = static_cast<float>(cb) / 255.0f;
        int d = x <= 0.25f ? static_cast<int>((((16.0f * x - 12.0f) * x + 4.0f) * 255.0f) * x)
                           : static_cast<int>(std::sqrt(x) * 255.0f);
        table[static_cast<size_t>(cb)] = static_cast<uint8_t>(d & 0xFF);
    }
    return table;
}();

namespace {

// A colour as three floats in 0..1 (outside that range between the steps of SetLum).
struct Rgb {
    float r;  // red, 1 = byte 255
    float g;  // green
    float b;  // blue
};

static_assert([] {
    for (int32_t x = 0; x < 256; ++x)
        if (static_cast<float>(x * kSwInverse255) != static_cast<float>(x) / 255.0f) return false;
    return true;
}());

// x / 255.0f for a byte x (see kSwInverse255).
float Unit(uint32_t byte) {
    return static_cast<float>(static_cast<int32_t>(byte) * kSwInverse255);
}

Rgb ToRgb(uint32_t c) {
    return {Unit((c >> 16) & 0xFF), Unit((c >> 8) & 0xFF), Unit(c & 0xFF)};
}

uint32_t ToByte(float channel) {
    // NaN falls through to 0 instead of reaching the float-to-int conversion.
    if (channel > 1.0f) return 255;
    if (channel >= 0.0f) return static_cast<uint32_t>(channel * 255.0f);
    return 0;
}

uint32_t FromRgb(const Rgb& c) {
    return (ToByte(c.r) << 16) | (ToByte(c.g) << 8) | ToByte(c.b);
}

float Lum(const Rgb& c) {
    return 0.3f * c.r + 0.59f * c.g + 0.11f * c.b;
}

// Saturation taken on the bytes, so it is exact before the one division.
float Sat(uint32_t c) {
    uint32_t r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
    uint32_t hi = std::max(r, std::max(g, b));
    uint32_t lo = std::min(r, std::min(g, b));
    return Unit(hi - lo);
}

Rgb SetSat(Rgb c, float s) {
    // The decision order fixes which channel counts as middle when two are equal.
    float *largest, *middle, *smallest;
    if (c.r > c.g) {
        if (c.r > c.b) {
            largest = &c.r;
            if (c.g > c.b) {
                middle = &c.g;
                smallest = &c.b;
            } else {
                middle = &c.b;
                smallest = &c.g;
            }
        } else {
            largest = &c.b;
            middle = &c.r;
            smallest = &c.g;
        }
    } else if (c.g > c.b) {
        largest = &c.g;
        if (c.r < c.b) {
            smallest = &c.r;
            middle = &c.b;
        } else {
            smallest = &c.b;
            middle = &c.r;
        }
    } else {
        largest = &c.b;
        middle = &c.g;
        smallest = &c.r;
    }
    if (*largest > *smallest) {
        *middle = (*middle - *smallest) * s / (*largest - *smallest);
        *largest = s;
    } else {
        *middle = 0.0f;
        *largest = 0.0f;
    }
    *smallest = 0.0f;
    return c;
}

Rgb SetLum(Rgb c, float l) {
    float d = l - Lum(c);
    c.r += d;
    c.g += d;
    c.b += d;
    // ClipColor: L, n and x are all taken before either correction.
    float lum = Lum(c);
    float n = std::min(c.r, std::min(c.g, c.b));
    float x = std::max(c.r, std::max(c.g, c.b));
    // lum > n and x > lum hold whenever the channels differ; the guards only keep a grey
    // colour that rounding pushed past 0 or 1 from dividing by zero.
    if (n < 0.0f && lum > n) {
        c.r = lum + (c.r - lum) * lum / (lum - n);
        c.g = lum + (c.g - lum) * lum / (lum - n);
        c.b = lum + (c.b - lum) * lum / (lum - n);
    }
    if (x > 1.0f && x > lum) {
        c.r = lum + (c.r - lum) * (1.0f - lum) / (x - lum);
        c.g = lum + (c.g - lum) * (1.0f - lum) / (x - lum);
        c.b = lum + (c.b - lum) * (1.0f - lum) / (x - lum);
    }
    return c;
}

}  // namespace

uint32_t SwBlendHue(uint32_t backdrop, uint32_t source) {
    Rgb cb = ToRgb(backdrop);
    return FromRgb(SetLum(SetSat(ToRgb(source), Sat(backdrop)), Lum(cb)));
}

uint32_t SwBlendSaturation(uint32_t backdrop, uint32_t source) {
    Rgb cb = ToRgb(backdrop);
    return FromRgb(SetLum(SetSat(cb, Sat(source)), Lum(cb)));
}

uint32_t SwBlendColor(uint32_t backdrop, uint32_t source) {
    return FromRgb(SetLum(ToRgb(source), Lum(ToRgb(backdrop))));
}

uint32_t SwBlendLuminosity(uint32_t backdrop, uint32_t source) {
    return FromRgb(SetLum(ToRgb(backdrop), Lum(ToRgb(source))));
}

const SimdKernel<SwBlendRowProc> kSwBlendNonSeparableRowForms{
    &SwBlendNonSeparableRowScalar, GX_SSE2_FORM(SwBlendNonSeparableRowSSE2),
    GX_AVX2_FORM(SwBlendNonSeparableRowAVX2)};

void SwBlendNonSeparableRowScalar(int32_t mode, const uint32_t* backdrop, const uint32_t* source,
                                  int32_t count, uint32_t* out) {
    uint32_t (*blend)(uint32_t, uint32_t) = mode == kSwBlendHue          ? SwBlendHue
                                            : mode == kSwBlendSaturation ? SwBlendSaturation
                                            : mode == kSwBlendColor      ? SwBlendColor
                                                                         : SwBlendLuminosity;
    for (int32_t i = 0; i < count; ++i) out[i] = blend(backdrop[i], source[i]);
}

void SwBlendNonSeparableRow(int32_t mode, const uint32_t* backdrop, const uint32_t* source,
                            int32_t count, uint32_t* out) {
    static const SwBlendRowProc row = kSwBlendNonSeparableRowForms.Active();
    row(mode, backdrop, source, count, out);
}

uint32_t SwBlendColors(int32_t mode, uint32_t backdrop, uint32_t source) {
    return VisitBlendMode(mode, [&]<int32_t Mode>() { return SwBlend<Mode>(backdrop, source); });
}

}  // namespace Graphics
