#include "graphics/bitmap/solidcolorbitmapsource.h"

#include <algorithm>
#include <cstring>

#include "graphics/core/exception.h"
#include "graphics/bitmap/pixelconversion.h"
#include "graphics/bitmap/pixelformat.h"

namespace Graphics {

SolidColorBitmapSource::SolidColorBitmapSource(GXIntSize size, GXPixelFormat format,
                                               const ColorF& color)
    : size_(size), format_(format), pixel_(1, 1, PixelFormat::GetBitsPerPixel(format)) {
    RowConverter convert = PixelConversion::Get(PixelFormat::ARGB32, format);
    if (!convert) GX_RAISE("Bad format conversion");
    uint32_t argb = color.ToARGB();
    uint8_t bytes[4];
    std::memcpy(bytes, &argb, 4);
    std::memset(pixel_.data.get(), 0, size_t(pixel_.stride));
    convert(bytes, pixel_.data.get(), 1);
}

void SolidColorBitmapSource::CopyPixels(const GXIntRect* rect, uint8_t* dst, int32_t dstStride,
                                        int32_t dstRowBytes) {
    GXIntRect clamped = ClampRect(rect, size_);
    if (IsEmptyRect(clamped) || dstRowBytes <= 0) return;
    int32_t bits = pixel_.bitsPerPixel;
    int64_t rowBytes = std::min<int64_t>(
        PixelFormat::GetRowBytes(format_, clamped.right - clamped.left), dstRowBytes);
    // One row built by repeating the pixel; a 1-bit pixel fills whole bytes with its bit.
    HeapBlock<uint8_t> row(static_cast<uint8_t*>(ProcessHeap::AllocAligned(size_t(rowBytes))));
    if (bits == 1) {
        std::memset(row.get(), (Pixel()[0] & 0x80) ? 0xFF : 0x00, size_t(rowBytes));
    } else {
        int32_t pixelBytes = bits / 8;
        // A destination row cut inside a pixel gets that pixel's leading bytes.
        for (int64_t at = 0; at < rowBytes; at += pixelBytes)
            std::memcpy(row.get() + at, Pixel(),
                        size_t(std::min<int64_t>(pixelBytes, rowBytes - at)));
    }
    for (int32_t y = clamped.top; y < clamped.bottom; ++y, dst += dstStride)
        std::memcpy(dst, row.get(), size_t(rowBytes));
}

}  // namespace Graphics
