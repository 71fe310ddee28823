#pragma once

#include <cstdint>

#include "graphics/software/swoperation.h"
#include "graphics/software/swpixel.h"

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
