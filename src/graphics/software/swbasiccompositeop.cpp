#include "graphics/software/swbasiccompositeop.h"

#include <algorithm>

#include "graphics/software/swblend.h"
#include "graphics/software/swpixel.h"

namespace Graphics {

namespace {

template <int32_t Mode>
inline uint32_t Composite(uint32_t cb, uint32_t cs, uint32_t s) {
    if (s == 0 || SwAlpha(cs) == 0) return cb;
    if (s < 255) cs = SwScale(cs, s + 1);
    return SwBlendOver<Mode>(cb, cs);
}

// Straight colour from premultiplied. An opaque pixel (the common backdrop) is its own
// straight colour, as the exact division by 255 in SwUnpremultiply gives too.
inline uint32_t Straight(uint32_t c) {
    return SwAlpha(c) == 255 ? c : SwUnpremultiply(c);
}

// The non-separable modes a chunk at a time: the pixels that need the blend function have
// their straight colours gathered, blended together in vector lanes, and composited.
void CompositeNonSeparableSpan(int32_t mode, uint32_t* target, const uint32_t* source,
                               const uint8_t* shape, int32_t count) {
    constexpr int32_t kChunk = 64;
    int32_t index[kChunk];
    uint32_t scaled[kChunk], backdrop[kChunk], straight[kChunk], blended[kChunk];
    for (int32_t first = 0; first < count; first += kChunk) {
        const int32_t end = std::min(count, first + kChunk);
        int32_t n = 0;
        for (int32_t i = first; i < end; ++i) {
            uint32_t cs = source[i];
            const uint32_t s = shape[i];
            if (s == 0 || SwAlpha(cs) == 0) continue;
            if (s < 255) cs = SwScale(cs, s + 1);
            const uint32_t cb = target[i];
            if (SwAlpha(cb) == 0) {
                target[i] = cs;
                continue;
            }
            index[n] = i;
            scaled[n] = cs;
            backdrop[n] = Straight(cb);
            straight[n] = Straight(cs);
            ++n;
        }
        SwBlendNonSeparableRow(mode, backdrop, straight, n, blended);
        for (int32_t k = 0; k < n; ++k)
            target[index[k]] = SwComposeBlended(target[index[k]], scaled[k], blended[k]);
    }
}

template <int32_t Mode>
void CompositeSpan(uint32_t* target, const uint32_t* source, const uint8_t* shape, int32_t count) {
    if constexpr (kSwBlendIsNonSeparable<Mode>) {
        CompositeNonSeparableSpan(Mode, target, source, shape, count);
    } else {
        for (int32_t i = 0; i < count; ++i)
            target[i] = Composite<Mode>(target[i], source[i], shape[i]);
    }
}

}  // namespace

void SwBasicCompositeOp::Process(SwSpanState& state) {
    const int32_t count = state.span.x1 - state.span.x0;
    VisitBlendMode(state.blendMode, [&]<int32_t Mode>() {
        CompositeSpan<Mode>(state.targetColor, state.sourceColor, state.sourceShape, count);
    });
}

uint32_t SwBasicCompositeOp::CompositePixel(int32_t blendMode, uint32_t cb, uint32_t cs,
                                            uint32_t s) {
    return VisitBlendMode(blendMode, [&]<int32_t Mode>() { return Composite<Mode>(cb, cs, s); });
}

}  // namespace Graphics
