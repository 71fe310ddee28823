#include "graphics/bitmap/cacheholder.h"

#include <atomic>
#include <utility>

namespace Graphics {

uint32_t CacheHolder::NewOwnerKey() {
    static std::atomic<uint32_t> lastKey{0};
    return lastKey.fetch_add(1, std::memory_order_relaxed) + 1;
}

std::shared_ptr<CacheBase> CacheHolder::FindCache(uint32_t ownerKey) const {
    std::lock_guard lock(mutex_);
    auto found = entries_.find(ownerKey);
    return found == entries_.end() ? nullptr : found->second;
}

void CacheHolder::InsertCache(uint32_t ownerKey, std::shared_ptr<CacheBase> entry) {
    std::lock_guard lock(mutex_);
    entries_[ownerKey] = std::move(entry);
}

void CacheHolder::NotifyChanged() {
    // The entries are destroyed after the mutex is let go: an entry's destructor may take
    // locks of its own (a texture's), and those must never nest inside ours in reverse.
    std::map<uint32_t, std::shared_ptr<CacheBase>> dropped;
    {
        std::lock_guard lock(mutex_);
        dropped.swap(entries_);
    }
}

}  // namespace Graphics
