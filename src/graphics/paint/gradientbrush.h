#pragma once

#include <memory>

#include "graphics/paint/brush.h"

namespace Graphics {

class Gradient;

// Paints a gradient mapped through the brush matrix; one gradient may serve many brushes.
class GradientBrush : public Brush {
public:
    GradientBrush(std::shared_ptr<Gradient> gradient, float opacity, const GXMatrix& matrix)
        : Brush(matrix, opacity), gradient_(std::move(gradient)) {}

    BrushKind GetType() const override { return BrushKind::Gradient; }
    const std::shared_ptr<Gradient>& GetGradient() const { return gradient_; }

private:
    std::shared_ptr<Gradient> gradient_;  // never empty
};

}  // namespace Graphics
