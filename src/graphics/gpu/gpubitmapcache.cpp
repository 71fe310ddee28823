#include "graphics/gpu/gpubitmapcache.h"

#include <mutex>

#include "graphics/bitmap/bitmapsource.h"
#include "graphics/bitmap/pixelformatconverter.h"
#include "graphics/core/exception.h"
#include "graphics/gpu/gpudevice.h"
#include "graphics/gpu/gpuvidmemtexcacheentry.h"
#include "graphics/gpu/gpuvidmemtexture.h"

namespace Graphics {

namespace {

// The format a bitmap's texture has: the GPU samples no palettes, no 24-bit and no 1-bit
// pixels, so those are converted on upload.
GXPixelFormat TextureFormat(GXPixelFormat format) {
    switch (format) {
        case GXPixelFormatRGB24: return GXPixelFormatRGB32;
        case GXPixelFormatIndexed8:
        case GXPixelFormatIndexed1: return GXPixelFormatARGB32;
        case GXPixelFormatA1: return GXPixelFormatA8;
        case GXPixelFormatGray1: return GXPixelFormatGray8;
        default: return format;
    }
}

}  // namespace

GpuBitmapCache::GpuBitmapCache(std::shared_ptr<GpuDevice> device)
    : device_(std::move(device)), ownerKey_(CacheHolder::NewOwnerKey()) {}

std::shared_ptr<GpuVidMemTexture> GpuBitmapCache::GetTexture(const std::shared_ptr<BitmapSource>& source) {
    std::lock_guard lock(source->Mutex());
    auto entry = std::dynamic_pointer_cast<GpuVidMemTexCacheEntry>(source->FindCache(ownerKey_));
    if (entry && entry->Texture()->IsValid()) return entry->Texture();

    GXIntSize size = source->GetSize();
    uint32_t limit = device_->MaxTextureSize();
    if (size.width < 0 || size.height < 0 || uint32_t(size.width) > limit ||
        uint32_t(size.height) > limit)
        GX_RAISE("Texture is too big");
    GXPixelFormat format = TextureFormat(source->GetPixelFormat());
    auto texture = std::make_shared<GpuVidMemTexture>(device_, size, format, source->GetDpiX(),
                                                      source->GetDpiY(), true);
    std::shared_ptr<BitmapSource> pixels = source;
    if (format != source->GetPixelFormat())
        pixels = std::make_shared<PixelFormatConverter>(source, format);
    texture->CopyFromSource(nullptr, pixels, nullptr);

    texture->SetEvictable(true);
    GpuResourceTracker& tracker = device_->Tracker();
    {
        // Outside a paint the texture goes straight to the idle list.
        std::lock_guard trackerLock(tracker.Mutex());
        bool outsidePaint = tracker.FrameDepth() == 0;
        if (outsidePaint) tracker.BeginFrame();
        tracker.Touch(texture.get());
        if (outsidePaint) tracker.EndFrame();
    }
    source->InsertCache(ownerKey_, std::make_shared<GpuVidMemTexCacheEntry>(texture));
    return texture;
}

}  // namespace Graphics
