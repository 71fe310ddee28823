#include "graphics/print/printclipping.h"

#include "graphics/geometry/geometry.h"

namespace Graphics {

void PrintClipping::Clip(const Geometry& geometry, const GXMatrix& matrix) {
    std::shared_ptr<Geometry> current = geometry_;
    if (!current) {
        current = std::make_shared<Geometry>();
        current->Rectangle(page_);
    }
    auto clipped = std::make_shared<Geometry>();
    current->Combine(geometry, matrix, 0, kPrecision, clipped);
    geometry_ = std::move(clipped);
}

}  // namespace Graphics
