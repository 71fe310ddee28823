#pragma once

#include "graphics/bitmap/colorf.h"
#include "graphics/paint/brush.h"

namespace Graphics {

// One colour everywhere.
class SolidBrush : public Brush {
public:
    explicit SolidBrush(const ColorF& color, float opacity = 1.0f);

    BrushKind GetType() const override { return BrushKind::Solid; }
    const ColorF& GetColor() const { return color_; }

private:
    ColorF color_;  // straight alpha, each channel within 0..1
};

}  // namespace Graphics
