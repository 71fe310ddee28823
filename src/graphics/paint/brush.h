#pragma once

#include <cstdint>

#include "graphics/core/graphicsbase.h"
#include "gx.h"

namespace Graphics {

// What a brush paints with. Kind 2 is not used.
enum class BrushKind : int32_t {
    Solid = 0,
    Bitmap = 1,
    Gradient = 3,
};

// An immutable description of what colour each device pixel of a fill receives. Each
// renderer builds its own colour source from a brush when it draws.
class Brush : public GraphicsBase {
public:
    virtual ~Brush() = default;
    virtual BrushKind GetType() const = 0;

    const GXMatrix& GetMatrix() const { return matrix_; }
    float GetOpacity() const { return opacity_; }

protected:
    Brush(const GXMatrix& matrix, float opacity) : matrix_(matrix), opacity_(opacity) {}

private:
    // Maps brush space (bitmap pixels, gradient coordinates) straight to device pixels; the
    // CTM in force when the brush is used does not apply to it.
    GXMatrix matrix_;
    float opacity_;  // multiplies the alpha of every colour produced; not validated
};

}  // namespace Graphics
