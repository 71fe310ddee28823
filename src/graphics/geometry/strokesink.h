#pragma once

#include <memory>

#include "graphics/geometry/geometrysink.h"
#include "graphics/geometry/strokestyle.h"

namespace Graphics {

class Shape;

// Replays `shape` through the stroking chain in front of `target`: a Pen, behind a Dasher
// when the style has dashes. A pattern the Dasher refuses (a negative element, zero
// length), or one finer than `tolerance`, strokes solid. The pen is the thread's spare one
// when it is free, so that a stroke reuses the storage the last one grew.
void StrokeShape(const Shape& shape, float tolerance, float width, const StrokeStyle& style,
                 std::shared_ptr<GeometrySink> target);

}  // namespace Graphics
