#pragma once

#include <cstddef>

#include "graphics/geometry/geometrysink.h"

namespace Graphics {

// Reads a glyph outline in GDI's native layout (polygon headers, each followed by line,
// quadratic and cubic spline records in 16.16 fixed point) and sends it to a sink as
// figures: BeginFigure at each polygon's start, its segments, EndFigureClose.
class GlyphOutlineWalker {
public:
    // A record that runs past its polygon, or a polygon past the buffer, ends the walk
    // there (the figure in progress is still closed), so a damaged buffer yields balanced
    // figures and no reads outside it.
    static void Send(const void* buffer, size_t bytes, GeometrySink& sink);
};

}  // namespace Graphics
