#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "graphics/software/swcoveragemask.h"
#include "graphics/software/swglyphcache.h"
#include "graphics/software/swglyphmemo.h"
#include "graphics/target/rendertargetbase.h"

namespace Graphics {

class Brush;
class Geometry;
class SwSubTarget;

// Draws glyph runs for a software render target. A glyph under a matrix without rotation or
// skew is composited from the coverage mask the process's glyph cache keeps for its outline,
// scale and quarter-pixel phase (built on the first draw); consecutive such glyphs go
// through one pipeline. Any other glyph is filled from its outline. Either way each glyph is
// composited over the ones before it, as separate fills would be. The masks are found
// through the renderer's own memo; its working lists are kept between runs, so a run of
// cached glyphs allocates nothing.
class SwGlyphRenderer {
public:
    // Fills `glyphs` in order into `target`, each as a fill of its outline with stroke
    // adjustment off under its CTM. Leaves the target's CTM at the last glyph's.
    void FillRun(SwSubTarget& target, const RenderTargetBase::PlacedGlyph* glyphs, size_t count,
                 const Brush& brush);

    // Fills one outline with stroke adjustment off (glyphs are never snapped) under the
    // target's CTM.
    static void FillOutline(SwSubTarget& target, const std::shared_ptr<Geometry>& outline,
                            const Brush& brush);

private:
    // Where glyph i of the run goes.
    struct Slot {
        bool cached;                 // drawn from a mask
        const SwCoverageMask* mask;  // found at once; null while it is still to be looked up
        size_t key;                  // where mask is null: the index of its key in keys_
        int32_t x, y;                // the origin pixel, the sub-target's own pixels
    };

    // Composites the masks gathered in placed_; empties the list.
    void Flush(SwSubTarget& target, const Brush& brush);

    SwGlyphMemo memo_{SwGlyphCache::Instance()};
    std::vector<Slot> slots_;
    std::vector<SwGlyphCache::Key> keys_;       // the masks the memo did not hold, in order
    std::vector<const SwCoverageMask*> masks_;  // one per key: the cache's, or null
    std::vector<SwPlacedMask> placed_;          // masks waiting for Flush
    GXIntRect placedBox_;                       // the pixels of placed_
};

}  // namespace Graphics
