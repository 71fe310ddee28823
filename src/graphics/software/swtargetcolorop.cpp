#include "graphics/software/swtargetcolorop.h"

#include <cstdint>

#include "graphics/bitmap/bitmapbase.h"

namespace Graphics {

SwTargetColorOp::SwTargetColorOp(std::shared_ptr<BitmapBase> target)
    : SwOperation(kSwOrderTargetAndShape), target_(std::move(target)) {}

void SwTargetColorOp::Process(SwSpanState& state) {
    uint8_t* row = static_cast<uint8_t*>(state.targetLock.data) +
                   static_cast<ptrdiff_t>(state.span.y) * state.targetLock.stride;
    state.targetColor = reinterpret_cast<uint32_t*>(row) + state.span.x0;
    // The row below is usually drawn next, around the same x, once the rasterizer has
    // scanned it. Asking for its pixels now overlaps their cache miss with that scan instead
    // of stalling the compositor on it (a small shape touches each target row only briefly).
    // A prefetch never faults, so the row past the bottom needs no test; the address is
    // formed as an integer because no pointer may step outside the bitmap.
    const uintptr_t below = reinterpret_cast<uintptr_t>(state.targetColor) +
                            static_cast<uintptr_t>(static_cast<ptrdiff_t>(state.targetLock.stride));
    __builtin_prefetch(reinterpret_cast<const void*>(below), 0, 3);
}

}  // namespace Graphics
