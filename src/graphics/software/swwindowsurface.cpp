#include "graphics/software/swwindowsurface.h"

#include "graphics/bitmap/bitmap.h"
#include "graphics/bitmap/sysmembitmap.h"
#include "graphics/core/exception.h"
#include "platform/x11window.h"

namespace Graphics {

SwWindowSurface::SwWindowSurface(std::shared_ptr<Platform::X11Window> window)
    : window_(std::move(window)) {
    if (!window_ || !window_->Exists()) GX_RAISE("The window does not exist");
    format_ = GetCompatibleFormat(window_->GetPixelLayout().bitsPerPixel);
    // The back buffer's pixels must be ones pixman can turn into the window's (which rules
    // out 1-bit displays).
    if (window_->GetPixmanFormat() == 0) GX_RAISE("Unsupported pixel format.");
    FollowClientSize();
}

void SwWindowSurface::FollowClientSize() {
    GXIntSize size{0, 0};
    if (!window_->GetClientSize(&size.width, &size.height)) GX_RAISE("The window does not exist");
    if (backBuffer_ && backBuffer_->GetSize().width == size.width &&
        backBuffer_->GetSize().height == size.height)
        return;
    backBuffer_ = std::make_shared<Bitmap>(std::make_shared<SysMemBitmap>(
        size, format_, window_->GetDpiX(), window_->GetDpiY(), SysMemBitmap::Zeroed{}));
}

GXPixelFormat SwWindowSurface::GetPixelFormat() const {
    return format_;
}
GXIntSize SwWindowSurface::GetSize() const {
    return backBuffer_->GetSize();
}
float SwWindowSurface::GetDpiX() const {
    return backBuffer_->GetDpiX();
}
float SwWindowSurface::GetDpiY() const {
    return backBuffer_->GetDpiY();
}

std::shared_ptr<BitmapBase> SwWindowSurface::BeginPaint() {
    FollowClientSize();
    return GetDrawable(*backBuffer_);
}

void SwWindowSurface::Present() {
    UpdateBitmap(*backBuffer_, TakeDirtyRect());
    const GXIntSize size = backBuffer_->GetSize();
    if (size.width == 0 || size.height == 0) return;
    BitmapLock lock(*backBuffer_->GetImpl(), nullptr, LockMode::Read);
    pixman_image_t* pixels = pixman_image_create_bits(
        format_ == GXPixelFormatRGB24 ? PIXMAN_r8g8b8 : PIXMAN_x8r8g8b8, size.width, size.height,
        static_cast<uint32_t*>(lock.Data().data), lock.Data().stride);
    if (!pixels) GX_RAISE("Not enough memory");
    // 16- and 8-bit displays get their pixels packed by pixman on the way.
    if (!window_->PutImage(0, 0, pixels, 0, 0, size.width, size.height)) lost_ = true;
    pixman_image_unref(pixels);
}

}  // namespace Graphics
