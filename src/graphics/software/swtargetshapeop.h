#pragma once

#include <memory>

#include "graphics/bitmap/bitmapbase.h"
#include "graphics/software/swoperation.h"

namespace Graphics {

// Points the span state at the span's bytes of an A8 shape bitmap (a group's shape, or a
// clip mask being rendered). The bitmap is locked for writing from construction to
// destruction, so the lock spans every draw of the pipeline holding this operation.
class SwTargetShapeOp : public SwOperation {
public:
    // Raises "Unsuported pixel format" unless `shape` is A8.
    explicit SwTargetShapeOp(std::shared_ptr<BitmapBase> shape);
    void Process(SwSpanState& state) override;

private:
    std::shared_ptr<BitmapBase> shape_;  // the A8 bitmap written; outlives lock_
    BitmapLock lock_;                    // write lock on shape_ for this operation's life
};

}  // namespace Graphics
