#include "graphics/software/swcoveragemask.h"

namespace Graphics {

void SwCoverageMask::BuildRows() {
    // Glyphs of text sizes; larger masks have long spans, which the span path composites
    // as fast, without doubling the bytes held.
    constexpr int32_t kMaxRowPixels = 64 * 64;
    coverage.clear();
    lone.clear();
    rowStride = 0;
    const int32_t width = box.right - box.left, height = box.bottom - box.top;
    if (spans.empty() || width * height > kMaxRowPixels) return;
    rowStride = (width + 3) & ~3;
    coverage.assign(size_t(rowStride * height), 0);
    lone.assign(coverage.size(), 0);
    for (const SwCoverageSpan& span : spans) {
        const size_t first = size_t((span.y - box.top) * rowStride + (span.x0 - box.left));
        const int32_t count = span.x1 - span.x0, groups = count & ~3;
        for (int32_t i = 0; i < count; ++i) {
            if (coverage[first + size_t(i)] != 0) {
                // Overlapping spans composite twice; only the span path does that.
                coverage.clear();
                lone.clear();
                return;
            }
            coverage[first + size_t(i)] = span.coverage;
            if (i >= groups) lone[first + size_t(i)] = 0xFF;
        }
    }
}

}  // namespace Graphics
