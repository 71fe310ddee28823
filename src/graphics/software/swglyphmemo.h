#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "graphics/software/swcoveragemask.h"
#include "graphics/software/swglyphcache.h"

namespace Graphics {

class Geometry;

// A renderer's own table in front of the process's glyph cache: the masks it drew lately,
// found again by one probe of a small table without a lock, the shared table's hashing or
// a reference count per glyph. A run of glyphs takes the cache's mutex once, to make the
// masks it drew the most recent there and to look up the ones the memo lacks; masks built
// in the run go to the cache one by one.
//
// The memo shares its masks with the cache and knows their cache entries: once the cache
// has given up any mask, the memo drops all of its own when a run starts or ends, so that
// it holds masks beyond the cache's budget only until its renderer next draws text, and
// never makes a given-up entry the most recent. Used by one thread at a time, as its
// renderer is.
class SwGlyphMemo {
public:
    using Key = SwGlyphCache::Key;

    explicit SwGlyphMemo(SwGlyphCache& cache) : cache_(cache) {}

    // Starts a run. Masks handed out in a run stay valid until EndRun or the next BeginRun.
    void BeginRun();
    // The mask of `key` where the memo holds it, counted as drawn in this run.
    const SwCoverageMask* Probe(const Key& key);
    // Under one lock of the cache: makes the masks probed in this run the most recent
    // there, and sets each null out[i] to the cache's mask for keys[i] (left null where the
    // cache has none).
    void FindAll(const Key* keys, size_t count, const SwCoverageMask** out);
    // The mask of `key` from the memo or else the cache; null where neither holds one.
    const SwCoverageMask* Find(const Key& key);
    // Hands `mask`, just built from `outline` for `key`, to the cache and returns the mask
    // kept for the key (another thread's where it got there first, `mask` itself where the
    // cache cannot keep it).
    const SwCoverageMask* Keep(const Geometry& outline, const Key& key,
                               std::shared_ptr<const SwCoverageMask> mask);
    // Ends the run: lets go of the masks only the run needed, and of all where the cache
    // has given any up.
    void EndRun();

private:
    // A power of two; a page of text at one size holds some hundreds of masks.
    static constexpr size_t kSlots = 1024;
    // A key is kept in one of the kWays slots from its home slot on.
    static constexpr size_t kWays = 4;

    struct Slot {
        Key key;
        std::shared_ptr<const SwCoverageMask> mask;  // null: the slot is free
        // The cache's entry for the key; valid while the cache's generation is generation_.
        SwGlyphCache::Recency::iterator entry;
        uint32_t run = 0;  // the last run that counted the slot as drawn
    };

    size_t Home(const Key& key) const { return SwGlyphCache::KeyHash()(key) & (kSlots - 1); }
    // Remembers the cache's `entry` for `key`, which the memo does not hold.
    void Store(const Key& key, SwGlyphCache::Recency::iterator entry);
    // Empties every slot.
    void Drop();

    SwGlyphCache& cache_;
    std::vector<Slot> slots_;  // kSlots once anything is stored; never moved after
    size_t used_ = 0;          // slots holding a mask
    size_t victim_ = 0;        // which way a full window gives up next
    // The cache's generation when the memo was last emptied: the slots' entries are valid
    // while the cache's generation still equals it.
    uint64_t generation_ = 0;
    uint32_t run_ = 0;
    std::vector<Slot*> drawn_;  // slots first probed in this run, not yet made recent
    // Masks the run still composites though no slot or cache entry holds them any more:
    // displaced from their slots, or not kept by the cache.
    std::vector<std::shared_ptr<const SwCoverageMask>> runOnly_;
};

}  // namespace Graphics
