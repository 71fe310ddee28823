#include "graphics/software/swtargetcolorop.h"

#include "graphics/bitmap/bitmapbase.h"

namespace Graphics {

SwTargetColorOp::SwTargetColorOp(std::shared_ptr<BitmapBase> target)
    : SwOperation(kSwOrderTargetAndShape), target_(std::move(target)) {}

void SwTargetColorOp::Process(SwSpanState& state) {
    uint8_t* row = static_cast<uint8_t*>(state.targetLock.data) +
                   static_cast<ptrdiff_t>(state.span.y) * state.targetLock.stride;
    state.targetColor = reinterpret_cast<uint32_t*>(row) + state.span.x0;
}

}  // namespace Graphics
