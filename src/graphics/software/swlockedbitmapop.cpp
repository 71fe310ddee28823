#include "graphics/software/swlockedbitmapop.h"

#include "graphics/core/exception.h"

namespace Graphics {

namespace {

BitmapBase& Checked(const std::shared_ptr<BitmapBase>& bitmap, GXPixelFormat format) {
    if (!bitmap || bitmap->GetPixelFormat() != format) GX_RAISE("Unsuported pixel format");
    return *bitmap;
}

}  // namespace

SwLockedBitmapOp::SwLockedBitmapOp(int32_t orderKey, std::shared_ptr<BitmapBase> bitmap,
                                   GXPixelFormat format, uint32_t lockMode)
    : SwOperation(orderKey),
      bitmap_(std::move(bitmap)),
      lock_(Checked(bitmap_, format), nullptr, lockMode) {}

}  // namespace Graphics
