#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Graphics {

// One run of equal coverage in a pixel row.
struct CoverageRun {
    CoverageRun* next;  // the run to the right; the list ends at (and cycles back to) the head
    int32_t x;          // first pixel of the run; strictly increasing along the list
    int32_t value;      // coverage of every pixel in [x, next->x), 0..64 (8 sub-scanlines x 8)
};

// The coverage of one pixel row, accumulated sub-scanline by sub-scanline and read as a
// sorted run list. Pixels left of the first run and right of the last run have coverage 0;
// the last run always has value 0, so a reader takes runs from First() until it reaches
// End(). Neighbouring runs always differ in value.
//
// A span adds in constant time to per-pixel cells (its two partial end pixels directly,
// its whole pixels as a step up and a step down summed along the row) and marks the cells
// it touched; the runs are made from the marked cells alone when first read after a
// change, so a wide row with few edges costs by its edges, not its width. A narrow row
// (a small shape's) is read whole instead: marking would cost it more than it saves.
class CoverageBuffer {
public:
    // Coverage is kept for pixels [clipLeft, clipRight); spans are cut to that range.
    CoverageBuffer(int32_t clipLeft, int32_t clipRight);
    CoverageBuffer(const CoverageBuffer&) = delete;
    CoverageBuffer& operator=(const CoverageBuffer&) = delete;

    // Adds the interval [a8, b8) (1/8 px, a8 < b8) of one sub-scanline: every pixel gains
    // the number of eighths of the interval that fall inside it.
    void AddSpan(int32_t a8, int32_t b8);

    // Back to an empty row, clearing only the cells the row touched.
    void Reset();
    // Empty again, for pixels [clipLeft, clipRight), in the storage kept so far.
    void Reshape(int32_t clipLeft, int32_t clipRight);
    // Bytes of storage held, used or not.
    size_t RetainedBytes() const;

    bool Empty() const { return touchedBegin_ >= touchedEnd_; }
    const CoverageRun* First() const;
    const CoverageRun* End() const { return &head_; }
    int32_t ClipLeft() const { return clipLeft_; }
    int32_t ClipRight() const { return clipRight_; }

    // The 8-bit coverage of a run value 1..64 as the pipeline composites it:
    // (value x 256) / 64 - 1, so a whole pixel gives 255 and one sample 3.
    static uint8_t CoverageByte(int32_t value) { return static_cast<uint8_t>(value * 4 - 1); }

    // True when the cells not visited are clear and the run list is well
    // formed: increasing x inside the clip, neighbours different, values 0..64, the last
    // run 0, and the list closed by the head.
    bool Validate() const;

private:
    // One pixel's share of the row, indexed by pixel - clipLeft (one more cell at the right
    // end takes the step down of spans reaching the clip's right edge).
    struct Cell {
        int32_t own;   // eighths added to this pixel alone (partial end pixels)
        int32_t step;  // change of the whole-pixel coverage from the pixel before to this one
    };

    // Turns the marked cells into runs_, linked from head_.
    void BuildRuns() const;
    // Calls visit(i) for each marked cell index i (each touched one without marks), in
    // increasing order.
    template <class Visit>
    void ForEachMarked(Visit&& visit) const;

    int32_t clipLeft_;             // first pixel kept
    int32_t clipRight_;            // first pixel right of the kept range
    std::vector<Cell> cells_;      // clipRight - clipLeft + 1 cells, zero unless visited
    bool marking_;                 // cells are marked; else all touched ones are visited
    std::vector<uint64_t> marks_;  // bit i % 64 of word i / 64 set: cell i may be non-zero
    int32_t touchedBegin_;         // first cell index touched since Reset; cells_.size() when none
    int32_t touchedEnd_;           // one past the last cell index touched; 0 when none
    mutable bool runsCurrent_;     // runs_ and head_ describe the cells as they are
    mutable std::vector<CoverageRun> runs_;  // the run list's nodes, left to right
    mutable CoverageRun head_;  // end marker, x = INT32_MAX; head_.next is the first run
};

}  // namespace Graphics
