#include "graphics/software/swtargetshapeop.h"

#include "graphics/api/exception.h"

namespace Graphics {

namespace {

BitmapBase& CheckedA8(const std::shared_ptr<BitmapBase>& bitmap) {
    if (!bitmap || bitmap->GetPixelFormat() != GXPixelFormatA8) GX_RAISE("Unsuported pixel format");
    return *bitmap;
}

}  // namespace

SwTargetShapeOp::SwTargetShapeOp(std::shared_ptr<BitmapBase> shape)
    : SwOperation(kSwOrderTargetAndShape),
      shape_(std::move(shape)),
      lock_(CheckedA8(shape_), nullptr, LockMode::Write) {}

void SwTargetShapeOp::Process(SwSpanState& state) {
    state.targetShape = static_cast<uint8_t*>(lock_.Data().data) +
                        static_cast<ptrdiff_t>(state.span.y) * lock_.Data().stride + state.span.x0;
}

}  // namespace Graphics
