#pragma once

#include <cstdint>

#include "graphics/core/simdlevel.h"
#include "graphics/software/swoperation.h"
#include "graphics/software/swpixel.h"

namespace Graphics {

// Normal (source-over) compositing, four pixels per step in 16-bit SSE2 lanes (eight in
// AVX2 lanes where the processor has them):
//   cs = scale(cs, s + 1); target = cs + scale(cb, 256 - alpha(cs)).
// The one-pixel form skips pixels with no shape or no source alpha and writes the source
// over a transparent target; on premultiplied data those shortcuts give exactly what the
// four-wide arithmetic computes, so both forms agree bit for bit.
class SwBasicCompositeNormalSSE2Op : public SwOperation {
public:
    SwBasicCompositeNormalSSE2Op() : SwOperation(kSwOrderComposite) {}
    void Process(SwSpanState& state) override;

    using RowProc = void (*)(uint32_t* target, const uint32_t* source, const uint8_t* shape,
                             int32_t count);
    // The row in the process's instruction set.
    static void CompositeRow(uint32_t* target, const uint32_t* source, const uint8_t* shape,
                             int32_t count);
    // The one-pixel form alone: the scalar twin the vector loops are tested against.
    static void CompositeRowScalar(uint32_t* target, const uint32_t* source, const uint8_t* shape,
                                   int32_t count);
    // The four-wide and eight-wide loops, each with the narrower forms for its remainder.
    static void CompositeRowSSE2(uint32_t* target, const uint32_t* source, const uint8_t* shape,
                                 int32_t count);
    static void CompositeRowAVX2(uint32_t* target, const uint32_t* source, const uint8_t* shape,
                                 int32_t count);
    static const SimdKernel<RowProc> kCompositeRowForms;

    // One pixel: target cb, source cs, shape s.
    static uint32_t CompositePixel(uint32_t cb, uint32_t cs, uint32_t s) {
        if (s == 0 || SwAlpha(cs) == 0) return cb;
        cs = SwScale(cs, s + 1);
        if (SwAlpha(cb) == 0) return cs;
        // Saturating like the vector pack; only a malformed pixel (colour above alpha) can
        // reach past 255.
        return SwAddSaturate(cs, SwScale(cb, 256 - SwAlpha(cs)));
    }
};

}  // namespace Graphics
