#pragma once

#include <cstdint>

#include "graphics/software/swoperation.h"

namespace Graphics {

// Composites the source colour, weighted by the source shape, into the target under the
// span state's blend mode: the premultiplied form of
//   result = (1 - ab) Cs + (1 - as) Cb + as ab B(Cb, Cs),  alpha = as + ab - as ab.
// The blend mode is resolved once per span; the per-pixel loop is instantiated per mode.
class SwBasicCompositeOp : public SwOperation {
public:
    SwBasicCompositeOp() : SwOperation(kSwOrderComposite) {}
    void Process(SwSpanState& state) override;

    // One pixel: backdrop cb, source cs and shape s (0..255) give the new target pixel.
    static uint32_t CompositePixel(int32_t blendMode, uint32_t cb, uint32_t cs, uint32_t s);
};

}  // namespace Graphics
