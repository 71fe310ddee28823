#include "graphics/geometry/strokesink.h"

#include <utility>

#include "graphics/core/exception.h"
#include "graphics/geometry/dasher.h"
#include "graphics/geometry/pen.h"

namespace Graphics {

std::shared_ptr<GeometrySink> MakeStrokeSink(float tolerance, float width, const StrokeStyle& style,
                                             std::shared_ptr<GeometrySink> target) {
    auto pen = std::make_shared<Pen>(tolerance, width, style.cap, style.join, style.miterLimit,
                                     std::move(target));
    if (style.dashes.empty() || Dasher::IsFinerThan(style.dashes, tolerance)) return pen;
    try {
        return std::make_shared<Dasher>(tolerance, style.dashes, style.dashOffset, pen);
    } catch (const Exception&) {
        return pen;
    }
}

}  // namespace Graphics
