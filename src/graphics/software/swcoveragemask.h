#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "gx.h"

namespace Graphics {

// One run of equal coverage in a row of a coverage mask, in pixels relative to the mask's
// origin pixel.
struct SwCoverageSpan {
    int16_t y;         // row
    int16_t x0;        // first pixel
    int16_t x1;        // first pixel after the run; > x0
    uint8_t coverage;  // 1..255, as the pipeline composites it
};

// The anti-aliased coverage of a filled outline as the scan converter produced it, kept as
// runs so that drawing it again costs the compositing alone: the rows, left to right, top
// to bottom, without the runs of zero coverage.
struct SwCoverageMask {
    std::vector<SwCoverageSpan> spans;
    GXIntRect box{0, 0, 0, 0};  // the pixels the spans cover, relative to the origin pixel
    // The same coverage as whole rows of the box, so that a small mask composites a row per
    // step instead of a span per step: `rowStride` bytes a row, the box width rounded up to
    // four and padded with coverage 0 (a pixel left as it is), so that where the target has
    // room a row composites in four-wide steps only. `lone` is 0xFF where a pixel lies past
    // the last four-wide group of its span: those composite one at a time, and marking them
    // keeps a row's result that of its spans drawn one by one. Both are empty where the mask
    // is too large to pay for them or its spans overlap.
    std::vector<uint8_t> coverage;
    std::vector<uint8_t> lone;
    int32_t rowStride = 0;

    // Fills `coverage` and `lone` from the spans (small masks only).
    void BuildRows();

    // Bytes held, for cache budgets.
    size_t MemoryUse() const {
        return sizeof(*this) + spans.capacity() * sizeof(SwCoverageSpan) + coverage.capacity() +
               lone.capacity();
    }
};

// A mask placed for drawing: its origin pixel at (x, y) of the pipeline.
struct SwPlacedMask {
    const SwCoverageMask* mask;  // not null
    int32_t x;
    int32_t y;
};

}  // namespace Graphics
