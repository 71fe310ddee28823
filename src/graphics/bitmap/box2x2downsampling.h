#pragma once

#include <cstdint>

#include "gx.h"

namespace Graphics {

// Halves an image by averaging 2x2 blocks (for mipmaps). Output pixel (x, y) is the
// per-channel truncated mean of source pixels (2x, 2y), (2x+1, 2y), (2x, 2y+1), (2x+1, 2y+1),
// the last column and row standing in for their missing neighbours on odd sizes.
class Box2x2Downsampling {
public:
    // One output row of (sourceWidth + 1) / 2 pixels from source rows `top` and `bottom`
    // (the same row when the source has no row 2y + 1).
    using RowRoutine = void (*)(const uint8_t* top, const uint8_t* bottom, uint8_t* dst,
                                int32_t sourceWidth);

    // The routine for `format`: RGB24, the 32-bit formats (all four channels averaged,
    // premultiplication untouched), A8 and Gray8. Indexed8 and the 1-bit formats get
    // ThrowBadFormat; other codes get null.
    static RowRoutine Get(GXPixelFormat format);

    // Halves a whole image of `sourceSize` into `dst`, sized ((w + 1) / 2, (h + 1) / 2).
    // Raises "Bad format for downsampling" for the formats without a routine.
    static void Downsample(GXPixelFormat format, const uint8_t* src, int32_t srcStride,
                           GXIntSize sourceSize, uint8_t* dst, int32_t dstStride);

    [[noreturn]] static void ThrowBadFormat(const uint8_t* top, const uint8_t* bottom, uint8_t* dst,
                                            int32_t sourceWidth);
};

}  // namespace Graphics
