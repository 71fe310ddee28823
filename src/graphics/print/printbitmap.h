#pragma once

#include <cstdint>
#include <memory>

#include "graphics/bitmap/bitmapbase.h"
#include "graphics/bitmap/cachebase.h"
#include "gx.h"
#include "platform/printcanvas.h"

namespace Graphics {

class BitmapSource;

// A PARGB32 bitmap whose pixels are the print canvas's own image, so that what the software
// renderer paints into it, or a gradient evaluated into it, goes on the page without a
// copy. The copy of a caller's bitmap is kept in that bitmap's caches, so a bitmap drawn
// many times is converted, and written into the document, once until its pixels change.
class PrintBitmap : public BitmapBase, public CacheBase {
public:
    // No bitmap the print renderer makes for itself (offscreen renderings, evaluated
    // gradients) holds more pixels than this: 64 MiB of 32-bit pixels.
    static constexpr double kMaxPixels = 16.0 * 1024 * 1024;

    // A bitmap of `size` pixels (not initialised) to be written through Row or Lock;
    // raises "Not enough memory" when the store cannot be had.
    PrintBitmap(GXIntSize size, bool hasAlpha);

    std::shared_ptr<Palette> GetPalette() const override { return nullptr; }
    void SetPalette(std::shared_ptr<Palette>) override {}
    GXBitmapData Lock(const GXIntRect* origin, uint32_t mode) override;
    void Unlock() override {}
    // The copy of `source` in premultiplied 32-bit pixels: the cached one, or a new one
    // that is cached. `source` must have pixels (no side of 0).
    static std::shared_ptr<PrintBitmap> FromSource(const std::shared_ptr<BitmapSource>& source);

    // The largest scale not above `scale` at which an area of width x height units becomes
    // at most kMaxPixels pixels, each side rounded up. Sizes must be finite and positive.
    static double BoundedScale(double width, double height, double scale);

    bool HasAlpha() const { return hasAlpha_; }
    int32_t Stride() const { return image_->Stride(); }
    uint32_t* Row(int32_t y) const {
        return reinterpret_cast<uint32_t*>(image_->Pixels() + ptrdiff_t(y) * image_->Stride());
    }
    // To be called once every row is written, before the bitmap is placed on a page.
    void MarkWritten() { image_->MarkWritten(); }
    Host::PrintImagePaint Paint(const GXMatrix& imageToUser, Host::PrintImageExtend extend,
                                Host::PrintImageFilter filter, float opacity) const {
        return Host::PrintImagePaint{image_, imageToUser, extend, filter, opacity};
    }

private:
    std::shared_ptr<Host::PrintCanvasImage> image_;  // never null
    bool hasAlpha_;                                  // false when every pixel is known to be opaque
};

}  // namespace Graphics
