#pragma once

#include <memory>

#include "graphics/bitmap/cachebase.h"

namespace Graphics {

class GpuVidMemTexture;

// The GPU copy of a bitmap, kept in the bitmap's CacheHolder under the device's owner key:
// a change of the bitmap drops it, eviction or device loss only empty it (IsValid).
class GpuVidMemTexCacheEntry : public CacheBase {
public:
    explicit GpuVidMemTexCacheEntry(std::shared_ptr<GpuVidMemTexture> texture)
        : texture_(std::move(texture)) {}

    const std::shared_ptr<GpuVidMemTexture>& Texture() const { return texture_; }

private:
    std::shared_ptr<GpuVidMemTexture> texture_;  // never null
};

}  // namespace Graphics
