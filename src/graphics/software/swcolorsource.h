#pragma once

#include <cstdint>
#include <memory>

#include "graphics/software/swpixel.h"
#include "gx.h"

namespace Graphics {

class Brush;

// Where the pixel pipeline reads colour from: one horizontal run of premultiplied
// 0xAARRGGBB pixels at a time, evaluated at integer device pixel coordinates. Sources are
// built per draw and used by that draw alone: their result never changes, but gradients
// fill stop lookup tables as spans first need them, so a source is not shared between
// threads. One virtual call per span, none per pixel.
class SwColorSource {
public:
    SwColorSource() = default;
    virtual ~SwColorSource() = default;
    SwColorSource(const SwColorSource&) = delete;
    SwColorSource& operator=(const SwColorSource&) = delete;

    // Writes x1 - x0 pixels of row y, starting at x0, to out (x1 > x0).
    virtual void FillSpan(int32_t x0, int32_t x1, int32_t y, uint32_t* out) = 0;

    // True, with the pixel, when every span is that one premultiplied pixel throughout:
    // pipelines then composite it without a source row.
    virtual bool GetSolidPixel(uint32_t& /*pixel*/) const { return false; }

    // True when every pixel FillSpan writes has alpha 255: a Normal composite at whole
    // coverage then leaves exactly that pixel, so pipelines may write it straight in.
    virtual bool IsOpaque() const { return false; }

    // The source that paints `brush` for a draw covering `deviceRect` under `deviceMatrix`
    // (applied after the brush's own matrix). Raises "Not implemented" for a brush kind
    // this renderer does not paint.
    static std::shared_ptr<SwColorSource> CreateFromBrush(const Brush& brush,
                                                          const GXIntRect& deviceRect,
                                                          const GXMatrix& deviceMatrix);

    // The weight 1..256 that applies `opacity` to a pixel with SwScale: (int(opacity x 255)
    // & 0xFF) + 1. Opacity is clamped to 0..1 first (NaN reads as 0): without that, an
    // opacity just above 1 would wrap to weight 1 and make the paint vanish.
    static uint32_t OpacityWeight(float opacity);

    // `pixel` scaled by an opacity weight on all four channels; weight 256 leaves it alone.
    static uint32_t ApplyOpacity(uint32_t pixel, uint32_t weight) {
        return weight == 256 ? pixel : SwScale(pixel, weight);
    }

    // Straight ARGB to premultiplied: colour channels times (alpha + 1) / 256, alpha kept
    // (an opaque colour is unchanged).
    static uint32_t Premultiply(uint32_t argb) {
        const uint32_t alpha = argb >> 24;
        const uint32_t rb = (((argb & 0x00FF00FFu) * (alpha + 1)) >> 8) & 0x00FF00FFu;
        const uint32_t g = ((((argb >> 8) & 0xFFu) * (alpha + 1)) >> 8) << 8;
        return (alpha << 24) | rb | g;
    }
};

}  // namespace Graphics
