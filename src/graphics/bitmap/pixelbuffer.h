#pragma once

#include <cstdint>

#include "graphics/core/processheap.h"

namespace Graphics {

// The pixel store of a system-memory bitmap: rows of `stride` bytes, each a multiple of 16
// so that every row starts 16-byte aligned, contents uninitialised when made (or zero, on
// request).
struct PixelBuffer {
    int32_t width;            // pixels, >= 0 (absolute value of the requested width)
    int32_t height;           // rows, >= 0 (absolute value of the requested height)
    int32_t stride;           // bytes from one row to the next, a multiple of 16
    int32_t bitsPerPixel;     // 1, 8, 24 or 32
    HeapBlock<uint8_t> data;  // stride * height bytes from ProcessHeap::AllocAligned

    // Raises "Not enough memory" when the block cannot be had. The size must satisfy
    // CanRepresent.
    PixelBuffer(int32_t requestedWidth, int32_t requestedHeight, int32_t bitsPerPixel,
                bool zeroed = false);

    // Stride of a row of `width` pixels: the row's bytes rounded up to a multiple of 16.
    static int64_t GetStride(int64_t width, int32_t bitsPerPixel) {
        return ((bitsPerPixel * width + 7) / 8 + 15) / 16 * 16;
    }
    // True when a store of that size can exist: the absolute values are representable,
    // the stride fits the 32-bit field and the block (at most 1 TiB) is something an
    // allocator could be asked for. Negative sizes are allowed, zero sizes too.
    static bool CanRepresent(int32_t requestedWidth, int32_t requestedHeight, int32_t bitsPerPixel);

    uint8_t* Row(int32_t row) const { return data.get() + int64_t(stride) * row; }
};

}  // namespace Graphics
