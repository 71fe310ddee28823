#include "graphics/bitmap/sysmembitmap.h"

#include "graphics/bitmap/pixelformat.h"

namespace Graphics {

SysMemBitmap::SysMemBitmap(GXIntSize size, GXPixelFormat format, float dpiX, float dpiY)
    : BitmapBase(size, format, dpiX, dpiY),
      buffer_(size.width, size.height, PixelFormat::GetBitsPerPixel(format)) {}

SysMemBitmap::SysMemBitmap(GXIntSize size, GXPixelFormat format, float dpiX, float dpiY, Zeroed)
    : BitmapBase(size, format, dpiX, dpiY),
      buffer_(size.width, size.height, PixelFormat::GetBitsPerPixel(format), true) {}

GXBitmapData SysMemBitmap::Lock(const GXIntRect* origin, uint32_t /*mode*/) {
    int32_t left = origin ? origin->left : 0;
    int32_t top = origin ? origin->top : 0;
    GXBitmapData window;
    // A 1-bit window whose left is not a multiple of 8 starts at the byte holding it.
    window.data = buffer_.Row(top) + int64_t(buffer_.bitsPerPixel) * left / 8;
    window.rowBytes = int32_t((int64_t(buffer_.bitsPerPixel) * (buffer_.width - left) + 7) / 8);
    window.stride = buffer_.stride;
    return window;
}

}  // namespace Graphics
