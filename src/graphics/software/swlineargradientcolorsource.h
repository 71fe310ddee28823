#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "graphics/paint/lineargradient.h"
#include "graphics/software/swcolorsource.h"
#include "graphics/software/swgradientstoptable.h"

namespace Graphics {

// Paints a linear gradient: t is an affine function of the device pixel, 0 on the start
// point's isoline and 1 on the end point's, looked up in the stop table in between.
class SwLinearGradientColorSource : public SwColorSource {
public:
    // `gradientToDevice`: the brush matrix followed by the device matrix. A matrix that
    // cannot be inverted, or a gradient without stops, paints transparent black.
    SwLinearGradientColorSource(std::shared_ptr<LinearGradient> gradient,
                                const GXMatrix& gradientToDevice, float opacity);

    void FillSpan(int32_t x0, int32_t x1, int32_t y, uint32_t* out) override;
    bool IsOpaque() const override;

private:
    std::shared_ptr<LinearGradient> gradient_;    // keeps the stop table alive
    const GradientStop* stops_;                   // the searchable stops of the gradient
    size_t stopCount_;                            // >= 1 unless constant_
    uint32_t opacityWeight_;                      // 1..256
    std::shared_ptr<SwGradientStopTable> table_;  // stops_ prepared for lookup, never null
    SwGradientStopTable::Cursor cursor_;          // the interval the last lookup fell in
    uint32_t startColor_;  // premultiplied pixel for t < 0: stop colour at 0, or background
    uint32_t endColor_;    // premultiplied pixel for t > 1: stop colour at 1, or background
    uint32_t background_;  // premultiplied background with opacity; 0 without one
    uint8_t constant_;     // non-zero: every pixel is background_
    float dtdx_;           // change of t per device pixel along x
    float dtdy_;           // change of t per device row
    float t00_;            // t at device pixel (0, 0)
};

}  // namespace Graphics
