#include "graphics/software/swsolidcompositenormalop.h"

#include <algorithm>

#include "graphics/software/swpixel.h"

namespace Graphics {

const SimdKernel<SwSolidCompositeNormalOp::RowProc> SwSolidCompositeNormalOp::kCompositeRowForms{
    &CompositeRowScalar, GX_SSE2_FORM(CompositeRowSSE2), GX_AVX2_FORM(CompositeRowAVX2)};

void SwSolidCompositeNormalOp::CompositeRowScalar(uint32_t* target, uint32_t pixel,
                                                  uint8_t coverage, int32_t count) {
    // SwBasicCompositeNormalSSE2Op::CompositePixel with what depends on the colour and the
    // coverage alone taken out of the loop: spans of one to three pixels (the sides of
    // outlines, the ends of wider spans) come here by the thousand.
    if (coverage == 0 || SwAlpha(pixel) == 0) return;
    const uint32_t cs = SwScale(pixel, uint32_t(coverage) + 1);
    const uint32_t inverse = 256 - SwAlpha(cs);
    for (int32_t i = 0; i < count; ++i) {
        const uint32_t cb = target[i];
        target[i] = SwAlpha(cb) == 0 ? cs : SwAddSaturate(cs, SwScale(cb, inverse));
    }
}

const SimdKernel<SwSolidCompositeNormalOp::MaskProc> SwSolidCompositeNormalOp::kCompositeMaskForms{
    &CompositeMaskScalar, GX_SSE2_FORM(CompositeMaskSSE2), GX_AVX2_FORM(CompositeMaskAVX2)};

void SwSolidCompositeNormalOp::CompositeMaskScalar(uint8_t* target, ptrdiff_t stride,
                                                   uint32_t pixel, const uint8_t* coverage,
                                                   const uint8_t* lone, int32_t maskStride,
                                                   int32_t width, int32_t height) {
    // Coverage 0 scales the colour to 0 and the target by 256: the pixel stays as it is.
    for (int32_t y = 0; y < height;
         ++y, target += stride, coverage += maskStride, lone += maskStride) {
        auto* row = reinterpret_cast<uint32_t*>(target);
        for (int32_t i = 0; i < width; ++i) {
            const uint32_t cs = SwScale(pixel, uint32_t(coverage[i]) + 1);
            const uint32_t cb = row[i];
            row[i] = lone[i] != 0 && SwAlpha(cb) == 0
                         ? cs
                         : SwAddSaturate(cs, SwScale(cb, 256 - SwAlpha(cs)));
        }
    }
}

void SwSolidCompositeNormalOp::CompositeRow(uint32_t* target, uint32_t pixel, uint8_t coverage,
                                            int32_t count) {
    static const RowProc row = kCompositeRowForms.Active();
    row(target, pixel, coverage, count);
}

void SwSolidCompositeNormalOp::CompositeRect(uint8_t* first, ptrdiff_t stride, int32_t width,
                                             int32_t height, uint32_t pixel) {
    if (width >= 4) {
        for (int32_t y = 0; y < height; ++y, first += stride)
            CompositeRow(reinterpret_cast<uint32_t*>(first), pixel, 255, width);
        return;
    }
    // CompositeRowScalar at coverage 255: weight 256 leaves the colour as it is.
    if (SwAlpha(pixel) == 0) return;
    const uint32_t inverse = 256 - SwAlpha(pixel);
    for (int32_t y = 0; y < height; ++y, first += stride) {
        auto* target = reinterpret_cast<uint32_t*>(first);
        for (int32_t i = 0; i < width; ++i) {
            const uint32_t cb = target[i];
            target[i] = SwAlpha(cb) == 0 ? pixel : SwAddSaturate(pixel, SwScale(cb, inverse));
        }
    }
}

void SwSolidCompositeNormalOp::Process(SwSpanState& state) {
    CompositeRow(state.targetColor, pixel_, state.span.coverage, state.span.x1 - state.span.x0);
}

}  // namespace Graphics
