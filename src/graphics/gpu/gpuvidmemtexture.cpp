#include "graphics/gpu/gpuvidmemtexture.h"

#include <algorithm>

#include "graphics/bitmap/box2x2downsampling.h"
#include "graphics/bitmap/pixelformat.h"
#include "graphics/gpu/gpurendertexture.h"

namespace Graphics {

GpuVidMemTexture::GpuVidMemTexture(std::shared_ptr<GpuDevice> device, GXIntSize size,
                                   GXPixelFormat format, float dpiX, float dpiY, bool wantMipmaps)
    : GpuTexture(device, {std::max(size.width, 1), std::max(size.height, 1)}, format, dpiX, dpiY,
                 device->CreateVidMemTexture(size.width, size.height, format, wantMipmaps)) {}

GXBitmapData GpuVidMemTexture::Lock(const GXIntRect* origin, uint32_t mode) {
    std::unique_lock hold(mutex_);  // kept locked until Unlock, unless this raises
    lockMode_ = mode;
    GXBitmapData data = MapStaging(uint32_t(size_.width), uint32_t(size_.height));
    // The whole texture is uploaded at Unlock (the mip chain needs all of level 0), so a
    // lock of less than all of it reads the rest back first, even to write.
    GXIntRect all{0, 0, size_.width, size_.height};
    bool partial = origin && (origin->left != 0 || origin->top != 0 || origin->right != all.right ||
                              origin->bottom != all.bottom);
    if (staging_ && image_ && ((mode & LockMode::Read) || partial)) {
        Device()->CopyRect(image_, 0, nullptr, staging_, nullptr);
        data = Device()->MapResource(*staging_);
    }
    if (origin && data.data) {
        GXIntRect at = ClampRect(origin, size_);
        int64_t skip = PixelFormat::GetRowBytes(format_, at.left);
        data.data = static_cast<uint8_t*>(data.data) + int64_t(at.top) * data.stride + skip;
        data.rowBytes -= int32_t(skip);
    }
    hold.release();
    return data;
}

void GpuVidMemTexture::Unlock() {
    LockEnd end(*this);
    if (staging_ && image_ && (lockMode_ & LockMode::Write)) UploadMipChain();
    if (staging_) Device()->UnmapResource(*staging_);
}

void GpuVidMemTexture::UploadMipChain() {
    GpuDevice& device = *Device();
    device.CopyRect(staging_, nullptr, image_, 0, nullptr);
    Box2x2Downsampling::RowRoutine halve = Box2x2Downsampling::Get(format_);
    std::shared_ptr<GpuStagingSurface> above = staging_;
    for (uint32_t level = 1; level < image_->Describe().mipLevels && halve; ++level) {
        uint32_t width = std::max(above->width / 2, 1u);
        uint32_t height = std::max(above->height / 2, 1u);
        std::shared_ptr<GpuStagingSurface> below = device.CreateSysMemSurface(width, height, format_);
        if (!below) return;
        GXBitmapData to = device.MapResource(*below);
        GXBitmapData from = device.MapResource(*above);
        if (!to.data || !from.data) return;
        // Vulkan levels round down (5 -> 2), so an odd last column or row is left out,
        // except at size 1, where the one pixel stands for its missing neighbours.
        int32_t sourceWidth = int32_t(std::min(above->width, 2 * width));
        for (uint32_t y = 0; y < height; ++y) {
            const uint8_t* top = static_cast<const uint8_t*>(from.data) + size_t(2 * y) * from.stride;
            const uint8_t* bottom = 2 * y + 1 < above->height ? top + from.stride : top;
            halve(top, bottom, static_cast<uint8_t*>(to.data) + size_t(y) * to.stride, sourceWidth);
        }
        if (above != staging_) device.UnmapResource(*above);
        device.CopyRect(below, nullptr, image_, level, nullptr);
        above = std::move(below);
    }
}

void GpuVidMemTexture::ColorFill(const GXIntRect* rect, const ColorF& color) {
    GXIntRect target = ClampRect(rect, size_);
    if (IsEmptyRect(target)) return;
    auto fill = std::make_shared<GpuRenderTexture>(
        Device(), GXIntSize{target.right - target.left, target.bottom - target.top}, format_,
        dpiX_, dpiY_);
    fill->ColorFill(nullptr, color);
    GXIntPoint at{target.left, target.top};
    CopyFromSource(&at, fill, nullptr);
}

}  // namespace Graphics
