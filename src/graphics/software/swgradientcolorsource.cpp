#include "graphics/software/swgradientcolorsource.h"

#include <algorithm>
#include <cmath>

#include "graphics/core/exception.h"
#include "graphics/bitmap/sysmembitmap.h"
#include "graphics/geometry/matrix.h"
#include "graphics/paint/lineargradient.h"
#include "graphics/paint/radialgradient.h"
#include "graphics/paint/trimeshgradient.h"
#include "graphics/software/swbitmapcolorsource.h"
#include "graphics/software/swlineargradientcolorsource.h"
#include "graphics/software/swpixel.h"
#include "graphics/software/swradialgradientcolorsource.h"
#include "graphics/software/swrecordpool.h"
#include "graphics/software/swtrimeshgradientrenderer.h"

namespace Graphics {

std::shared_ptr<SwColorSource> SwGradientColorSource::Factory(
    const std::shared_ptr<Gradient>& gradient, const GXMatrix& brushMatrix, float opacity,
    const GXIntRect& deviceRect, const GXMatrix& deviceMatrix) {
    const GXMatrix gradientToDevice = MultiplyMatrix(brushMatrix, deviceMatrix);
    switch (gradient->GetType()) {
        case GradientKind::Linear:
            return MakePooled<SwLinearGradientColorSource>(
                std::static_pointer_cast<LinearGradient>(gradient), gradientToDevice, opacity);
        case GradientKind::Radial:
            return MakePooled<SwRadialGradientColorSource>(
                std::static_pointer_cast<RadialGradient>(gradient), gradientToDevice, opacity);
        case GradientKind::TriMesh: {
            // The mesh is drawn once into a bitmap over the device rectangle, which is then
            // sampled pixel for pixel.
            auto mesh = SwTriMeshGradientRenderer::Render(
                static_cast<const TriMeshGradient&>(*gradient), gradientToDevice, deviceRect);
            const GXMatrix placement{1, 0, 0, 1, float(deviceRect.left), float(deviceRect.top)};
            return MakePooled<SwBitmapColorSource>(std::move(mesh), placement, opacity);
        }
    }
    GX_RAISE("Not implemented");
}

size_t SwGradientColorSource::SearchableStopCount(const GradientStopCollection& stops) {
    const auto& all = stops.Stops();
    return size_t(std::find_if(all.begin(), all.end(),
                               [](const GradientStop& stop) { return std::isnan(stop.offset); }) -
                  all.begin());
}

bool SwGradientColorSource::StopsOpaque(const GradientStop* stops, size_t count) {
    return std::all_of(stops, stops + count,
                       [](const GradientStop& stop) { return SwAlpha(stop.argb) == 255; });
}

uint32_t SwGradientColorSource::StopColor(const GradientStop* stops, size_t count, float t) {
    const GradientStop* end = stops + count;
    const GradientStop* upper = std::lower_bound(
        stops, end, t, [](const GradientStop& stop, float value) { return stop.offset < value; });
    if (upper == end) return SwColorSource::Premultiply(end[-1].argb);
    if (upper == stops || upper->offset == t) return SwColorSource::Premultiply(upper->argb);
    const GradientStop* lower = upper - 1;
    // Infinite offsets can make the quotient NaN or leave 0..1; the comparisons keep every
    // such value away from the integer conversion.
    const float f = (upper->offset - t) / (upper->offset - lower->offset);
    const uint32_t weight = f >= 1.0f ? 256u : f > 0.0f ? (uint32_t(f * 255.0f) & 0xFFu) + 1 : 1u;
    return SwColorSource::Premultiply(SwMix(upper->argb, lower->argb, weight));
}

}  // namespace Graphics
