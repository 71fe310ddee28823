#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

#include "graphics/bitmap/cachebase.h"

namespace Graphics {

// The renderers' derived copies of one pixel source, one entry per owner key. Renderers
// look up and build entries from any thread, so the map is guarded by a recursive mutex
// that a renderer may also hold (Mutex()) around a find-or-build sequence.
class CacheHolder {
public:
    CacheHolder() = default;
    CacheHolder(const CacheHolder&) = delete;
    CacheHolder& operator=(const CacheHolder&) = delete;
    virtual ~CacheHolder() = default;

    // A fresh owner key from the process-wide counter, one per renderer-side cache.
    static uint32_t NewOwnerKey();

    // The entry stored under `ownerKey`, or empty.
    std::shared_ptr<CacheBase> FindCache(uint32_t ownerKey) const;
    // Stores `entry` under `ownerKey`, replacing any entry already there.
    void InsertCache(uint32_t ownerKey, std::shared_ptr<CacheBase> entry);
    // The pixels changed: every derived copy is stale and dropped.
    void NotifyChanged();

    std::recursive_mutex& Mutex() const { return mutex_; }

private:
    mutable std::recursive_mutex mutex_;                      // guards entries_
    std::map<uint32_t, std::shared_ptr<CacheBase>> entries_;  // owner key -> derived copy
};

}  // namespace Graphics
