#pragma once

#include "graphics/software/swoperation.h"

namespace Graphics {

// Starts the source shape of a span: every pixel gets the span's coverage.
class SwSourceShapeOp : public SwOperation {
public:
    SwSourceShapeOp() : SwOperation(kSwOrderTargetAndShape) {}
    void Process(SwSpanState& state) override;
};

}  // namespace Graphics
