#include "graphics/software/swopaqueview.h"

#include <cstring>

namespace Graphics {

SwOpaqueView::SwOpaqueView(std::shared_ptr<BitmapBase> bitmap)
    : BitmapBase(bitmap->GetSize(), GXPixelFormatPARGB32, bitmap->GetDpiX(), bitmap->GetDpiY()),
      bitmap_(std::move(bitmap)) {
    const GXIntSize size = bitmap_->GetSize();
    if (size.width <= 0 || size.height <= 0) return;
    BitmapLock lock(*bitmap_, nullptr, LockMode::ReadWrite);
    const GXBitmapData& data = lock.Data();
    for (int32_t row = 0; row < size.height; ++row) {
        uint8_t* pixel = static_cast<uint8_t*>(data.data) + int64_t(row) * data.stride;
        for (int32_t x = 0; x < size.width; ++x) pixel[4 * x + 3] = 0xFF;
    }
}

void SwOpaqueView::ColorFill(const GXIntRect* rect, const ColorF& color) {
    ColorF opaque = color;
    opaque.alpha = 1.0f;
    BitmapBase::ColorFill(rect, opaque);
}

}  // namespace Graphics
