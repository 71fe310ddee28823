#pragma once

#include <memory>

#include "graphics/bitmap/bitmapbase.h"
#include "graphics/bitmap/bitmapsource.h"

namespace Graphics {

// Presents any pixel source in another format, converting rows through PixelConversion as
// they are copied out. Indexed sources are looked up in their palette first.
class PixelFormatConverter : public BitmapSource {
public:
    PixelFormatConverter(std::shared_ptr<BitmapSource> source, GXPixelFormat targetFormat);

    GXPixelFormat GetPixelFormat() const override { return targetFormat_; }
    GXIntSize GetSize() const override { return source_->GetSize(); }
    float GetDpiX() const override { return source_->GetDpiX(); }
    float GetDpiY() const override { return source_->GetDpiY(); }
    std::shared_ptr<Palette> GetPalette() const override { return source_->GetPalette(); }
    // Converts the rows of `rect` (null: all, clamped to the source) into `dst`; each row
    // gets as many whole pixels as fit in `dstRowBytes`.
    void CopyPixels(const GXIntRect* rect, uint8_t* dst, int32_t dstStride,
                    int32_t dstRowBytes) override;

private:
    std::shared_ptr<BitmapSource> source_;  // what is converted
    GXPixelFormat sourceFormat_;            // the source's format, read once when made
    GXPixelFormat targetFormat_;            // the format presented
    std::shared_ptr<BitmapBase> lockable_;  // the source's lockable bitmap, or empty
};

}  // namespace Graphics
