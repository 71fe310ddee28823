#include "graphics/gpu/gputexture.h"

#include <algorithm>

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
    // Vulkan copies must stay inside both images: clip the source rectangle to the source,
    // then the landing rectangle to this texture, moving each by what the other lost.
    GXIntRect from = ClampRect(rect, source.GetSize());
    int64_t toX = (point ? int64_t(point->x) : 0) + (from.left - (rect ? int64_t(rect->left) : 0));
    int64_t toY = (point ? int64_t(point->y) : 0) + (from.top - (rect ? int64_t(rect->top) : 0));
    int64_t left = std::max<int64_t>(toX, 0), top = std::max<int64_t>(toY, 0);
    int64_t right = std::min<int64_t>(toX + (from.right - from.left), size_.width);
    int64_t bottom = std::min<int64_t>(toY + (from.bottom - from.top), size_.height);
    if (IsEmptyRect(from) || right <= left || bottom <= top) return;
    GXIntRect read{int32_t(from.left + (left - toX)), int32_t(from.top + (top - toY)), 0, 0};
    read.right = int32_t(read.left + (right - left));
    read.bottom = int32_t(read.top + (bottom - top));
    GXIntPoint at{int32_t(left), int32_t(top)};
    std::lock_guard lock(mutex_);
    std::shared_ptr<GpuImage> image = source.Image();
    if (image_ && image) Device()->CopyRect(image, &read, image_, 0, &at);
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

GpuTexture::LockEnd::~LockEnd() {
    texture_.staging_.reset();
    texture_.lostScratch_ = {};
    texture_.mutex_.unlock();
}

}  // namespace Graphics
