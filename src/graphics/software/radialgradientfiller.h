#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "graphics/paint/radialgradient.h"
#include "graphics/software/swgradientstoptable.h"

namespace Graphics {

// The per-pixel work of a radial gradient (two circles, as PDF shading type 3). A point P
// of gradient space, taken relative to the first centre in units of dr = r1 - r0, lies on
// the circle of parameter s when a s^2 + b s + c = 0 with a = fx^2 + fy^2 - 1,
// b = 2 (P . f - k), c = P^2 - k^2, f = (c0 - c1) / dr and k = r0 / dr.
class RadialGradientFiller {
public:
    // `gradientToDevice`: the brush matrix followed by the device matrix. A gradient
    // without stops, a matrix that cannot be inverted or non-finite circles paint
    // transparent black; equal radii paint the background.
    RadialGradientFiller(std::shared_ptr<RadialGradient> gradient, const GXMatrix& gradientToDevice,
                         uint32_t opacityWeight);

    // Writes `count` pixels of row y from x0.
    void Fill(int32_t x0, int32_t count, int32_t y, uint32_t* out);

private:
    // The colour at position (px, py) of the normalised space; `cursor` follows s from
    // pixel to pixel.
    uint32_t PixelAt(float px, float py, SwGradientStopTable::Cursor& cursor);

    std::shared_ptr<RadialGradient> gradient_;  // keeps the stop table alive
    GXMatrix inverse_;           // device pixel -> (g - c0) / dr, g the point in gradient space
    float fx_;                   // (x0 - x1) / dr
    float fy_;                   // (y0 - y1) / dr
    float k_;                    // r0 / dr
    float k2_;                   // k^2
    float fourA_;                // 4 a, a = fx^2 + fy^2 - 1
    float inverseTwoA_;          // 1 / (2 a); unused when a = 0
    float radiusSign_;           // sign of dr: a root s is a circle only when (k + s) x sign >= 0
    uint32_t startColor_;        // premultiplied stop colour at 0 with opacity
    uint32_t endColor_;          // premultiplied stop colour at 1 with opacity
    uint32_t background_;        // premultiplied background with opacity; 0 without one
    const GradientStop* stops_;  // the searchable stops
    size_t stopCount_;           // >= 1 unless constant_
    uint32_t opacityWeight_;     // 1..256
    SwGradientStopTable table_;  // stops_ prepared for lookup
    uint8_t extendStart_;        // non-zero: circles of s < 0 are painted
    uint8_t extendEnd_;          // non-zero: circles of s > 1 are painted
    uint8_t constant_;           // non-zero: every pixel is background_
};

}  // namespace Graphics
