#pragma once

#include <cstdint>
#include <memory>

#include "graphics/bitmap/cacheholder.h"
#include "graphics/bitmap/palette.h"
#include "gx.h"

namespace Graphics {

// The read-only pixel source that everything reading pixels goes through: bitmaps,
// drawables, textures, format converters and solid colours.
class BitmapSource : public CacheHolder {
public:
    ~BitmapSource() override = default;

    virtual GXPixelFormat GetPixelFormat() const = 0;
    virtual GXIntSize GetSize() const = 0;
    virtual float GetDpiX() const = 0;
    virtual float GetDpiY() const = 0;
    // Empty when the source has no palette.
    virtual std::shared_ptr<Palette> GetPalette() const = 0;
    // Copies the pixels of `rect` (null: the whole source; clamped to the source) row by
    // row into `dst`, advancing it by `dstStride` per row and copying per row at most
    // `dstRowBytes` bytes. No format conversion.
    virtual void CopyPixels(const GXIntRect* rect, uint8_t* dst, int32_t dstStride,
                            int32_t dstRowBytes) = 0;
    virtual bool IsOffscreenPainting() const { return false; }
};

// `rect` (or the whole of `size` when null) intersected with the rectangle (0, 0)-size;
// a rectangle that misses it, or is inverted, comes back empty at its clamped corner.
GXIntRect ClampRect(const GXIntRect* rect, GXIntSize size);

inline bool IsEmptyRect(const GXIntRect& rect) {
    return rect.right <= rect.left || rect.bottom <= rect.top;
}

}  // namespace Graphics
