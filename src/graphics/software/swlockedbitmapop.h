#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "graphics/bitmap/bitmapbase.h"
#include "graphics/software/swoperation.h"

namespace Graphics {

// Base of the operations that point the span state into a bitmap of their own (a group's
// shape, alpha or backdrop, a clip mask being rendered). The bitmap is locked from
// construction to destruction, so one lock serves every span of the pipeline.
class SwLockedBitmapOp : public SwOperation {
protected:
    // Raises "Unsuported pixel format" unless `bitmap` exists and has `format`.
    SwLockedBitmapOp(int32_t orderKey, std::shared_ptr<BitmapBase> bitmap, GXPixelFormat format,
                     uint32_t lockMode);

    // The address of the span's first pixel, for pixels of `bytesPerPixel` bytes.
    uint8_t* SpanAddress(const SwSpan& span, int32_t bytesPerPixel) const {
        return static_cast<uint8_t*>(lock_.Data().data) +
               static_cast<ptrdiff_t>(span.y) * lock_.Data().stride +
               static_cast<ptrdiff_t>(span.x0) * bytesPerPixel;
    }

private:
    std::shared_ptr<BitmapBase> bitmap_;  // outlives lock_
    BitmapLock lock_;                     // held for this operation's life
};

}  // namespace Graphics
