#pragma once

#include <cstddef>
#include <cstdint>

#include "graphics/core/simdlevel.h"
#include "graphics/software/swoperation.h"

namespace Graphics {

// Normal (source-over) compositing of one premultiplied colour at the span's coverage,
// straight onto the target. It computes bit for bit what the source shape, a solid source
// colour and SwBasicCompositeNormalSSE2Op compute together, without filling the source and
// shape rows: the scaled colour and its inverse alpha are worked out once per span, and
// each step of four pixels is one multiply of the target. Spans are split as the general
// compositor splits them (four-wide from the first pixel, the rest one at a time), so even
// a malformed target pixel comes out the same.
class SwSolidCompositeNormalOp : public SwOperation {
public:
    explicit SwSolidCompositeNormalOp(uint32_t pixel)
        : SwOperation(kSwOrderComposite), pixel_(pixel) {}
    void Process(SwSpanState& state) override;

    using RowProc = void (*)(uint32_t* target, uint32_t pixel, uint8_t coverage, int32_t count);
    // The row in the process's instruction set.
    static void CompositeRow(uint32_t* target, uint32_t pixel, uint8_t coverage, int32_t count);
    // CompositeRow at full coverage over `height` rows of `width` pixels from `first`, rows
    // `stride` bytes apart. Rectangles narrower than four pixels (the sides of outlines) take
    // the one-pixel form with its colour terms worked out once for all rows.
    static void CompositeRect(uint8_t* first, ptrdiff_t stride, int32_t width, int32_t height,
                              uint32_t pixel);
    // The one-pixel form alone: the scalar twin the vector loops are tested against.
    static void CompositeRowScalar(uint32_t* target, uint32_t pixel, uint8_t coverage,
                                   int32_t count);
    // Four and eight pixels per step, the narrower forms taking the remainder.
    static void CompositeRowSSE2(uint32_t* target, uint32_t pixel, uint8_t coverage,
                                 int32_t count);
    static void CompositeRowAVX2(uint32_t* target, uint32_t pixel, uint8_t coverage,
                                 int32_t count);
    static const SimdKernel<RowProc> kCompositeRowForms;

    // `height` rows of `width` pixels of a coverage mask from `target`, rows `stride` bytes
    // apart there and `maskStride` bytes apart in `coverage` and `lone`. A pixel at
    // coverage 0 stays as it is; one marked 0xFF in `lone` composites as a single pixel of
    // CompositeRow, the others as one of its four-wide groups, so the result is bit for bit
    // that of CompositeRow on each span of the mask. The colour's alpha must not be 0
    // (CompositeRow leaves the target as it is then).
    using MaskProc = void (*)(uint8_t* target, ptrdiff_t stride, uint32_t pixel,
                              const uint8_t* coverage, const uint8_t* lone, int32_t maskStride,
                              int32_t width, int32_t height);
    static void CompositeMaskScalar(uint8_t* target, ptrdiff_t stride, uint32_t pixel,
                                    const uint8_t* coverage, const uint8_t* lone,
                                    int32_t maskStride, int32_t width, int32_t height);
    static void CompositeMaskSSE2(uint8_t* target, ptrdiff_t stride, uint32_t pixel,
                                  const uint8_t* coverage, const uint8_t* lone, int32_t maskStride,
                                  int32_t width, int32_t height);
    static void CompositeMaskAVX2(uint8_t* target, ptrdiff_t stride, uint32_t pixel,
                                  const uint8_t* coverage, const uint8_t* lone, int32_t maskStride,
                                  int32_t width, int32_t height);
    static const SimdKernel<MaskProc> kCompositeMaskForms;

private:
    uint32_t pixel_;  // premultiplied 0xAARRGGBB source colour
};

}  // namespace Graphics
