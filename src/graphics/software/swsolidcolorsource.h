#pragma once

#include <cstdint>

#include "graphics/bitmap/colorf.h"
#include "graphics/software/swcolorsource.h"

namespace Graphics {

// One premultiplied pixel everywhere.
class SwSolidColorSource : public SwColorSource {
public:
    explicit SwSolidColorSource(uint32_t pixel) : pixel_(pixel) {}

    void FillSpan(int32_t x0, int32_t x1, int32_t y, uint32_t* out) override;
    bool GetSolidPixel(uint32_t& pixel) const override {
        pixel = pixel_;
        return true;
    }

    // A solid brush's pixel: alpha = int(opacity x alpha x 255); colour channels int(c x 255)
    // kept when that alpha is 255, else scaled by (alpha + 1) / 256. Opacity is clamped to
    // 0..1 (NaN reads as 0) so no conversion sees a value outside a byte.
    static uint32_t PremultipliedPixel(const ColorF& color, float opacity);

private:
    uint32_t pixel_;  // premultiplied 0xAARRGGBB
};

}  // namespace Graphics
