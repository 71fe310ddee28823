#include "graphics/software/swreducedbitmapcache.h"

#include "graphics/bitmap/bitmapbase.h"

namespace Graphics {

std::atomic<uint64_t> SwReducedBitmapCache::inUse_{0};

SwReducedBitmapCache::~SwReducedBitmapCache() {
    for (const Level& level : levels_) inUse_.fetch_sub(Bytes(level), std::memory_order_relaxed);
}

uint32_t SwReducedBitmapCache::OwnerKey() {
    static const uint32_t key = CacheHolder::NewOwnerKey();
    return key;
}

SwReducedBitmapCache& SwReducedBitmapCache::EntryOf(BitmapSource& bitmap) {
    std::shared_ptr<CacheBase> found = bitmap.FindCache(OwnerKey());
    if (auto* entry = dynamic_cast<SwReducedBitmapCache*>(found.get())) return *entry;
    auto entry = std::make_shared<SwReducedBitmapCache>();
    SwReducedBitmapCache& held = *entry;
    bitmap.InsertCache(OwnerKey(), std::move(entry));
    return held;
}

std::shared_ptr<BitmapBase> SwReducedBitmapCache::Find(int32_t width, int32_t height) const {
    for (const Level& level : levels_)
        if (level.width == width && level.height == height) return level.pixels;
    return nullptr;
}

void SwReducedBitmapCache::Keep(int32_t width, int32_t height, std::shared_ptr<BitmapBase> pixels) {
    Level level{width, height, std::move(pixels)};
    if (levels_.size() == kMaxLevels) {
        inUse_.fetch_sub(Bytes(levels_.front()), std::memory_order_relaxed);
        levels_.erase(levels_.begin());
    }
    levels_.push_back(std::move(level));
    inUse_.fetch_add(Bytes(levels_.back()), std::memory_order_relaxed);
}

}  // namespace Graphics
