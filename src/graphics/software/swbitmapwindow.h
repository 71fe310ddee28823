#pragma once

#include <memory>

#include "graphics/bitmap/bitmapbase.h"

namespace Graphics {

// A rectangle of another bitmap seen as a bitmap of its own, sharing its pixels: a group
// reads the pixels under it in its parent through one, instead of copying them, since the
// parent cannot change while the group is open.
class SwBitmapWindow : public BitmapBase {
public:
    // `rect` must lie within `bitmap`.
    SwBitmapWindow(std::shared_ptr<BitmapBase> bitmap, const GXIntRect& rect);

    std::shared_ptr<Palette> GetPalette() const override { return bitmap_->GetPalette(); }
    void SetPalette(std::shared_ptr<Palette> palette) override {
        bitmap_->SetPalette(std::move(palette));
    }
    GXBitmapData Lock(const GXIntRect* origin, uint32_t mode) override;
    void Unlock() override { bitmap_->Unlock(); }

private:
    std::shared_ptr<BitmapBase> bitmap_;  // whose pixels are shown
    GXIntPoint offset_;                   // the window's top-left in bitmap_
};

}  // namespace Graphics
