#pragma once

#include <memory>

#include "graphics/software/swlockedbitmapop.h"

namespace Graphics {

// Points the span state at the span's bytes of a group's A8 alpha bitmap, which the group
// compositors read and write.
class SwTargetAlphaOp : public SwLockedBitmapOp {
public:
    // Raises "Unsuported pixel format" unless `alpha` is A8.
    explicit SwTargetAlphaOp(std::shared_ptr<BitmapBase> alpha)
        : SwLockedBitmapOp(kSwOrderTargetAndShape, std::move(alpha), GXPixelFormatA8,
                           LockMode::ReadWrite) {}

    void Process(SwSpanState& state) override { state.targetAlpha = SpanAddress(state.span, 1); }
};

}  // namespace Graphics
