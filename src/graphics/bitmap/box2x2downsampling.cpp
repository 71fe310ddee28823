#include "graphics/bitmap/box2x2downsampling.h"

#include "graphics/core/exception.h"
#include "graphics/bitmap/pixelformat.h"

namespace Graphics {

namespace {

// Averages `Channels` bytes per pixel; at an odd width the last column is its own
// right-hand neighbour.
template <int Channels>
void AverageRows(const uint8_t* top, const uint8_t* bottom, uint8_t* dst, int32_t sourceWidth) {
    int32_t width = (sourceWidth + 1) / 2;
    for (int32_t x = 0; x < width; ++x) {
        int32_t left = 2 * x;
        int32_t right = left + 1 < sourceWidth ? left + 1 : left;
        for (int c = 0; c < Channels; ++c) {
            uint32_t sum = uint32_t(top[left * Channels + c]) + top[right * Channels + c] +
                           bottom[left * Channels + c] + bottom[right * Channels + c];
            dst[x * Channels + c] = uint8_t(sum / 4);
        }
    }
}

}  // namespace

Box2x2Downsampling::RowRoutine Box2x2Downsampling::Get(GXPixelFormat format) {
    switch (format) {
        case PixelFormat::RGB24:
            return AverageRows<3>;
        case PixelFormat::PARGB32:
        case PixelFormat::ARGB32:
        case PixelFormat::RGB32:
            return AverageRows<4>;
        case PixelFormat::A8:
        case PixelFormat::Gray8:
            return AverageRows<1>;
        case PixelFormat::Indexed8:
        case PixelFormat::A1:
        case PixelFormat::Indexed1:
        case PixelFormat::Gray1:
            return ThrowBadFormat;
        default:
            return nullptr;
    }
}

void Box2x2Downsampling::Downsample(GXPixelFormat format, const uint8_t* src, int32_t srcStride,
                                    GXIntSize sourceSize, uint8_t* dst, int32_t dstStride) {
    RowRoutine routine = Get(format);
    if (!routine) GX_RAISE("Bad format for downsampling");
    // Refused even when there is no row to halve.
    if (routine == ThrowBadFormat) ThrowBadFormat(src, src, dst, sourceSize.width);
    for (int32_t y = 0; 2 * int64_t(y) < sourceSize.height; ++y, dst += dstStride) {
        const uint8_t* top = src + int64_t(srcStride) * (2 * y);
        // At an odd height the last row is its own lower neighbour.
        const uint8_t* bottom = 2 * y + 1 < sourceSize.height ? top + srcStride : top;
        routine(top, bottom, dst, sourceSize.width);
    }
}

void Box2x2Downsampling::ThrowBadFormat(const uint8_t*, const uint8_t*, uint8_t*, int32_t) {
    GX_RAISE("Bad format for downsampling");
}

}  // namespace Graphics
