#pragma once

#include <cstdint>
#include <memory>

#include "graphics/bitmap/sysmembitmap.h"
#include "graphics/geometry/geometry.h"

namespace Graphics::Testing {

// A width x height bitmap of `format` with every pixel (every byte for A8) set to `fill`.
inline std::shared_ptr<SysMemBitmap> MakeBitmap(int32_t width, int32_t height, GXPixelFormat format,
                                                uint32_t fill) {
    auto bitmap = std::make_shared<SysMemBitmap>(GXIntSize{width, height}, format, 96.0f, 96.0f);
    BitmapLock lock(*bitmap, nullptr, LockMode::Write);
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = static_cast<uint8_t*>(lock.Data().data) + y * lock.Data().stride;
        for (int32_t x = 0; x < width; ++x) {
            if (format == GXPixelFormatA8) {
                row[x] = static_cast<uint8_t>(fill);
            } else {
                reinterpret_cast<uint32_t*>(row)[x] = fill;
            }
        }
    }
    return bitmap;
}

// Pixel (x, y) of a PARGB32 bitmap.
inline uint32_t Pixel32(BitmapBase& bitmap, int32_t x, int32_t y) {
    BitmapLock lock(bitmap, nullptr, LockMode::Read);
    return reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(lock.Data().data) +
                                             y * lock.Data().stride)[x];
}

// Byte (x, y) of an A8 bitmap.
inline uint8_t Pixel8(BitmapBase& bitmap, int32_t x, int32_t y) {
    BitmapLock lock(bitmap, nullptr, LockMode::Read);
    return static_cast<const uint8_t*>(lock.Data().data)[y * lock.Data().stride + x];
}

inline std::shared_ptr<Geometry> RectGeometry(const GXRect& r) {
    auto geometry = std::make_shared<Geometry>();
    geometry->Rectangle(r);
    return geometry;
}

inline std::shared_ptr<Geometry> EllipseGeometry(const GXRect& r) {
    auto geometry = std::make_shared<Geometry>();
    geometry->Ellipse(r);
    return geometry;
}

}  // namespace Graphics::Testing
