#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "graphics/paint/gradientstopcollection.h"
#include "graphics/software/swgradientstoptable.h"

namespace Graphics {

// The stop tables of the gradients a thread drew last, so that drawing one gradient again
// reuses the colours its earlier draws built instead of making them anew. Stop collections
// never change once a gradient holds them, so a table stays right for as long as its
// collection lives. Entries know their collection by a weak reference: its identity cannot
// pass to a new collection made at the same address, and a collection that dies frees its
// entry's table at the next miss. Each thread has its own entries, so the tables, which
// build their intervals lazily, are never shared between threads.
class SwGradientStopTableCache {
public:
    static constexpr size_t kEntries = 8;  // tables one thread keeps

    // The table of the searchable stops of `stops` with `opacityWeight` (1..256), made on
    // a miss in place of a dead or the oldest entry.
    static std::shared_ptr<SwGradientStopTable> Find(
        const std::shared_ptr<const GradientStopCollection>& stops, uint32_t opacityWeight);
};

}  // namespace Graphics
