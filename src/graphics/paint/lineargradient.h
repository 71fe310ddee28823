#pragma once

#include "graphics/paint/twopointgradientbase.h"

namespace Graphics {

// Colour varies along the axis from p0 to p1 (a PDF axial shading).
class LinearGradient : public TwoPointGradientBase {
public:
    LinearGradient(std::shared_ptr<GradientStopCollection> stops, const GXPoint& p0,
                   const GXPoint& p1, uint8_t extendStart, uint8_t extendEnd,
                   uint32_t backgroundArgb)
        : TwoPointGradientBase(std::move(stops), p0, p1, extendStart, extendEnd, backgroundArgb) {}

    GradientKind GetType() const override { return GradientKind::Linear; }
};

}  // namespace Graphics
