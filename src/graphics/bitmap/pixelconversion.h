#pragma once

#include <cstdint>

#include "graphics/core/simdlevel.h"
#include "gx.h"

namespace Graphics {

// Converts `count` pixels of one row from `src` to `dst`. 1-bit rows start at the most
// significant bit of their first byte; a 1-bit destination keeps the bits of a partly
// written last byte that lie past the row.
using RowConverter = void (*)(const uint8_t* src, uint8_t* dst, int32_t count);

// The table of row converters between the ten pixel formats, indexed by source and
// destination format, with every routine's arithmetic fixed (the tests pin them down).
class PixelConversion {
public:
    // The routine for (from, to); pairs the table marks as errors get ThrowBadConversion,
    // codes outside 1..10 get null.
    static RowConverter Get(GXPixelFormat from, GXPixelFormat to);

    // The routine of the unsupported pairs: raises "Bad format conversion".
    [[noreturn]] static void ThrowBadConversion(const uint8_t* src, uint8_t* dst, int32_t count);

    // 256 entries: round(255 * (i / 255) ^ (1 / 2.2)). Applied where a 32-bit pixel turns grey.
    static const uint8_t* GrayGammaTable();

    // Luminance of a colour, truncated: (77 R + 151 G + 28 B) / 256.
    static uint32_t Luminance(uint32_t red, uint32_t green, uint32_t blue) {
        return (77 * red + 151 * green + 28 * blue) >> 8;
    }

    // The three hot 32-bit routines, each as an SSE2 row (4 to 16 pixels per step, the rest
    // one at a time) and as its scalar twin; the table uses the process's form unless the
    // two rows overlap. All are public so that the tests can hold them equal.
    // ARGB32 -> PARGB32: c * (A + 1) / 256 per colour channel, A kept.
    static void PremultiplySse2(const uint8_t* src, uint8_t* dst, int32_t count);
    static void PremultiplyScalar(const uint8_t* src, uint8_t* dst, int32_t count);
    // 32-bit -> A8: the alpha byte.
    static void ExtractAlphaSse2(const uint8_t* src, uint8_t* dst, int32_t count);
    static void ExtractAlphaScalar(const uint8_t* src, uint8_t* dst, int32_t count);
    // 32-bit -> 32-bit with alpha 255, colour bytes unchanged.
    static void ForceAlphaSse2(const uint8_t* src, uint8_t* dst, int32_t count);
    static void ForceAlphaScalar(const uint8_t* src, uint8_t* dst, int32_t count);
    static const SimdKernel<RowConverter> kPremultiplyForms;
    static const SimdKernel<RowConverter> kExtractAlphaForms;
    static const SimdKernel<RowConverter> kForceAlphaForms;
};

}  // namespace Graphics
