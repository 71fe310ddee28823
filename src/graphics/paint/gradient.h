#pragma once

#include <cstdint>

#include "graphics/core/graphicsbase.h"

namespace Graphics {

enum class GradientKind : int32_t {
    Linear = 0,
    Radial = 1,
    TriMesh = 2,
};

// An immutable colour ramp or mesh, shared by brushes and by direct gradient drawing.
class Gradient : public GraphicsBase {
public:
    virtual ~Gradient() = default;
    virtual GradientKind GetType() const = 0;
};

}  // namespace Graphics
