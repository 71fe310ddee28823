#pragma once

#include <cstdint>
#include <memory>

#include "graphics/bitmap/cachebase.h"
#include "gx.h"
#include "platform/printcanvas.h"

namespace Graphics {

class BitmapSource;

// Pixels in the form the print canvas places on a page (premultiplied 32-bit), with what
// the renderer needs to know about them. The copy of a caller's bitmap is kept in that
// bitmap's caches, so a bitmap drawn many times is converted, and written into the
// document, once until its pixels change.
class PrintBitmap : public CacheBase {
public:
    // No bitmap the print renderer makes for itself (offscreen renderings, evaluated
    // gradients) holds more pixels than this: 64 MiB of 32-bit pixels.
    static constexpr double kMaxPixels = 16.0 * 1024 * 1024;

    // A bitmap of `size` pixels to be written through Row; raises "Not enough memory" when
    // the store cannot be had.
    PrintBitmap(GXIntSize size, bool hasAlpha);
    // The copy of `source` in premultiplied 32-bit pixels: the cached one, or a new one
    // that is cached. `source` must have pixels (no side of 0).
    static std::shared_ptr<PrintBitmap> FromSource(const std::shared_ptr<BitmapSource>& source);

    // The largest scale not above `scale` at which an area of width x height units becomes
    // at most kMaxPixels pixels, each side rounded up. Sizes must be finite and positive.
    static double BoundedScale(double width, double height, double scale);

    GXIntSize Size() const { return image_->Size(); }
    bool HasAlpha() const { return hasAlpha_; }
    int32_t Stride() const { return image_->Stride(); }
    uint32_t* Row(int32_t y) const {
        return reinterpret_cast<uint32_t*>(image_->Pixels() + ptrdiff_t(y) * image_->Stride());
    }
    // To be called once every row is written.
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
