#pragma once

#include "graphics/paint/twopointgradientbase.h"

namespace Graphics {

// Colour varies across the family of circles interpolated from (p0, r0) to (p1, r1)
// (a PDF radial shading).
class RadialGradient : public TwoPointGradientBase {
public:
    RadialGradient(std::shared_ptr<GradientStopCollection> stops, const GXPoint& p0, float r0,
                   const GXPoint& p1, float r1, uint8_t extendStart, uint8_t extendEnd,
                   uint32_t backgroundArgb)
        : TwoPointGradientBase(std::move(stops), p0, p1, extendStart, extendEnd, backgroundArgb),
          r0_(r0),
          r1_(r1) {}

    GradientKind GetType() const override { return GradientKind::Radial; }
    float GetR0() const { return r0_; }
    float GetR1() const { return r1_; }

private:
    float r0_;  // start circle radius, brush units; unvalidated
    float r1_;  // end circle radius, brush units; unvalidated
};

}  // namespace Graphics
