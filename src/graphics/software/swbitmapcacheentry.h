#pragma once

#include <cstdint>
#include <memory>

#include "graphics/bitmap/cachebase.h"

namespace Graphics {

class BitmapBase;

// The software renderer's drawable for a library bitmap, kept in the bitmap's CacheHolder so
// that every paint of the same bitmap draws into the same pixels until the caller changes
// them (which drops the entry).
class SwBitmapCacheEntry : public CacheBase {
public:
    explicit SwBitmapCacheEntry(std::shared_ptr<BitmapBase> drawable)
        : drawable_(std::move(drawable)) {}

    // The owner key under which the software renderer files its entries.
    static uint32_t OwnerKey();

    const std::shared_ptr<BitmapBase>& Drawable() const { return drawable_; }

private:
    std::shared_ptr<BitmapBase> drawable_;  // PARGB32, same size as the bitmap; never empty
};

}  // namespace Graphics
