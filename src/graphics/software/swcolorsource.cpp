#include "graphics/software/swcolorsource.h"

#include <cmath>

#include "graphics/core/exception.h"
#include "graphics/geometry/matrix.h"
#include "graphics/paint/bitmapbrush.h"
#include "graphics/paint/gradientbrush.h"
#include "graphics/paint/solidbrush.h"
#include "graphics/software/swbitmapcolorsource.h"
#include "graphics/software/swgradientcolorsource.h"
#include "graphics/software/swrecordpool.h"
#include "graphics/software/swsolidcolorsource.h"

namespace Graphics {

uint32_t SwColorSource::OpacityWeight(float opacity) {
    if (!(opacity > 0.0f)) opacity = 0.0f;
    if (opacity > 1.0f) opacity = 1.0f;
    return (uint32_t(opacity * 255.0f) & 0xFFu) + 1;
}

std::shared_ptr<SwColorSource> SwColorSource::CreateFromBrush(const Brush& brush,
                                                              const GXIntRect& deviceRect,
                                                              const GXMatrix& deviceMatrix) {
    switch (brush.GetType()) {
        case BrushKind::Solid: {
            const auto& solid = static_cast<const SolidBrush&>(brush);
            return MakePooled<SwSolidColorSource>(
                SwSolidColorSource::PremultipliedPixel(solid.GetColor(), solid.GetOpacity()));
        }
        case BrushKind::Bitmap: {
            const auto& bitmapBrush = static_cast<const BitmapBrush&>(brush);
            return MakePooled<SwBitmapColorSource>(
                bitmapBrush.GetBitmap(), MultiplyMatrix(brush.GetMatrix(), deviceMatrix),
                bitmapBrush.GetExtendX(), bitmapBrush.GetExtendY(), bitmapBrush.GetSamplingMode(),
                brush.GetOpacity());
        }
        case BrushKind::Gradient: {
            const auto& gradientBrush = static_cast<const GradientBrush&>(brush);
            return SwGradientColorSource::Factory(gradientBrush.GetGradient(), brush.GetMatrix(),
                                                  brush.GetOpacity(), deviceRect, deviceMatrix);
        }
    }
    GX_RAISE("Not implemented");
}

}  // namespace Graphics
