#pragma once

#include <memory>

#include "graphics/geometry/geometrysink.h"
#include "graphics/geometry/strokestyle.h"

namespace Graphics {

// The stroking chain in front of `target`: a Pen, behind a Dasher when the style has
// dashes. A pattern the Dasher refuses (a negative element, zero length), or one finer
// than `tolerance`, strokes solid.
std::shared_ptr<GeometrySink> MakeStrokeSink(float tolerance, float width, const StrokeStyle& style,
                                             std::shared_ptr<GeometrySink> target);

}  // namespace Graphics
