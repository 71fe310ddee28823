#include "graphics/software/swglyphmemo.h"

#include <mutex>

namespace Graphics {

void SwGlyphMemo::BeginRun() {
    EndRun();
    ++run_;
}

const SwCoverageMask* SwGlyphMemo::Probe(const Key& key) {
    if (used_ == 0) return nullptr;
    const size_t home = Home(key);
    for (size_t way = 0; way < kWays; ++way) {
        Slot& slot = slots_[(home + way) & (kSlots - 1)];
        // Slots are freed all at once and filled first free first, so a key never lies
        // past a free slot of its window.
        if (!slot.mask) return nullptr;
        if (slot.key == key) {
            if (slot.run != run_) {
                slot.run = run_;
                drawn_.push_back(&slot);
            }
            return slot.mask.get();
        }
    }
    return nullptr;
}

void SwGlyphMemo::FindAll(const Key* keys, size_t count, const SwCoverageMask** out) {
    std::lock_guard<std::mutex> lock(cache_.mutex_);
    // Entries taken before the cache last gave one up may be gone; the memo is emptied
    // when the run ends, and until then its masks are not made recent.
    if (cache_.generation_.load(std::memory_order_relaxed) == generation_)
        for (Slot* slot : drawn_)
            cache_.recency_.splice(cache_.recency_.begin(), cache_.recency_, slot->entry);
    drawn_.clear();
    for (size_t i = 0; i < count; ++i) {
        // An earlier key of the run may have been the same.
        if (out[i] || (out[i] = Probe(keys[i]))) continue;
        const auto entry = cache_.FindLocked(keys[i]);
        if (entry == cache_.recency_.end()) continue;
        Store(keys[i], entry);
        out[i] = entry->mask.get();
    }
}

const SwCoverageMask* SwGlyphMemo::Find(const Key& key) {
    if (const SwCoverageMask* mask = Probe(key)) return mask;
    std::lock_guard<std::mutex> lock(cache_.mutex_);
    const auto entry = cache_.FindLocked(key);
    if (entry == cache_.recency_.end()) return nullptr;
    Store(key, entry);
    return entry->mask.get();
}

const SwCoverageMask* SwGlyphMemo::Keep(const Geometry& outline, const Key& key,
                                        std::shared_ptr<const SwCoverageMask> mask) {
    {
        std::lock_guard<std::mutex> lock(cache_.mutex_);
        const auto entry = cache_.InsertLocked(outline, key, mask);
        if (entry != cache_.recency_.end()) {
            Store(key, entry);
            return entry->mask.get();
        }
    }
    const SwCoverageMask* unkept = mask.get();
    runOnly_.push_back(std::move(mask));
    return unkept;
}

void SwGlyphMemo::EndRun() {
    drawn_.clear();
    runOnly_.clear();
    // A stale read only empties the memo a run late: FindAll checks again under the lock
    // before it touches an entry.
    const uint64_t now = cache_.generation_.load(std::memory_order_relaxed);
    if (now != generation_) {
        Drop();
        generation_ = now;
    }
}

void SwGlyphMemo::Store(const Key& key, SwGlyphCache::Recency::iterator entry) {
    if (slots_.empty()) slots_.resize(kSlots);
    const size_t home = Home(key);
    Slot* slot = nullptr;
    for (size_t way = 0; way < kWays && !slot; ++way) {
        Slot& candidate = slots_[(home + way) & (kSlots - 1)];
        if (!candidate.mask) slot = &candidate;
    }
    if (slot) {
        ++used_;
    } else {
        // A full window gives up its ways in turn; this run may still composite the mask
        // given up.
        slot = &slots_[(home + victim_++ % kWays) & (kSlots - 1)];
        runOnly_.push_back(std::move(slot->mask));
    }
    slot->key = key;
    slot->mask = entry->mask;
    slot->entry = entry;
    slot->run = run_;
}

void SwGlyphMemo::Drop() {
    if (used_ == 0) return;
    for (Slot& slot : slots_) slot.mask.reset();
    used_ = 0;
}

}  // namespace Graphics
