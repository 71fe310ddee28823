#pragma once

#include <cstdint>
#include <memory>

namespace Graphics {

class BitmapSource;
class GpuDevice;
class GpuVidMemTexture;

// The GPU copies of bitmaps on one device, each stored in its bitmap's own CacheHolder so
// that the bitmap decides how long it lives.
class GpuBitmapCache {
public:
    explicit GpuBitmapCache(std::shared_ptr<GpuDevice> device);

    // The texture of `source`, uploaded (with a mip chain) on first request or after its GPU
    // image was evicted or lost. Raises "Texture is too big" past the device's limit.
    std::shared_ptr<GpuVidMemTexture> GetTexture(const std::shared_ptr<BitmapSource>& source);

private:
    std::shared_ptr<GpuDevice> device_;
    uint32_t ownerKey_;  // this cache's entries in every CacheHolder
};

}  // namespace Graphics
