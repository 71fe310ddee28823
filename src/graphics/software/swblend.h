#pragma once

#include <array>
#include <cstdint>

#include "graphics/core/simdlevel.h"
#include "graphics/software/swpixel.h"

namespace Graphics {

// The sixteen blend functions B(Cb, Cs) of the software renderer, in exact 8-bit arithmetic.
//
// Colours travel as 32-bit 0xAARRGGBB values holding straight (unpremultiplied) channels;
// the alpha byte of the inputs is ignored and the result's alpha byte is 0, since the
// compositor supplies the alpha itself. Each mode is a compile-time instantiation of
// SwBlend<Mode>, so a compositor picks the instantiation once per draw (VisitBlendMode)
// and the per-pixel call inlines: there is no indirect call per pixel.
enum SwBlendMode : int32_t {
    kSwBlendNormal = 0,
    kSwBlendMultiply = 1,
    kSwBlendScreen = 2,
    kSwBlendOverlay = 3,
    kSwBlendDarken = 4,
    kSwBlendLighten = 5,
    kSwBlendColorBurn = 6,
    kSwBlendColorDodge = 7,
    kSwBlendHardLight = 8,
    kSwBlendSoftLight = 9,
    kSwBlendDifference = 10,
    kSwBlendExclusion = 11,
    kSwBlendHue = 12,
    kSwBlendSaturation = 13,
    kSwBlendColor = 14,
    kSwBlendLuminosity = 15,
};

// D(Cb) of SoftLight's upper branch for every backdrop byte, evaluated once in single
// precision exactly as the formula is written (so the table matches the float arithmetic).
extern const std::array<uint8_t, 256> kSwSoftLightD;

// A byte's channel value x / 255.0f is taken as the double product x * kSwInverse255 rounded
// to float: for every byte that is the very float the single-precision quotient gives (checked
// at compile time in swblend.cpp), for a multiplication instead of a division.
inline constexpr double kSwInverse255 = 1.0 / 255.0;

// The non-separable modes work in 32-bit floats on whole colours; out of line because they
// are long and rare enough that a direct call per pixel costs nothing next to their body.
uint32_t SwBlendHue(uint32_t backdrop, uint32_t source);
uint32_t SwBlendSaturation(uint32_t backdrop, uint32_t source);
uint32_t SwBlendColor(uint32_t backdrop, uint32_t source);
uint32_t SwBlendLuminosity(uint32_t backdrop, uint32_t source);

// B of a non-separable mode (12..15; other codes read as 15) for `count` pairs of straight
// colours, in the process's instruction set: the scalar functions above lane for lane, bit
// for bit, four or eight pairs per step.
void SwBlendNonSeparableRow(int32_t mode, const uint32_t* backdrop, const uint32_t* source,
                            int32_t count, uint32_t* out);
using SwBlendRowProc = void (*)(int32_t mode, const uint32_t* backdrop, const uint32_t* source,
                                int32_t count, uint32_t* out);
// One pair at a time: the scalar twin the vector forms are tested against.
void SwBlendNonSeparableRowScalar(int32_t mode, const uint32_t* backdrop, const uint32_t* source,
                                  int32_t count, uint32_t* out);
void SwBlendNonSeparableRowSSE2(int32_t mode, const uint32_t* backdrop, const uint32_t* source,
                                int32_t count, uint32_t* out);
void SwBlendNonSeparableRowAVX2(int32_t mode, const uint32_t* backdrop, const uint32_t* source,
                                int32_t count, uint32_t* out);
extern const SimdKernel<SwBlendRowProc> kSwBlendNonSeparableRowForms;

// Whether Mode is one of the non-separable modes, which work on whole colours.
template <int32_t Mode>
inline constexpr bool kSwBlendIsNonSeparable = Mode >= kSwBlendHue&& Mode <= kSwBlendLuminosity;

namespace SwBlendDetail {

inline uint32_t HardLightChannel(uint32_t cb, uint32_t cs) {
    if (cs < 128) return 2 * cb * cs / 255;
    uint32_t s2 = 2 * cs - 255;
    return cb + s2 - cb * s2 / 255;
}

inline uint32_t SoftLightChannel(uint32_t cb, uint32_t cs) {
    // Signed on purpose: both branches subtract, and the upper one divides a possibly
    // negative product by 255 truncating toward zero.
    int32_t b = static_cast<int32_t>(cb);
    int32_t s = static_cast<int32_t>(cs);
    if (s < 128) return static_cast<uint32_t>(b - (255 - b) * (255 - 2 * s) * b / 65025);
    return static_cast<uint32_t>(b + (kSwSoftLightD[cb] - b) * (2 * s - 255) / 255);
}

// One channel (0..255 each) of a separable mode.
template <int32_t Mode>
inline uint32_t Channel(uint32_t cb, uint32_t cs) {
    if constexpr (Mode == kSwBlendMultiply) {
        return ((cb + 1) * cs) >> 8;
    } else if constexpr (Mode == kSwBlendScreen) {
        return cs + cb - ((cs * (cb + 1)) >> 8);
    } else if constexpr (Mode == kSwBlendOverlay) {
        return HardLightChannel(cs, cb);
    } else if constexpr (Mode == kSwBlendDarken) {
        return cb < cs ? cb : cs;
    } else if constexpr (Mode == kSwBlendLighten) {
        return cb > cs ? cb : cs;
    } else if constexpr (Mode == kSwBlendColorBurn) {
        if (cs == 0) return 0;
        uint32_t t = (255 - cb) * 255 / cs;
        return t > 255 ? 0 : 255 - t;
    } else if constexpr (Mode == kSwBlendColorDodge) {
        if (cs == 255) return 255;
        return cb < 255 - cs ? cb * 255 / (255 - cs) : 255;
    } else if constexpr (Mode == kSwBlendHardLight) {
        return HardLightChannel(cb, cs);
    } else if constexpr (Mode == kSwBlendSoftLight) {
        return SoftLightChannel(cb, cs);
    } else if constexpr (Mode == kSwBlendDifference) {
        return cb > cs ? cb - cs : cs - cb;
    } else {
        static_assert(Mode == kSwBlendExclusion);
        return cb + cs - 2 * cb * cs / 255;
    }
}

}  // namespace SwBlendDetail

// B(backdrop, source) for blend mode Mode (0..15).
template <int32_t Mode>
inline uint32_t SwBlend(uint32_t backdrop, uint32_t source) {
    static_assert(Mode >= 0 && Mode <= 15);
    if constexpr (Mode == kSwBlendNormal) {
        return source & 0x00FFFFFFu;
    } else if constexpr (Mode == kSwBlendHue) {
        return SwBlendHue(backdrop, source);
    } else if constexpr (Mode == kSwBlendSaturation) {
        return SwBlendSaturation(backdrop, source);
    } else if constexpr (Mode == kSwBlendColor) {
        return SwBlendColor(backdrop, source);
    } else if constexpr (Mode == kSwBlendLuminosity) {
        return SwBlendLuminosity(backdrop, source);
    } else {
        using SwBlendDetail::Channel;
        uint32_t r = Channel<Mode>((backdrop >> 16) & 0xFF, (source >> 16) & 0xFF);
        uint32_t g = Channel<Mode>((backdrop >> 8) & 0xFF, (source >> 8) & 0xFF);
        uint32_t b = Channel<Mode>(backdrop & 0xFF, source & 0xFF);
        return (r << 16) | (g << 8) | b;
    }
}

// The premultiplied source cs composited over the premultiplied backdrop cb under blend
// mode Mode, with no shape weighting:
//   result = (1 - ab) Cs + (1 - as) Cb + as ab B(Cb, Cs),  alpha = as + ab - as ab.
// A backdrop of alpha 0 gives cs and a source of alpha 0 leaves cb: the blend function
// never sees a colour that is not there.
// The compositing of SwBlendOver around a blend result computed beforehand: `blended` is
// B(unpremultiply(cb), unpremultiply(cs)), and both alphas are non-zero.
inline uint32_t SwComposeBlended(uint32_t cb, uint32_t cs, uint32_t blended) {
    const uint32_t ab = SwAlpha(cb);
    const uint32_t as = SwAlpha(cs);
    if (as == 255) {
        if (ab == 255) return blended | 0xFF000000u;
        return (SwMix(cs, blended, ab + 1) & 0x00FFFFFFu) | 0xFF000000u;
    }
    if (ab == 255) return (SwMix(cb, blended, as + 1) & 0x00FFFFFFu) | 0xFF000000u;
    // Premultiplied inputs keep every channel of the sum at or below its alpha, so the
    // three terms never carry into each other.
    const uint32_t both = (as * (ab + 1)) >> 8;
    const uint32_t color =
        SwScale(cs, 256 - ab) + SwScale(cb, 256 - as) + SwScale(blended, both + 1);
    return (color & 0x00FFFFFFu) | ((as + ab - both) << 24);
}

// The premultiplied source cs composited over the premultiplied backdrop cb under blend
// mode Mode, with no shape weighting:
//   result = (1 - ab) Cs + (1 - as) Cb + as ab B(Cb, Cs),  alpha = as + ab - as ab.
// A backdrop of alpha 0 gives cs and a source of alpha 0 leaves cb: the blend function
// never sees a colour that is not there.
template <int32_t Mode>
inline uint32_t SwBlendOver(uint32_t cb, uint32_t cs) {
    if (SwAlpha(cb) == 0) return cs;
    if (SwAlpha(cs) == 0) return cb;
    return SwComposeBlended(cb, cs, SwBlend<Mode>(SwUnpremultiply(cb), SwUnpremultiply(cs)));
}

// Calls visit.template operator()<Mode>() with the compile-time mode for a run-time code,
// so a caller instantiates its per-pixel loop once per mode and chooses it once per draw.
// Codes outside 0..15 behave as Normal.
template <class Visitor>
decltype(auto) VisitBlendMode(int32_t mode, Visitor&& visit) {
    switch (mode) {
        case kSwBlendMultiply:
            return visit.template operator()<kSwBlendMultiply>();
        case kSwBlendScreen:
            return visit.template operator()<kSwBlendScreen>();
        case kSwBlendOverlay:
            return visit.template operator()<kSwBlendOverlay>();
        case kSwBlendDarken:
            return visit.template operator()<kSwBlendDarken>();
        case kSwBlendLighten:
            return visit.template operator()<kSwBlendLighten>();
        case kSwBlendColorBurn:
            return visit.template operator()<kSwBlendColorBurn>();
        case kSwBlendColorDodge:
            return visit.template operator()<kSwBlendColorDodge>();
        case kSwBlendHardLight:
            return visit.template operator()<kSwBlendHardLight>();
        case kSwBlendSoftLight:
            return visit.template operator()<kSwBlendSoftLight>();
        case kSwBlendDifference:
            return visit.template operator()<kSwBlendDifference>();
        case kSwBlendExclusion:
            return visit.template operator()<kSwBlendExclusion>();
        case kSwBlendHue:
            return visit.template operator()<kSwBlendHue>();
        case kSwBlendSaturation:
            return visit.template operator()<kSwBlendSaturation>();
        case kSwBlendColor:
            return visit.template operator()<kSwBlendColor>();
        case kSwBlendLuminosity:
            return visit.template operator()<kSwBlendLuminosity>();
        default:
            return visit.template operator()<kSwBlendNormal>();
    }
}

// B(backdrop, source) for a run-time mode code; for callers outside the per-pixel loops.
uint32_t SwBlendColors(int32_t mode, uint32_t backdrop, uint32_t source);

}  // namespace Graphics
