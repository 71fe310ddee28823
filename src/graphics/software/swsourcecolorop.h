#pragma once

#include <memory>

#include "graphics/software/swcolorsource.h"
#include "graphics/software/swoperation.h"

namespace Graphics {

// The pipeline step that fetches the source colour of a span: its colour source fills
// sourceColor[0 .. x1 - x0) for row y.
class SwSourceColorOp : public SwOperation {
public:
    explicit SwSourceColorOp(std::shared_ptr<SwColorSource> source)
        : SwOperation(kSwOrderSourceColor), source_(std::move(source)) {}

    void Process(SwSpanState& state) override {
        source_->FillSpan(state.span.x0, state.span.x1, state.span.y, state.sourceColor);
    }

private:
    std::shared_ptr<SwColorSource> source_;  // never null
};

}  // namespace Graphics
