#include "graphics/software/swglyphcache.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "graphics/geometry/geometry.h"
#include "graphics/raster/coveragebuffer.h"
#include "graphics/raster/rasterizationsink.h"
#include "graphics/raster/rasterizer.h"

namespace Graphics {

namespace {

// What a table entry costs beside its mask: the list node and the hash node with its
// bucket, the identity index node, as the standard containers lay them out on 64-bit
// targets.
constexpr size_t kEntryOverhead = 160;

// Collects the scan converter's coverage as runs relative to the outline's origin pixel,
// which lies `originX`, `originY` pixels into the scan converter's own pixels.
class MaskCollector : public RasterizationSink {
public:
    MaskCollector(int32_t originX, int32_t originY) : originX_(originX), originY_(originY) {}

    void AddCoverageRow(int32_t row, const CoverageBuffer& coverage) override {
        for (const CoverageRun* run = coverage.First(); run != coverage.End(); run = run->next)
            if (run->value != 0)
                Add(row, run->x, run->next->x, CoverageBuffer::CoverageByte(run->value));
    }
    void FillPixelRect(int32_t x0, int32_t y0, int32_t x1, int32_t y1) override {
        for (int32_t row = y0; row < y1; ++row) Add(row, x0, x1, 255);
    }
    bool AcceptsTrapezoids(int32_t, int32_t) override { return false; }
    void AddTrapezoid(float, float, float, float, float, float, float, float) override {}

    SwCoverageMask mask;

private:
    void Add(int32_t row, int32_t x0, int32_t x1, uint8_t coverage) {
        const SwCoverageSpan span{int16_t(row - originY_), int16_t(x0 - originX_),
                                  int16_t(x1 - originX_), coverage};
        GXIntRect& box = mask.box;
        if (mask.spans.empty()) {
            box = GXIntRect{span.x0, span.y, span.x1, span.y + 1};
        } else {
            box = GXIntRect{
                std::min<int32_t>(box.left, span.x0), std::min<int32_t>(box.top, span.y),
                std::max<int32_t>(box.right, span.x1), std::max<int32_t>(box.bottom, span.y + 1)};
        }
        mask.spans.push_back(span);
    }

    int32_t originX_, originY_;
};

}  // namespace

SwGlyphCache::SwGlyphCache() {
    Geometry::SetReleaseHook(&SwGlyphCache::Forget);
}

SwGlyphCache& SwGlyphCache::Instance() {
    // Never destroyed: geometries may die during the process's exit, after any static
    // object, and still call in.
    static SwGlyphCache* cache = new SwGlyphCache;
    return *cache;
}

void SwGlyphCache::Forget(uint64_t identity) noexcept {
    SwGlyphCache& cache = Instance();
    try {
        std::lock_guard<std::mutex> lock(cache.mutex_);
        for (auto found = cache.byOutline_.find(identity); found != cache.byOutline_.end();
             found = cache.byOutline_.find(identity))
            cache.EraseLocked(found->second);
    } catch (...) {
        // A mutex that cannot be locked leaves the masks to eviction.
    }
}

SwGlyphCache::Recency::iterator SwGlyphCache::FindLocked(const Key& key) {
    auto found = table_.find(key);
    if (found == table_.end()) return recency_.end();
    recency_.splice(recency_.begin(), recency_, found->second);
    return found->second;
}

SwGlyphCache::Recency::iterator SwGlyphCache::InsertLocked(
    const Geometry& outline, const Key& key, const std::shared_ptr<const SwCoverageMask>& mask) {
    if (auto kept = FindLocked(key); kept != recency_.end()) return kept;
    const size_t bytes = mask->MemoryUse() + kEntryOverhead;
    if (bytes > budget_) return recency_.end();
    outline.MarkRenderingsKept();
    recency_.push_front(Entry{key, mask, bytes});
    try {
        table_.emplace(key, recency_.begin());
        try {
            byOutline_.emplace(key.identity, recency_.begin());
        } catch (...) {
            table_.erase(key);
            throw;
        }
    } catch (...) {
        recency_.pop_front();
        throw;
    }
    inUse_ += bytes;
    // The new entry fits the budget alone and is the most recent: eviction leaves it.
    EvictLocked();
    return recency_.begin();
}

void SwGlyphCache::EraseLocked(Recency::iterator entry) {
    auto [first, last] = byOutline_.equal_range(entry->key.identity);
    for (; first != last; ++first)
        if (first->second == entry) {
            byOutline_.erase(first);
            break;
        }
    inUse_ -= entry->bytes;
    table_.erase(entry->key);
    recency_.erase(entry);
    generation_.fetch_add(1, std::memory_order_relaxed);
}

void SwGlyphCache::EvictLocked() {
    while (inUse_ > budget_ && !recency_.empty()) EraseLocked(std::prev(recency_.end()));
}

void SwGlyphCache::SetBudget(size_t bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    budget_ = bytes;
    EvictLocked();
}

size_t SwGlyphCache::Budget() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return budget_;
}

size_t SwGlyphCache::MemoryInUse() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return inUse_;
}

void SwGlyphCache::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    table_.clear();
    byOutline_.clear();
    recency_.clear();
    inUse_ = 0;
    generation_.fetch_add(1, std::memory_order_relaxed);
}

std::shared_ptr<const SwCoverageMask> SwGlyphCache::Build(const Geometry& outline, float scaleX,
                                                          float scaleY, int32_t phaseX,
                                                          int32_t phaseY) {
    // The outline is placed so that all of it lies at positive coordinates, a pixel clear
    // of the scan converter's edge: positions are truncated toward zero there, and only
    // positive ones then move with the outline by whole pixels exactly.
    const GXRect box = outline.Bound().Box();
    const float x0 = std::min(box.left * scaleX, box.right * scaleX);
    const float y0 = std::min(box.top * scaleY, box.bottom * scaleY);
    const float x1 = std::max(box.left * scaleX, box.right * scaleX);
    const float y1 = std::max(box.top * scaleY, box.bottom * scaleY);
    const int32_t originX = 1 - int32_t(std::floor(x0)), originY = 1 - int32_t(std::floor(y0));
    const GXMatrix placement{scaleX,
                             0,
                             0,
                             scaleY,
                             float(originX) + float(phaseX) / kPhases,
                             float(originY) + float(phaseY) / kPhases};
    const GXRect clip{0, 0, float(originX) + std::ceil(x1) + 2, float(originY) + std::ceil(y1) + 2};
    auto collector = std::make_shared<MaskCollector>(originX, originY);
    RasterizeGeometry(outline, placement, clip, false, collector);
    collector->mask.spans.shrink_to_fit();
    collector->mask.BuildRows();
    return std::make_shared<const SwCoverageMask>(std::move(collector->mask));
}

}  // namespace Graphics
