#include "graphics/software/swgradientstoptablecache.h"

#include <array>

#include "graphics/software/swgradientcolorsource.h"

namespace Graphics {

namespace {

struct Entry {
    std::weak_ptr<const GradientStopCollection> stops;
    uint32_t opacityWeight = 0;
    std::shared_ptr<SwGradientStopTable> table;  // null for an empty entry
};

struct ThreadEntries {
    std::array<Entry, SwGradientStopTableCache::kEntries> entries;
    size_t next = 0;  // the entry a miss replaces when none is dead
};

thread_local ThreadEntries tCache;

bool SameOwner(const std::weak_ptr<const GradientStopCollection>& held,
               const std::shared_ptr<const GradientStopCollection>& stops) {
    return !held.owner_before(stops) && !stops.owner_before(held);
}

}  // namespace

std::shared_ptr<SwGradientStopTable> SwGradientStopTableCache::Find(
    const std::shared_ptr<const GradientStopCollection>& stops, uint32_t opacityWeight) {
    ThreadEntries& cache = tCache;
    Entry* replaced = nullptr;
    for (Entry& entry : cache.entries) {
        if (entry.table && entry.opacityWeight == opacityWeight && SameOwner(entry.stops, stops))
            return entry.table;
        if (entry.table && entry.stops.expired()) entry.table.reset();
        if (!entry.table && !replaced) replaced = &entry;
    }
    if (!replaced) {
        replaced = &cache.entries[cache.next];
        cache.next = (cache.next + 1) % kEntries;
    }
    const GradientStopCollection& collection = *stops;
    auto table = std::make_shared<SwGradientStopTable>(
        collection.Stops().data(), SwGradientColorSource::SearchableStopCount(collection),
        opacityWeight);
    *replaced = Entry{stops, opacityWeight, table};
    return table;
}

}  // namespace Graphics
