#pragma once

#include <memory>

#include "graphics/software/swoperation.h"

namespace Graphics {

class BitmapBase;

// Points the span state at the target pixels of the span, through the lock the pipeline
// holds on the target bitmap for the whole draw (no lock per span).
class SwTargetColorOp : public SwOperation {
public:
    explicit SwTargetColorOp(std::shared_ptr<BitmapBase> target);
    void Process(SwSpanState& state) override;

private:
    std::shared_ptr<BitmapBase> target_;  // the PARGB32 bitmap drawn into
};

}  // namespace Graphics
