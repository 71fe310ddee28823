#pragma once

#include <memory>

#include "graphics/software/swlockedbitmapop.h"

namespace Graphics {

// Points the span state at the span's pixels of a non-isolated group's backdrop: the
// parent's pixels under the group when it began, read but never written.
class SwGetBackdropColorOp : public SwLockedBitmapOp {
public:
    // Raises "Unsuported pixel format" unless `backdrop` is PARGB32.
    explicit SwGetBackdropColorOp(std::shared_ptr<BitmapBase> backdrop)
        : SwLockedBitmapOp(kSwOrderBackdrop, std::move(backdrop), GXPixelFormatPARGB32,
                           LockMode::Read) {}

    void Process(SwSpanState& state) override {
        state.backdropColor = reinterpret_cast<const uint32_t*>(SpanAddress(state.span, 4));
    }
};

}  // namespace Graphics
