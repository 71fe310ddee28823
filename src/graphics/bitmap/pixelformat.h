#pragma once

#include <cstdint>

#include "gx.h"

namespace Graphics {

// The ten pixel formats of the interface (GXPixelFormat codes 1..10).
namespace PixelFormat {

constexpr int32_t RGB24 = GXPixelFormatRGB24;
constexpr int32_t PARGB32 = GXPixelFormatPARGB32;
constexpr int32_t ARGB32 = GXPixelFormatARGB32;
constexpr int32_t RGB32 = GXPixelFormatRGB32;
constexpr int32_t A8 = GXPixelFormatA8;
constexpr int32_t Indexed8 = GXPixelFormatIndexed8;
constexpr int32_t Gray8 = GXPixelFormatGray8;
constexpr int32_t A1 = GXPixelFormatA1;
constexpr int32_t Indexed1 = GXPixelFormatIndexed1;
constexpr int32_t Gray1 = GXPixelFormatGray1;

// Bits per pixel of `format`, or -1 when the code is not a pixel format.
constexpr int32_t GetBitsPerPixel(int32_t format) {
    switch (format) {
        case RGB24:
            return 24;
        case PARGB32:
        case ARGB32:
        case RGB32:
            return 32;
        case A8:
        case Indexed8:
        case Gray8:
            return 8;
        case A1:
        case Indexed1:
        case Gray1:
            return 1;
        default:
            return -1;
    }
}

constexpr bool IsValid(int32_t format) {
    return GetBitsPerPixel(format) > 0;
}

constexpr bool IsIndexed(int32_t format) {
    return format == Indexed8 || format == Indexed1;
}

// Bytes that `width` pixels occupy in a row, the last byte of a 1-bit row counted whole.
// 64-bit so that no width of the interface can overflow it.
constexpr int64_t GetRowBytes(int32_t format, int64_t width) {
    return (GetBitsPerPixel(format) * width + 7) / 8;
}

}  // namespace PixelFormat

}  // namespace Graphics
