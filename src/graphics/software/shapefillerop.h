#pragma once

#include "graphics/software/swoperation.h"

namespace Graphics {

// The last operation of a pipeline rendering a clip mask: the span's coverage is written
// into the target-shape row.
class ShapeFillerOp : public SwOperation {
public:
    ShapeFillerOp() : SwOperation(kSwOrderComposite) {}
    void Process(SwSpanState& state) override;
};

}  // namespace Graphics
