#include "graphics/api/bitmapcache.h"

#include <cstdlib>

#include "graphics/api/handlerecord.h"
#include "graphics/bitmap/bitmap.h"

namespace Graphics {

BitmapCache& BitmapCache::Instance() {
    // Never destroyed: a handle may be registered by code that runs at process exit.
    static BitmapCache* cache = new BitmapCache;
    return *cache;
}

uint64_t BitmapCache::EstimateSize(GXIntSize size, GXPixelFormat format) {
    uint64_t bits;
    switch (format) {
        case GXPixelFormatRGB24:
            bits = 24;
            break;
        case GXPixelFormatA8:
        case GXPixelFormatIndexed8:
        case GXPixelFormatGray8:
            bits = 8;
            break;
        case GXPixelFormatA1:
        case GXPixelFormatIndexed1:
        case GXPixelFormatGray1:
            bits = 1;
            break;
        default:
            bits = 32;
            break;
    }
    // Absolute values: a bitmap made with a negative size still holds |w| x |h| pixels.
    uint64_t width = uint64_t(std::llabs(size.width));
    uint64_t height = uint64_t(std::llabs(size.height));
    return (bits * width + 7) / 8 * height;
}

uint32_t BitmapCache::Put(GXBitmapRec_* bitmap) {
    uint64_t size = EstimateSize(bitmap->impl->GetSize(), bitmap->impl->GetPixelFormat());
    std::lock_guard lock(mutex_);
    // Identifiers never come back, 0 included after the counter wraps.
    uint32_t id = ++lastId_;
    if (id == 0) id = ++lastId_;
    EvictFor(size);
    // The node is made before anything is counted, and the map insertion undone if it
    // fails, so a failed allocation leaves the cache as it was (less what was evicted).
    ages_.push_back(Entry{id, bitmap, size});
    const AgeList::iterator entry = std::prev(ages_.end());
    try {
        byId_.emplace(id, entry);
    } catch (...) {
        ages_.pop_back();
        throw;
    }
    try {
        byHandle_.emplace(bitmap, entry);
    } catch (...) {
        byId_.erase(id);
        ages_.pop_back();
        throw;
    }
    inUse_.store(inUse_.load(std::memory_order_relaxed) + size, std::memory_order_relaxed);
    return id;
}

GXBitmapRec_* BitmapCache::Get(uint32_t id) {
    std::lock_guard lock(mutex_);
    auto found = byId_.find(id);
    return found == byId_.end() ? nullptr : found->second->handle;
}

void BitmapCache::Remove(uint32_t id) {
    std::lock_guard lock(mutex_);
    auto found = byId_.find(id);
    if (found != byId_.end()) Erase(found->second);
}

void BitmapCache::RemoveHandle(const GXBitmapRec_* bitmap) {
    std::lock_guard lock(mutex_);
    for (auto found = byHandle_.find(bitmap); found != byHandle_.end();
         found = byHandle_.find(bitmap))
        Erase(found->second);
}

void BitmapCache::SetMemoryQuota(uint64_t quota) {
    std::lock_guard lock(mutex_);
    quota_.store(quota, std::memory_order_relaxed);
    EvictFor(0);
}

void BitmapCache::EvictFor(uint64_t incoming) {
    // Compared as quota - inUse < incoming so that no sum can wrap; inUse may already
    // exceed the quota after an entry larger than the whole budget.
    while (!ages_.empty()) {
        uint64_t inUse = inUse_.load(std::memory_order_relaxed);
        uint64_t quota = quota_.load(std::memory_order_relaxed);
        if (inUse <= quota && quota - inUse >= incoming) break;
        Erase(ages_.begin());
    }
}

void BitmapCache::Erase(AgeList::iterator entry) {
    inUse_.store(inUse_.load(std::memory_order_relaxed) - entry->size, std::memory_order_relaxed);
    byId_.erase(entry->id);
    auto [first, last] = byHandle_.equal_range(entry->handle);
    for (auto at = first; at != last; ++at)
        if (at->second == entry) {
            byHandle_.erase(at);
            break;
        }
    ages_.erase(entry);
}

}  // namespace Graphics

GXBitmapRec_::~GXBitmapRec_() {
    Graphics::BitmapCache::Instance().RemoveHandle(this);
}
