#pragma once

#include <atomic>
#include <cstdint>
#include <list>
#include <mutex>
#include <unordered_map>

#include "gx.h"

namespace Graphics {

// The caller's process-wide registry of bitmap handles under identifiers, bounded by a
// memory quota: when the estimated pixel bytes would exceed it, the oldest registrations
// are forgotten. It never takes a reference on a handle.
class BitmapCache {
public:
    static BitmapCache& Instance();

    // Registers `bitmap` and returns its identifier (1, 2, ...; never reused).
    uint32_t Put(GXBitmapRec_* bitmap);
    // The handle registered under `id`, or null. The age order does not change.
    GXBitmapRec_* Get(uint32_t id);
    void Remove(uint32_t id);
    // Forgets every registration of `bitmap`; called when the handle is destroyed.
    void RemoveHandle(const GXBitmapRec_* bitmap);
    // Sets the quota and forgets the oldest entries until the estimate fits.
    void SetMemoryQuota(uint64_t quota);
    // Read without the mutex; a value may be momentarily stale.
    uint64_t GetMemoryQuota() const { return quota_.load(std::memory_order_relaxed); }
    uint64_t GetMemoryInUse() const { return inUse_.load(std::memory_order_relaxed); }

    // Estimated pixel bytes of a bitmap: rows of (bits * |width| + 7) / 8 bytes, without the
    // pixel store's 16-byte alignment.
    static uint64_t EstimateSize(GXIntSize size, GXPixelFormat format);

private:
    struct Entry {
        uint32_t id;           // identifier handed to the caller
        GXBitmapRec_* handle;  // the caller's handle; no reference held
        uint64_t size;         // estimated pixel bytes, counted in inUse_
    };
    using AgeList = std::list<Entry>;

    // Forgets the oldest entries while `incoming` more bytes would not fit. Needs mutex_.
    void EvictFor(uint64_t incoming);
    // Needs mutex_.
    void Erase(AgeList::iterator entry);

    std::mutex mutex_;                        // guards everything below; the atomics are only
                                              // written under it
    std::atomic<uint64_t> quota_{0x2800000};  // byte budget, 40 MiB at load
    std::atomic<uint64_t> inUse_{0};          // sum of the entries' sizes
    uint32_t lastId_ = 0;                     // last identifier handed out
    AgeList ages_;                            // all entries, oldest first
    std::unordered_map<uint32_t, AgeList::iterator> byId_;  // id -> entry in ages_
    // handle -> its entries in ages_ (a handle may be registered more than once)
    std::unordered_multimap<const GXBitmapRec_*, AgeList::iterator> byHandle_;
};

}  // namespace Graphics
