#include "graphics/gpu/gputexture.h"

#include "graphics/bitmap/pixelformat.h"
#include "graphics/core/exception.h"

namespace Graphics {

GpuTexture::GpuTexture(std::shared_ptr<GpuDevice> device, GXIntSize size, GXPixelFormat format,
                       float dpiX, float dpiY, std::shared_ptr<GpuImage> image)
    : BitmapBase(size, format, dpiX, dpiY), GpuResource(std::move(device)), image_(std::move(image)) {}

void GpuTexture::SetPalette(std::shared_ptr<Palette>) { GX_RAISE("Not applicable"); }

bool GpuTexture::IsValid() const {
    std::lock_guard lock(mutex_);
    return image_ != nullptr;
}

void GpuTexture::ReleaseGpuObject() {
    std::lock_guard lock(mutex_);
    image_.reset();
}

std::shared_ptr<GpuImage> GpuTexture::Image() const {
    std::lock_guard lock(mutex_);
    return image_;
}

void GpuTexture::CopyFromTexture(const GXIntPoint* point, GpuTexture& source, const GXIntRect* rect) {
    if (rect && IsEmptyRect(*rect)) return;
    std::lock_guard lock(mutex_);
    std::shared_ptr<GpuImage> from = source.Image();
    if (image_ && from) Device()->CopyRect(from, rect, image_, 0, point);
}

GXBitmapData GpuTexture::MapStaging(uint32_t width, uint32_t height) {
    staging_ = Device()->CreateSysMemSurface(width, height, format_);
    if (staging_) {
        GXBitmapData data = Device()->MapResource(*staging_);
        if (data.data) return data;
        staging_.reset();
    }
    int32_t rowBytes = int32_t(PixelFormat::GetRowBytes(format_, width));
    int32_t stride = (rowBytes + 15) & ~15;
    lostScratch_.assign(size_t(stride) * height, 0);
    return {lostScratch_.data(), rowBytes, stride};
}

void GpuTexture::EndLock() {
    staging_.reset();
    lostScratch_ = {};
    mutex_.unlock();
}

}  // namespace Graphics
