#pragma once

#include <boost/pool/object_pool.hpp>
#include <cstdint>

namespace Graphics {

// One run of equal coverage in a pixel row.
struct CoverageRun {
    CoverageRun* next;  // the run to the right; the list ends at (and cycles back to) the head
    int32_t x;          // first pixel of the run; strictly increasing along the list
    int32_t value;      // coverage of every pixel in [x, next->x), 0..64 (8 sub-scanlines x 8)
};

// The coverage of one pixel row, accumulated sub-scanline by sub-scanline as a sorted run
// list. Pixels left of the first run and right of the last run have coverage 0; the last
// run always has value 0, so a reader takes runs from First() until it reaches End().
class CoverageBuffer {
public:
    // Coverage is kept for pixels [clipLeft, clipRight); spans are cut to that range.
    CoverageBuffer(int32_t clipLeft, int32_t clipRight);
    CoverageBuffer(const CoverageBuffer&) = delete;
    CoverageBuffer& operator=(const CoverageBuffer&) = delete;

    // Adds the interval [a8, b8) (1/8 px, a8 < b8) of one sub-scanline: every pixel gains
    // the number of eighths of the interval that fall inside it.
    void AddSpan(int32_t a8, int32_t b8);

    // Back to an empty row; the run nodes go to a free list for the next row.
    void Reset();

    bool Empty() const { return head_.next == &head_; }
    const CoverageRun* First() const { return head_.next; }
    const CoverageRun* End() const { return &head_; }
    int32_t ClipLeft() const { return clipLeft_; }
    int32_t ClipRight() const { return clipRight_; }

    // True when the run list is well formed: increasing x inside the clip, values 0..64,
    // the last run 0, the cursor on the list, and the list closed by the head.
    bool Validate() const;

private:
    // The run starting at pixel x, created by splitting the run that covers x when missing.
    // `from` is a run at or left of x (or the head, meaning "search from the start").
    CoverageRun* Ensure(CoverageRun* from, int32_t x);
    CoverageRun* NewRun(CoverageRun* after, int32_t x, int32_t value);

    int32_t clipLeft_;     // first pixel kept
    int32_t clipRight_;    // first pixel right of the kept range
    CoverageRun head_;     // end marker, x = INT32_MAX; head_.next is the first run
    CoverageRun* cursor_;  // the last run touched; spans left to right resume from it
    CoverageRun* free_;    // nodes of earlier rows, reused before the pool grows
    boost::object_pool<CoverageRun> pool_;  // every node; blocks of 32 records, doubling
};

}  // namespace Graphics
