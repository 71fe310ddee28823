#pragma once

#include "graphics/core/simdlevel.h"
#include "graphics/software/swoperation.h"

namespace Graphics {

// Composites a source into a transparency group. Per pixel the group keeps its colour
// (premultiplied; the alpha byte is the union of the group alpha with the backdrop alpha),
// its shape (the union of the shapes drawn) and its own alpha. The source colour is not
// weighted by the source shape beforehand: the shape mixes the old group colour with the
// composited one, which is what lets a knockout group replace rather than accumulate.
// In a knockout group every source composites with the group's initial backdrop; in an
// isolated group that backdrop is transparent (and no backdrop bitmap is read).
// Pixels whose source alpha or shape is 0 are left alone. This one blends under the span
// state's blend mode, resolved once per span.
class SwLayerCompositeOp : public SwOperation {
public:
    SwLayerCompositeOp(bool knockout, bool isolated)
        : SwOperation(kSwOrderComposite), knockout_(knockout), isolated_(isolated) {}
    void Process(SwSpanState& state) override;

protected:
    bool knockout_;  // composite with the initial backdrop, not the group so far
    bool isolated_;  // the group began transparent; the span state has no backdrop
};

// The same for blend mode Normal, without the blend function; four pixels at a time in
// SSE2 lanes where the shape is whole and the source visible.
class SwLayerCompositeNormalOp : public SwLayerCompositeOp {
public:
    using SwLayerCompositeOp::SwLayerCompositeOp;
    void Process(SwSpanState& state) override;

    using RowProc = void (*)(const SwSpanState& state, bool knockout, bool isolated);
    // The one-pixel-at-a-time form of Process: the twin the SSE2 path is tested against.
    static void CompositeRowScalar(const SwSpanState& state, bool knockout, bool isolated);
    static void CompositeRowSSE2(const SwSpanState& state, bool knockout, bool isolated);
    static const SimdKernel<RowProc> kCompositeRowForms;
    // Pixels first .. end - 1 of the span one at a time.
    static void CompositePixelsScalar(const SwSpanState& state, bool knockout, bool isolated,
                                      int32_t first, int32_t end);
};

}  // namespace Graphics
