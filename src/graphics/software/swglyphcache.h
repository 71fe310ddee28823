#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "graphics/software/swcoveragemask.h"

namespace Graphics {

class Geometry;

// The process's coverage masks of glyph outlines: one per outline, scale and sub-pixel
// phase, so that text drawn again composites kept coverage instead of scan-converting the
// outlines. Outlines are known by their identity and revision (a changed or new outline
// never meets an old mask); scales by their exact bits; positions by a quarter pixel on
// each axis. The masks are held within a memory budget, the least recently drawn given up
// first. Renderers look masks up through a SwGlyphMemo of their own, which takes the lock
// once per run of glyphs. All members may be called from any thread; one mutex guards the
// table, and masks are built outside it. A mask handed out stays valid for as long as its
// holder keeps it, evicted or not.
class SwGlyphCache {
public:
    // Sub-pixel positions per pixel on each axis.
    static constexpr int32_t kPhases = 4;
    // Masks are kept for outlines whose scaled bound fits this many pixels each way; larger
    // glyphs cost more memory than scan conversion costs time.
    static constexpr float kMaxExtent = 256.0f;
    static constexpr size_t kDefaultBudget = size_t(8) << 20;

    struct Key {
        uint64_t identity;  // the outline geometry's identity
        uint64_t revision;  // and its revision
        uint32_t scaleX;    // bits of the matrix's a
        uint32_t scaleY;    // bits of the matrix's d
        uint32_t phase;     // x phase + kPhases x y phase, each 0..kPhases-1
        bool operator==(const Key&) const = default;
    };

    static SwGlyphCache& Instance();

    // Scan-converts `outline` under the matrix (scaleX, 0, 0, scaleY, phaseX / kPhases,
    // phaseY / kPhases) into a mask whose origin pixel is the outline's origin. The
    // outline's scaled bound must be finite and within kMaxExtent.
    static std::shared_ptr<const SwCoverageMask> Build(const Geometry& outline, float scaleX,
                                                       float scaleY, int32_t phaseX,
                                                       int32_t phaseY);

    // The budget in bytes; a smaller one evicts at once. Masks larger than the whole budget
    // are still handed back by Insert, just not kept.
    void SetBudget(size_t bytes);
    size_t Budget() const;
    // Bytes held by the kept masks and their table entries.
    size_t MemoryInUse() const;
    // Drops every kept mask.
    void Clear();

private:
    friend class SwGlyphMemo;

    struct KeyHash {
        size_t operator()(const Key& key) const {
            // The identity alone nearly always tells entries apart; the rest spreads the
            // phases and sizes of one glyph.
            uint64_t h = key.identity * 0x9E3779B97F4A7C15ull;
            h ^= (key.revision + (uint64_t(key.scaleX) << 32 | key.scaleY)) * 0xC2B2AE3D27D4EB4Full;
            h ^= key.phase * 0x165667B19E3779F9ull;
            return size_t(h ^ (h >> 29));
        }
    };
    struct Entry {
        Key key;
        std::shared_ptr<const SwCoverageMask> mask;
        size_t bytes;  // counted against the budget
    };
    using Recency = std::list<Entry>;  // most recent first

    SwGlyphCache();
    // The entry of `key`, made the most recent; recency_.end() when there is none.
    Recency::iterator FindLocked(const Key& key);
    // Keeps `mask` for `key`, a rendering of `outline`, and returns the entry kept for it
    // (another thread's, when it got there first), or recency_.end() where the mask alone
    // exceeds the budget; evicts down to the budget. The masks of an outline are dropped
    // when the outline dies.
    Recency::iterator InsertLocked(const Geometry& outline, const Key& key,
                                   const std::shared_ptr<const SwCoverageMask>& mask);
    void EraseLocked(Recency::iterator entry);
    void EvictLocked();
    // Drops every mask of the outline with `identity` (the geometry release hook).
    static void Forget(uint64_t identity) noexcept;

    mutable std::mutex mutex_;  // guards everything below; generation_ is written under it
    Recency recency_;
    std::unordered_map<Key, Recency::iterator, KeyHash> table_;
    std::unordered_multimap<uint64_t, Recency::iterator> byOutline_;  // identity -> entries
    size_t budget_ = kDefaultBudget;
    size_t inUse_ = 0;
    // Counts the entries ever erased: while it stands still, every entry and iterator a
    // memo took from the cache is still there.
    std::atomic<uint64_t> generation_{0};
};

}  // namespace Graphics
