#pragma once

#include <memory>

#include "graphics/bitmap/bitmapbase.h"

namespace Graphics {

// An RGB32 bitmap seen as PARGB32, sharing its pixels, so that the pipeline (which
// composites premultiplied pixels only) paints the RGB32 bitmap in place. RGB32 ignores the
// fourth byte, so the view sets it to 255 once when made: every pixel then reads as opaque,
// which is what an RGB32 pixel means.
class SwOpaqueView : public BitmapBase {
public:
    // `bitmap` must be RGB32.
    explicit SwOpaqueView(std::shared_ptr<BitmapBase> bitmap);

    std::shared_ptr<Palette> GetPalette() const override { return nullptr; }
    void SetPalette(std::shared_ptr<Palette>) override {}
    GXBitmapData Lock(const GXIntRect* origin, uint32_t mode) override {
        return bitmap_->Lock(origin, mode);
    }
    void Unlock() override { bitmap_->Unlock(); }
    // An RGB32 pixel has no alpha: the colour is stored opaque, as GXBitmapColorFill stores
    // it, so that no later compositing reads a translucent fourth byte.
    void ColorFill(const GXIntRect* rect, const ColorF& color) override;

private:
    std::shared_ptr<BitmapBase> bitmap_;  // the RGB32 bitmap whose pixels are shown
};

}  // namespace Graphics
