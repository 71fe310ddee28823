#include "graphics/software/swbitmapwindow.h"

#include "graphics/bitmap/pixelformat.h"

namespace Graphics {

SwBitmapWindow::SwBitmapWindow(std::shared_ptr<BitmapBase> bitmap, const GXIntRect& rect)
    : BitmapBase(GXIntSize{rect.right - rect.left, rect.bottom - rect.top},
                 bitmap->GetPixelFormat(), bitmap->GetDpiX(), bitmap->GetDpiY()),
      bitmap_(std::move(bitmap)),
      offset_{rect.left, rect.top} {}

GXBitmapData SwBitmapWindow::Lock(const GXIntRect* origin, uint32_t mode) {
    const int32_t left = origin ? origin->left : 0, top = origin ? origin->top : 0;
    const GXIntRect shifted{offset_.x + left, offset_.y + top, offset_.x + size_.width,
                            offset_.y + size_.height};
    GXBitmapData data = bitmap_->Lock(&shifted, mode);
    // The row ends at the window's right edge, not the bitmap's.
    data.rowBytes = int32_t(PixelFormat::GetRowBytes(format_, size_.width - left));
    return data;
}

}  // namespace Graphics
