#pragma once

#include <cstdint>
#include <memory>

#include "graphics/bitmap/bitmapsource.h"
#include "graphics/bitmap/colorf.h"
#include "gx.h"

namespace Graphics {

// Lock modes of BitmapBase::Lock and GXBitmapLock: a bit for reading and one for writing.
namespace LockMode {
constexpr uint32_t Read = 1;
constexpr uint32_t Write = 2;
constexpr uint32_t ReadWrite = 3;
}  // namespace LockMode

// The interface every bitmap implementation provides (system memory, DIB sections,
// textures). Copies and fills are provided here on top of Lock/Unlock.
class BitmapBase : public BitmapSource {
public:
    BitmapBase(GXIntSize size, GXPixelFormat format, float dpiX, float dpiY)
        : size_(size), format_(format), dpiX_(dpiX), dpiY_(dpiY) {}
    ~BitmapBase() override = default;

    GXPixelFormat GetPixelFormat() const override { return format_; }
    GXIntSize GetSize() const override { return size_; }
    float GetDpiX() const override { return dpiX_; }
    float GetDpiY() const override { return dpiY_; }
    // Locks `rect` for reading (clamped to the bitmap), copies its rows, unlocks.
    void CopyPixels(const GXIntRect* rect, uint8_t* dst, int32_t dstStride,
                    int32_t dstRowBytes) override;

    // Empty `palette` removes it.
    virtual void SetPalette(std::shared_ptr<Palette> palette) = 0;
    // A window whose first row starts at (origin->left, origin->top), or at the top-left
    // corner when `origin` is null; its rowBytes reach the bitmap's right edge. The origin
    // must lie within the bitmap.
    virtual GXBitmapData Lock(const GXIntRect* origin, uint32_t mode) = 0;
    virtual void Unlock() = 0;
    // Fills `rect` (null: the whole bitmap) with `color` converted to this format.
    virtual void ColorFill(const GXIntRect* rect, const ColorF& color);
    // Copies `sourceRect` (null: all) of `source`, which has this bitmap's format, so that
    // its top-left lands at `origin` (null: 0,0). Both rectangles are clipped to their
    // bitmaps, and the other one shrinks by what the clipping cut off, so every copied pixel
    // lands where it belongs and nothing outside the source rectangle is written.
    virtual void CopyFromSource(const GXIntPoint* origin,
                                const std::shared_ptr<BitmapSource>& source,
                                const GXIntRect* sourceRect);

protected:
    GXIntSize size_;        // reported size, as requested (may be negative)
    GXPixelFormat format_;  // a valid pixel format code
    float dpiX_;            // horizontal resolution, dots per inch
    float dpiY_;            // vertical resolution, dots per inch
};

// Holds a lock on a BitmapBase for one scope, so that an exception never leaves it locked.
class BitmapLock {
public:
    BitmapLock(BitmapBase& bitmap, const GXIntRect* origin, uint32_t mode)
        : bitmap_(bitmap), data_(bitmap.Lock(origin, mode)) {}
    ~BitmapLock() { bitmap_.Unlock(); }
    BitmapLock(const BitmapLock&) = delete;
    BitmapLock& operator=(const BitmapLock&) = delete;

    const GXBitmapData& Data() const { return data_; }

private:
    BitmapBase& bitmap_;  // locked for the lifetime of this object
    GXBitmapData data_;   // the window Lock returned
};

}  // namespace Graphics
