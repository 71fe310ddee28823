#include "graphics/software/swdevicesurface.h"

#include "graphics/bitmap/bitmap.h"
#include "graphics/core/exception.h"
#include "graphics/software/swsystembitmap.h"
#include "platform/devicecontext.h"
#include "platform/memorydevicecontext.h"

namespace Graphics {

using Platform::DeviceCap;

SwDeviceSurface::SwDeviceSurface(std::shared_ptr<Platform::DeviceContext> context,
                                 const GXIntRect* rect, float scale, bool copyIn)
    : context_(std::move(context)), scale_(scale) {
    if (!context_) GX_RAISE("The DC does not exist");
    deviceWidth_ = context_->GetDeviceCaps(DeviceCap::HorzRes);
    deviceHeight_ = context_->GetDeviceCaps(DeviceCap::VertRes);
    rect_ = rect ? *rect : GXIntRect{0, 0, deviceWidth_, deviceHeight_};
    dpiX_ = float(context_->GetDeviceCaps(DeviceCap::LogPixelsX));
    dpiY_ = float(context_->GetDeviceCaps(DeviceCap::LogPixelsY));
    backBuffer_ = std::make_shared<Bitmap>(
        std::make_shared<SwSystemBitmap>(GetSize(), GXPixelFormatRGB32, dpiX_, dpiY_));
    if (copyIn && !IsEmptyRect(rect_)) {
        Platform::MemoryDeviceContext memory;
        memory.Select(BackBufferPixels().GetNativeBitmap());
        // A device that cannot be read (a window not shown yet) leaves the buffer black.
        Platform::BitBlt(memory, 0, 0, *context_,
                         {rect_.left, rect_.top, rect_.right - rect_.left, rect_.bottom - rect_.top});
    }
}

GXIntSize SwDeviceSurface::GetSize() const {
    // The caller's rectangle is checked before; an empty one gives an empty surface.
    return IsEmptyRect(rect_) ? GXIntSize{0, 0}
                              : GXIntSize{rect_.right - rect_.left, rect_.bottom - rect_.top};
}

SwSystemBitmap& SwDeviceSurface::BackBufferPixels() const {
    return static_cast<SwSystemBitmap&>(*backBuffer_->GetImpl());
}

std::shared_ptr<BitmapBase> SwDeviceSurface::BeginPaint() {
    return GetDrawable(*backBuffer_);
}

void SwDeviceSurface::Present() {
    UpdateBitmap(*backBuffer_, TakeDirtyRect());
    const GXIntSize size = GetSize();
    if (size.width == 0 || size.height == 0) return;
    Platform::MemoryDeviceContext memory;
    memory.Select(BackBufferPixels().GetNativeBitmap());
    const Platform::DeviceRect whole{0, 0, size.width, size.height};
    // The 32-bit rows go out as x8r8g8b8: the fourth byte, which the paint keeps at 255 for
    // the opaque view it paints through, is ignored by every device.
    const bool shown =
        scale_ == 1.0f
            ? Platform::BitBlt(*context_, rect_.left, rect_.top, memory, whole)
            : Platform::StretchBlt(*context_, {rect_.left, rect_.top, deviceWidth_, deviceHeight_},
                                   memory, whole);
    if (!shown) lost_ = true;
}

}  // namespace Graphics
