#include "graphics/bitmap/bitmapbase.h"

#include <algorithm>
#include <cstring>

#include "graphics/bitmap/bitrow.h"
#include "graphics/bitmap/pixelconversion.h"
#include "graphics/bitmap/pixelformat.h"
#include "graphics/bitmap/solidcolorbitmapsource.h"
#include "graphics/core/processheap.h"

namespace Graphics {

void BitmapBase::CopyPixels(const GXIntRect* rect, uint8_t* dst, int32_t dstStride,
                            int32_t dstRowBytes) {
    GXIntRect clamped = ClampRect(rect, size_);
    if (IsEmptyRect(clamped) || dstRowBytes <= 0) return;
    BitmapLock lock(*this, &clamped, LockMode::Read);
    const GXBitmapData& window = lock.Data();
    size_t bytes = size_t(std::min(window.rowBytes, dstRowBytes));
    const uint8_t* src = static_cast<const uint8_t*>(window.data);
    for (int32_t row = clamped.top; row < clamped.bottom; ++row) {
        // memmove: a bitmap may be read into a window of its own pixels.
        std::memmove(dst, src, bytes);
        src += window.stride;
        dst += dstStride;
    }
}

void BitmapBase::ColorFill(const GXIntRect* rect, const ColorF& color) {
    GXIntRect target = ClampRect(rect, size_);
    auto solid = std::make_shared<SolidColorBitmapSource>(size_, format_, color);
    GXIntPoint origin{target.left, target.top};
    GXIntRect sourceRect{0, 0, target.right - target.left, target.bottom - target.top};
    CopyFromSource(&origin, solid, &sourceRect);
}

void BitmapBase::CopyFromSource(const GXIntPoint* origin,
                                const std::shared_ptr<BitmapSource>& source,
                                const GXIntRect* sourceRect) {
    GXIntRect from = ClampRect(sourceRect, source->GetSize());
    if (IsEmptyRect(from)) return;
    // Where the source rectangle's top-left lands, in 64 bits so that far-off origins
    // cannot overflow; what clamping cut off the source moves the destination with it.
    int64_t toX = (origin ? int64_t(origin->x) : 0) +
                  (from.left - (sourceRect ? int64_t(sourceRect->left) : 0));
    int64_t toY = (origin ? int64_t(origin->y) : 0) +
                  (from.top - (sourceRect ? int64_t(sourceRect->top) : 0));
    int64_t left = std::max<int64_t>(toX, 0);
    int64_t top = std::max<int64_t>(toY, 0);
    int64_t right = std::min<int64_t>(toX + (from.right - from.left), std::max(size_.width, 0));
    int64_t bottom = std::min<int64_t>(toY + (from.bottom - from.top), std::max(size_.height, 0));
    if (right <= left || bottom <= top) return;
    // ... and what the destination cuts off moves the source.
    GXIntRect read{int32_t(from.left + (left - toX)), int32_t(from.top + (top - toY)), 0, 0};
    read.right = int32_t(read.left + (right - left));
    read.bottom = int32_t(read.top + (bottom - top));
    GXIntRect window{int32_t(left), int32_t(top), int32_t(right), int32_t(bottom)};
    // Only the copied width is written, not the window's bytes up to the right edge.
    int32_t rowBytes = int32_t(PixelFormat::GetRowBytes(format_, right - left));
    BitmapLock lock(*this, &window, LockMode::Write);
    uint8_t* const to = static_cast<uint8_t*>(lock.Data().data);
    // A 1-bit window starts at the byte that holds `left`, and its last byte may hold pixels
    // right of the rectangle; a 1-bit bitmap read at `read.left` likewise hands over the
    // byte holding it. Unless both rectangles start on byte boundaries and the copy ends on
    // one or at the bitmap's right edge (past which a byte holds only padding), the source
    // is read from the byte boundary at or before `read.left` into a private block and only
    // the rectangle's bits are stored.
    const int64_t shift = left % 8, sourceShift = read.left % 8;
    const bool wholeBytes = shift == 0 && sourceShift == 0 &&
                            ((right - left) % 8 == 0 || right == size_.width);
    if (PixelFormat::GetBitsPerPixel(format_) != 1 || wholeBytes) {
        source->CopyPixels(&read, to, lock.Data().stride, rowBytes);
        return;
    }
    const GXIntRect aligned{int32_t(read.left - sourceShift), read.top, read.right, read.bottom};
    const int64_t rows = bottom - top;
    const int64_t alignedBytes = PixelFormat::GetRowBytes(format_, aligned.right - aligned.left);
    HeapBlock<uint8_t> bits(
        static_cast<uint8_t*>(ProcessHeap::AllocAligned(size_t(alignedBytes * rows))));
    source->CopyPixels(&aligned, bits.get(), int32_t(alignedBytes), int32_t(alignedBytes));
    for (int64_t row = 0; row < rows; ++row)
        CopyBitRow(bits.get() + row * alignedBytes, sourceShift, to + row * lock.Data().stride,
                   shift, right - left);
}

}  // namespace Graphics
