#include "graphics/software/shapefillerop.h"

#include <cstring>

namespace Graphics {

void ShapeFillerOp::Process(SwSpanState& state) {
    std::memset(state.targetShape, state.span.coverage,
                static_cast<size_t>(state.span.x1 - state.span.x0));
}

}  // namespace Graphics
