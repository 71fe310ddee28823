#pragma once

#include <memory>

#include "graphics/bitmap/bitmapbase.h"

namespace Platform {
class NativeBitmap;
}

namespace Graphics {

// A bitmap whose pixels live in a native bitmap of the platform, so that device contexts
// can blit them: made on first use, of the bitmap's size and bits per pixel, with the
// palette as colour table. Native rows have the library's own layout (top-down, 1-bit rows
// from the most significant bit), so locking lends them in place.
class SwSystemBitmap : public BitmapBase {
public:
    // `size` is reported as given; the native bitmap has its absolute values.
    SwSystemBitmap(GXIntSize size, GXPixelFormat format, float dpiX, float dpiY,
                   std::shared_ptr<Palette> palette = nullptr);

    // A new native bitmap holding a copy of `bitmap`'s pixels: A1 and Gray1 bitmaps without a
    // palette get black and white and become Indexed1, Gray8 ones a grey ramp and become
    // Indexed8. Raises "CreateDIBSection fail" when none can be made (an empty bitmap).
    static std::shared_ptr<Platform::NativeBitmap> CopyToNativeBitmap(BitmapSource& bitmap);

    // The native bitmap, made now if need be; raises "CreateDIBSection fail" when it
    // cannot be (an empty size, or no memory).
    const std::shared_ptr<Platform::NativeBitmap>& GetNativeBitmap();

    std::shared_ptr<Palette> GetPalette() const override { return palette_; }
    // Also the native bitmap's colour table from now on.
    void SetPalette(std::shared_ptr<Palette> palette) override;
    // An empty bitmap locks as an empty window.
    GXBitmapData Lock(const GXIntRect* origin, uint32_t mode) override;
    void Unlock() override {}

protected:
    // Over an existing native bitmap of `format`'s bits per pixel, 96 dots per inch.
    SwSystemBitmap(std::shared_ptr<Platform::NativeBitmap> native, GXPixelFormat format,
                   std::shared_ptr<Palette> palette);

private:
    std::shared_ptr<Palette> palette_;                // may be empty
    std::shared_ptr<Platform::NativeBitmap> native_;  // empty until first needed
};

}  // namespace Graphics
