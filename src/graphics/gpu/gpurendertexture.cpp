#include "graphics/gpu/gpurendertexture.h"

#include <algorithm>

namespace Graphics {

GpuRenderTexture::GpuRenderTexture(std::shared_ptr<GpuDevice> device, GXIntSize size,
                                   GXPixelFormat format, float dpiX, float dpiY)
    : GpuTexture(device, {std::max(size.width, 1), std::max(size.height, 1)}, format, dpiX, dpiY,
                 device->CreateRenderTexture(size.width, size.height, format)) {}

GXBitmapData GpuRenderTexture::Lock(const GXIntRect* rect, uint32_t mode) {
    std::unique_lock hold(mutex_);  // kept locked until Unlock, unless this raises
    lockMode_ = mode;
    // Vulkan copies must stay inside the image: the window is clamped to the texture.
    lockedRect_ = ClampRect(rect, size_);
    GXBitmapData data = MapStaging(uint32_t(lockedRect_.right - lockedRect_.left),
                                   uint32_t(lockedRect_.bottom - lockedRect_.top));
    if (staging_ && image_ && (mode & LockMode::Read) && !IsEmptyRect(lockedRect_)) {
        Device()->CopyRect(image_, 0, &lockedRect_, staging_, nullptr);
        data = Device()->MapResource(*staging_);
    }
    hold.release();
    return data;
}

void GpuRenderTexture::Unlock() {
    LockEnd end(*this);
    if (staging_) Device()->UnmapResource(*staging_);
    if (staging_ && image_ && (lockMode_ & LockMode::Write)) {
        GXIntPoint at{lockedRect_.left, lockedRect_.top};
        Device()->CopyRect(staging_, nullptr, image_, 0, &at);
    }
}

void GpuRenderTexture::ColorFill(const GXIntRect* rect, const ColorF& color) {
    if (format_ != GXPixelFormatPARGB32) {
        BitmapBase::ColorFill(rect, color);
        return;
    }
    GXIntRect target = ClampRect(rect, size_);
    if (IsEmptyRect(target)) return;
    std::lock_guard lock(mutex_);
    // Clamped like every colour the library converts (NaN counts as 0).
    auto unit = [](float v) { return v > 0 ? std::min(v, 1.0f) : 0.0f; };
    float a = unit(color.alpha);
    float premultiplied[4] = {unit(color.red) * a, unit(color.green) * a, unit(color.blue) * a, a};
    if (image_) Device()->ColorFill(image_, &target, premultiplied);
}

}  // namespace Graphics
