#pragma once

#include <cstdint>
#include <memory>

#include "graphics/core/simdlevel.h"
#include "graphics/software/swcolorsource.h"
#include "graphics/software/swoperation.h"

namespace Graphics {

// Normal (source-over) compositing of the source colour row at the span's coverage, for
// pipelines with no mask: every pixel of a span has the same shape, so there is no shape
// row to fill or read, and the weights are set up once per span (a whole pixel's weight 256
// leaves the source as it is and is not applied at all). Bit for bit what the source shape
// and SwBasicCompositeNormalSSE2Op compute together, split the same way (four-wide from the
// first pixel, the rest one at a time).
class SwCoverageCompositeNormalOp : public SwOperation {
public:
    SwCoverageCompositeNormalOp() : SwOperation(kSwOrderComposite) {}
    // In place of the source colour step, for an opaque source: spans of whole coverage
    // (where the composite is the source pixel itself) are filled straight into the target
    // row, the others through the source row as usual.
    explicit SwCoverageCompositeNormalOp(std::shared_ptr<SwColorSource> opaqueSource)
        : SwOperation(kSwOrderComposite), opaqueSource_(std::move(opaqueSource)) {}
    void Process(SwSpanState& state) override;

    using RowProc = void (*)(uint32_t* target, const uint32_t* source, uint8_t coverage,
                             int32_t count);
    // The row in the process's instruction set.
    static void CompositeRow(uint32_t* target, const uint32_t* source, uint8_t coverage,
                             int32_t count);
    // One pixel at a time: the scalar twin the vector loops are tested against.
    static void CompositeRowScalar(uint32_t* target, const uint32_t* source, uint8_t coverage,
                                   int32_t count);
    // Four and eight pixels per step, the narrower forms taking the remainder.
    static void CompositeRowSSE2(uint32_t* target, const uint32_t* source, uint8_t coverage,
                                 int32_t count);
    static void CompositeRowAVX2(uint32_t* target, const uint32_t* source, uint8_t coverage,
                                 int32_t count);
    static const SimdKernel<RowProc> kCompositeRowForms;

private:
    std::shared_ptr<SwColorSource> opaqueSource_;  // null: the source row is filled before
};

}  // namespace Graphics
