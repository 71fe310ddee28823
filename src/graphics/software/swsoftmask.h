#pragma once

#include <cstdint>
#include <memory>

namespace Graphics {

class SwColorSource;

// Soft-mask kinds: how a mask pixel (premultiplied 0xAARRGGBB) becomes the mask byte m.
enum SwSoftMaskKind : int32_t {
    kSwSoftMaskAlpha = 0,               // m = A
    kSwSoftMaskInvertedAlpha = 1,       // m = 255 - A
    kSwSoftMaskLuminosity = 2,          // m = (151 G + 77 R + 28 B) >> 8
    kSwSoftMaskInvertedLuminosity = 3,  // m = 255 - that
};

// An opacity or shape mask: where its bytes come from and how. The kind is checked when a
// mask operation is built from it.
struct SwSoftMask {
    std::shared_ptr<SwColorSource> source;  // the mask pixels; never null in a valid mask
    int32_t kind;                           // an SwSoftMaskKind; others are refused
};

}  // namespace Graphics
