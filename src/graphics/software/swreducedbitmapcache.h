#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "graphics/bitmap/bitmapsource.h"
#include "graphics/bitmap/cachebase.h"

namespace Graphics {

class BitmapBase;

// The area-averaged reductions of one bitmap that the software samplers drew it at, kept in
// the bitmap's CacheHolder: a bitmap drawn far below its size again and again is reduced
// once per reduced size, not once per draw. Changing the bitmap drops the entry with its
// reductions. Their pixel memory counts towards MemoryInUse while they are kept.
class SwReducedBitmapCache : public CacheBase {
public:
    // The most reduced sizes kept per bitmap; a new one replaces the oldest.
    static constexpr size_t kMaxLevels = 4;

    ~SwReducedBitmapCache() override;

    // The reduction of `bitmap` to width x height from its cache, or, when none is kept,
    // the one `build` makes (a BitmapBase of that size), kept for the next draw. `build`
    // runs under the bitmap's cache mutex, so that concurrent draws reduce only once.
    template <class Build>
    static std::shared_ptr<BitmapBase> FindOrBuild(BitmapSource& bitmap, int32_t width,
                                                   int32_t height, Build&& build);

    // Bytes of reduced pixels kept by all bitmaps' caches together.
    static uint64_t MemoryInUse() { return inUse_.load(std::memory_order_relaxed); }

private:
    struct Level {
        int32_t width, height;
        std::shared_ptr<BitmapBase> pixels;
    };
    static uint32_t OwnerKey();
    // The entry of `bitmap`, made and filed when it has none; under the holder's mutex.
    static SwReducedBitmapCache& EntryOf(BitmapSource& bitmap);
    std::shared_ptr<BitmapBase> Find(int32_t width, int32_t height) const;
    void Keep(int32_t width, int32_t height, std::shared_ptr<BitmapBase> pixels);
    static uint64_t Bytes(const Level& level) { return uint64_t(level.width) * level.height * 4; }

    std::vector<Level> levels_;  // oldest first, at most kMaxLevels
    static std::atomic<uint64_t> inUse_;
};

template <class Build>
std::shared_ptr<BitmapBase> SwReducedBitmapCache::FindOrBuild(BitmapSource& bitmap, int32_t width,
                                                              int32_t height, Build&& build) {
    std::lock_guard guard(bitmap.Mutex());
    SwReducedBitmapCache& entry = EntryOf(bitmap);
    if (std::shared_ptr<BitmapBase> kept = entry.Find(width, height)) return kept;
    std::shared_ptr<BitmapBase> built = build();
    entry.Keep(width, height, built);
    return built;
}

}  // namespace Graphics
