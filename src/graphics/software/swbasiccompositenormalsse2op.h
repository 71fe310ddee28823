#pragma once

#include <cstdint>

#include "graphics/software/swoperation.h"

namespace Graphics {

// Normal (source-over) compositing, four pixels per step in 16-bit SSE2 lanes:
//   cs = scale(cs, s + 1); target = cs + scale(cb, 256 - alpha(cs)).
// The one-pixel form skips pixels with no shape or no source alpha and writes the source
// over a transparent target; on premultiplied data those shortcuts give exactly what the
// four-wide arithmetic computes, so both forms agree bit for bit.
class SwBasicCompositeNormalSSE2Op : public SwOperation {
public:
    SwBasicCompositeNormalSSE2Op() : SwOperation(kSwOrderComposite) {}
    void Process(SwSpanState& state) override;

    // The four-wide loop with the one-pixel form for the remainder.
    static void CompositeRow(uint32_t* target, const uint32_t* source, const uint8_t* shape,
                             int32_t count);
    // The one-pixel form alone: the scalar twin the four-wide loop is tested against.
    static void CompositeRowScalar(uint32_t* target, const uint32_t* source, const uint8_t* shape,
                                   int32_t count);
};

}  // namespace Graphics
