#include "graphics/bitmap/pixelbuffer.h"

#include <cstdlib>

namespace Graphics {

namespace {

// Past this a request is a mistake rather than an image (and sanitizer allocators abort
// on it instead of failing).
constexpr int64_t kMaxStoreBytes = int64_t(1) << 40;

}  // namespace

bool PixelBuffer::CanRepresent(int32_t requestedWidth, int32_t requestedHeight,
                               int32_t bitsPerPixel) {
    // |INT32_MIN| has no int32 value.
    if (requestedWidth == INT32_MIN || requestedHeight == INT32_MIN || bitsPerPixel <= 0)
        return false;
    int64_t stride = GetStride(std::llabs(requestedWidth), bitsPerPixel);
    if (stride > INT32_MAX) return false;
    return stride * std::llabs(requestedHeight) <= kMaxStoreBytes;
}

PixelBuffer::PixelBuffer(int32_t requestedWidth, int32_t requestedHeight, int32_t bitsPerPixel,
                         bool zeroed)
    : width(std::abs(requestedWidth)),
      height(std::abs(requestedHeight)),
      stride(static_cast<int32_t>(GetStride(width, bitsPerPixel))),
      bitsPerPixel(bitsPerPixel),
      data(static_cast<uint8_t*>(
          zeroed ? ProcessHeap::AllocZeroed(size_t(stride) * size_t(height))
                 : ProcessHeap::AllocAligned(size_t(stride) * size_t(height)))) {}

}  // namespace Graphics
