#include "graphics/print/printpath.h"

#include "graphics/geometry/geometry.h"

namespace Graphics {

Host::PrintCanvasPath PrintPath::Build(const Geometry& geometry, const GXMatrix& matrix) {
    PrintPath sink;
    geometry.SendToSinkTransformed(matrix, &sink);
    return std::move(sink.path_);
}

void PrintPath::SetFillRule(int32_t rule) {
    if (rule == 0 || rule == 1) path_.SetEvenOdd(rule == 1);
}

}  // namespace Graphics
