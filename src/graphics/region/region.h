#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "graphics/core/processheap.h"
#include "gx.h"

namespace Graphics {

// A set of integer pixels: a union of non-overlapping rectangles kept as horizontal bands
// of [left, right) intervals. Regions are values; run arrays are shared read-only between
// the values made from them.
//
// A region without runs is the rectangle `bound` (a flat bound covers no pixel; the empty
// region is the rectangle (0, 0, 0, 0)). A region with runs is described by them alone and
// its bound is their exact extent. The run encoding, S being Sentinel:
//   runs = top, band, band, ..., S        band = bottom, L1, R1, L2, R2, ..., S
// The first band spans [top, its bottom), each later band [previous bottom, its bottom).
// Within a band Li < Ri < Li+1; the first and last bands hold intervals, neighbouring
// bands differ, and a single rectangle is never stored with runs.
class Region {
public:
    // Ends every band and the whole run array; no coordinate may take this value.
    static constexpr int32_t Sentinel = std::numeric_limits<int32_t>::max();

    // An immutable run array while shared; only a region holding the sole reference may
    // rewrite it (in Offset).
    class RunHead {
    public:
        // `count` integers, left for the caller to write.
        explicit RunHead(int64_t count);
        // Adopts a block whose first `count` integers hold a run array.
        RunHead(HeapBlock<int32_t> values, int64_t count);

        int32_t* Values() { return values_.get(); }
        const int32_t* Values() const { return values_.get(); }
        int64_t Count() const { return count_; }

    private:
        HeapBlock<int32_t> values_;  // the run encoding, ending with Sentinel
        int64_t count_;              // integers of the run array (the block may hold more)
    };

    // The empty region.
    Region() = default;
    // The rectangle, stored unchanged; it must satisfy IsStorableRect.
    explicit Region(const GXIntRect& rect);
    // A region described by `runs` with the given bound (the bound of well-formed runs is
    // their extent; Validate says whether they are well-formed).
    Region(std::shared_ptr<RunHead> runs, const GXIntRect& bound);

    // True when `rect` can be a region: normalised (left <= right, top <= bottom) and free
    // of the sentinel value.
    static bool IsStorableRect(const GXIntRect& rect);

    // a op b for op one of the GXCombine* codes (callers check the code).
    static Region Oper(const Region& a, const Region& b, int32_t op);

    // True when the region covers no pixel.
    bool IsEmpty() const;
    // True when (other - this) covers no pixel.
    bool Contains(const Region& other) const;
    // True when (this ∩ other) covers at least one pixel.
    bool Intersects(const Region& other) const;
    // The bound test of the point, both edges included (points in holes count as inside).
    bool BoundContains(const GXIntPoint& point) const;

    // Moves the region by (dx, dy); false, and nothing moved, when a coordinate would
    // leave the 32-bit range or land on the sentinel. Regions sharing the run array keep
    // their place: a shared array is copied first.
    bool Offset(int32_t dx, int32_t dy);

    // The rectangles covered, band by band from the top and left to right in each band.
    std::vector<GXIntRect> Rects() const;

    // Null when the region is well-formed, else what is wrong with it.
    const char* Validate() const;

    const GXIntRect& Bound() const { return bound_; }
    const std::shared_ptr<RunHead>& Runs() const { return runs_; }

private:
    std::shared_ptr<RunHead> runs_;  // null for a rectangle region
    GXIntRect bound_{0, 0, 0, 0};    // the rectangle itself, or the exact extent of runs_
};

}  // namespace Graphics
