#include "graphics/software/swsoftmaskop.h"

#include <algorithm>

#include "graphics/core/exception.h"
#include "graphics/software/swcolorsource.h"

namespace Graphics {

namespace {

// Luminosity of a premultiplied pixel; the weights sum to 256, so white gives 255.
inline uint32_t Luminosity(uint32_t c) {
    return (151 * ((c >> 8) & 0xFFu) + 77 * ((c >> 16) & 0xFFu) + 28 * (c & 0xFFu)) >> 8;
}

void AlphaMask(const uint32_t* pixels, int32_t count, uint8_t* mask) {
    for (int32_t i = 0; i < count; ++i) mask[i] = static_cast<uint8_t>(pixels[i] >> 24);
}

void InvertedAlphaMask(const uint32_t* pixels, int32_t count, uint8_t* mask) {
    for (int32_t i = 0; i < count; ++i) mask[i] = static_cast<uint8_t>(255 - (pixels[i] >> 24));
}

void LuminosityMask(const uint32_t* pixels, int32_t count, uint8_t* mask) {
    for (int32_t i = 0; i < count; ++i) mask[i] = static_cast<uint8_t>(Luminosity(pixels[i]));
}

void InvertedLuminosityMask(const uint32_t* pixels, int32_t count, uint8_t* mask) {
    for (int32_t i = 0; i < count; ++i) {
        mask[i] = static_cast<uint8_t>(255 - Luminosity(pixels[i]));
    }
}

}  // namespace

SwSoftMaskOp::MaskFunction SwSoftMaskOp::FunctionOf(int32_t kind) {
    switch (kind) {
        case kSwSoftMaskAlpha:
            return AlphaMask;
        case kSwSoftMaskInvertedAlpha:
            return InvertedAlphaMask;
        case kSwSoftMaskLuminosity:
            return LuminosityMask;
        case kSwSoftMaskInvertedLuminosity:
            return InvertedLuminosityMask;
        default:
            return nullptr;
    }
}

SwSoftMaskOp::SwSoftMaskOp(int32_t orderKey, const SwSoftMask& mask)
    : SwOperation(orderKey), source_(mask.source), function_(FunctionOf(mask.kind)) {
    if (!function_ || !source_) GX_RAISE("Unsupported soft mask type.");
}

void SwSoftMaskOp::Process(SwSpanState& state) {
    uint32_t pixels[kChunk];
    uint8_t mask[kChunk];
    const SwSpan span = state.span;
    for (int32_t x = span.x0; x < span.x1; x += kChunk) {
        // The last chunk ends at the span's end.
        const int32_t count = std::min(kChunk, span.x1 - x);
        source_->FillSpan(x, x + count, span.y, pixels);
        function_(pixels, count, mask);
        ApplyChunk(state, x - span.x0, mask, count);
    }
}

}  // namespace Graphics
