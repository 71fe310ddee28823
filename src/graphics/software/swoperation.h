#pragma once

#include <cstdint>

#include "graphics/software/swspanstate.h"

namespace Graphics {

// Order keys: a pipeline runs its operations in ascending key order, equal keys in the
// order they were added.
enum SwOrderKey : int32_t {
    kSwOrderTargetAndShape = 1,  // target pointers, source shape
    kSwOrderShapeMask = 2,       // soft shape masks
    kSwOrderSourceColor = 3,     // the colour source
    kSwOrderBackdrop = 4,        // backdrop pointer of non-isolated groups
    kSwOrderOpacityMask = 5,     // soft opacity masks
    kSwOrderComposite = 6,       // the compositor (or the clip-mask shape filler)
};

// One step of the per-span pixel pipeline. A pipeline calls Process once per span for each
// of its operations, never per pixel.
class SwOperation {
public:
    explicit SwOperation(int32_t orderKey) : orderKey_(orderKey) {}
    virtual ~SwOperation() = default;
    SwOperation(const SwOperation&) = delete;
    SwOperation& operator=(const SwOperation&) = delete;

    int32_t OrderKey() const { return orderKey_; }
    virtual void Process(SwSpanState& state) = 0;

private:
    int32_t orderKey_;  // position in the pipeline, one of SwOrderKey
};

}  // namespace Graphics
