#pragma once

#include "graphics/bitmap/bitmapsource.h"
#include "graphics/bitmap/colorf.h"
#include "graphics/bitmap/pixelbuffer.h"

namespace Graphics {

// One colour presented as a bitmap of any size, for fills: every pixel is the colour
// converted once into `format`.
class SolidColorBitmapSource : public BitmapSource {
public:
    // Raises "Bad format conversion" when ARGB32 has no route to `format`.
    SolidColorBitmapSource(GXIntSize size, GXPixelFormat format, const ColorF& color);

    GXPixelFormat GetPixelFormat() const override { return format_; }
    GXIntSize GetSize() const override { return size_; }
    float GetDpiX() const override { return 96.0f; }
    float GetDpiY() const override { return 96.0f; }
    std::shared_ptr<Palette> GetPalette() const override { return nullptr; }
    void CopyPixels(const GXIntRect* rect, uint8_t* dst, int32_t dstStride,
                    int32_t dstRowBytes) override;

    // The stored pixel (for 1-bit formats, bit 7 of the byte carries it).
    const uint8_t* Pixel() const { return pixel_.data.get(); }

private:
    GXIntSize size_;        // the size it pretends to have
    GXPixelFormat format_;  // format of the stored pixel
    PixelBuffer pixel_;     // one pixel holding the colour in `format_`
};

}  // namespace Graphics
