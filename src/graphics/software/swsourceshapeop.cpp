#include "graphics/software/swsourceshapeop.h"

#include <cstring>

namespace Graphics {

void SwSourceShapeOp::Process(SwSpanState& state) {
    std::memset(state.sourceShape, state.span.coverage,
                static_cast<size_t>(state.span.x1 - state.span.x0));
}

}  // namespace Graphics
