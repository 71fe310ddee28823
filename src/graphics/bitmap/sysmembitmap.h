#pragma once

#include <memory>

#include "graphics/bitmap/bitmapbase.h"
#include "graphics/bitmap/pixelbuffer.h"

namespace Graphics {

// The library's own bitmap: pixels in system memory, locking is free.
class SysMemBitmap : public BitmapBase {
public:
    // `size` must satisfy PixelBuffer::CanRepresent for `format`; the store holds its
    // absolute values and is not initialised.
    SysMemBitmap(GXIntSize size, GXPixelFormat format, float dpiX, float dpiY);
    // The same with every byte 0 (transparent black, or zero alpha), at no cost for pages
    // never touched.
    struct Zeroed {};
    SysMemBitmap(GXIntSize size, GXPixelFormat format, float dpiX, float dpiY, Zeroed);

    std::shared_ptr<Palette> GetPalette() const override { return palette_; }
    void SetPalette(std::shared_ptr<Palette> palette) override { palette_ = std::move(palette); }
    GXBitmapData Lock(const GXIntRect* origin, uint32_t mode) override;
    void Unlock() override {}

    const PixelBuffer& Buffer() const { return buffer_; }

private:
    PixelBuffer buffer_;                // the pixels
    std::shared_ptr<Palette> palette_;  // shared with whoever set it; may be empty
};

}  // namespace Graphics
