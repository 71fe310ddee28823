#pragma once

#include <memory>

#include "graphics/software/radialgradientfiller.h"
#include "graphics/software/swcolorsource.h"

namespace Graphics {

// Paints a radial gradient through its filler.
class SwRadialGradientColorSource : public SwColorSource {
public:
    SwRadialGradientColorSource(std::shared_ptr<RadialGradient> gradient,
                                const GXMatrix& gradientToDevice, float opacity)
        : filler_(std::move(gradient), gradientToDevice, OpacityWeight(opacity)) {}

    void FillSpan(int32_t x0, int32_t x1, int32_t y, uint32_t* out) override {
        filler_.Fill(x0, x1 - x0, y, out);
    }

    bool IsOpaque() const override { return filler_.IsOpaque(); }

private:
    RadialGradientFiller filler_;
};

}  // namespace Graphics
