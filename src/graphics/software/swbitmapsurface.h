#pragma once

#include <memory>

#include "graphics/software/swsurface.h"

namespace Graphics {

// A surface over a library bitmap: the paint goes into the bitmap's drawable, and Present
// brings the bitmap up to date and tells its caches that the pixels changed.
class SwBitmapSurface : public SwSurface {
public:
    explicit SwBitmapSurface(std::shared_ptr<Bitmap> bitmap) : bitmap_(std::move(bitmap)) {}

    GXPixelFormat GetPixelFormat() const override;
    GXIntSize GetSize() const override;
    float GetDpiX() const override;
    float GetDpiY() const override;
    std::shared_ptr<BitmapBase> BeginPaint() override { return painted_ = GetDrawable(*bitmap_); }
    void EndPaint() override {}
    void Present() override;

private:
    std::shared_ptr<Bitmap> bitmap_;        // the target; never empty
    std::shared_ptr<BitmapBase> painted_;  // the drawable lent for the paint, until Present
};

}  // namespace Graphics
