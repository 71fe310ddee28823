#pragma once

#include <memory>

#include "graphics/software/swlockedbitmapop.h"

namespace Graphics {

// Points the span state at the span's bytes of an A8 shape bitmap (a group's shape, or a
// clip mask being rendered), which compositors read and write.
class SwTargetShapeOp : public SwLockedBitmapOp {
public:
    // Raises "Unsuported pixel format" unless `shape` is A8.
    explicit SwTargetShapeOp(std::shared_ptr<BitmapBase> shape)
        : SwLockedBitmapOp(kSwOrderTargetAndShape, std::move(shape), GXPixelFormatA8,
                           LockMode::ReadWrite) {}

    void Process(SwSpanState& state) override { state.targetShape = SpanAddress(state.span, 1); }
};

}  // namespace Graphics
