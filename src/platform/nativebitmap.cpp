#include "platform/nativebitmap.h"

#include <algorithm>
#include <new>

namespace Platform {

namespace {

// The largest pixel store handed out: far beyond any real bitmap, and small enough that a
// lying size never makes the process try to reserve all memory.
constexpr int64_t kMaxBytes = int64_t(1) << 32;

}  // namespace

int64_t NativeBitmap::GetStride(int64_t width, int32_t bitsPerPixel) {
    const int64_t stride = (width * bitsPerPixel + 31) / 32 * 4;
    return stride > INT32_MAX ? -1 : stride;
}

std::shared_ptr<NativeBitmap> NativeBitmap::Create(int32_t width, int32_t height,
                                                   int32_t bitsPerPixel,
                                                   const uint32_t* colorTable,
                                                   uint32_t colorCount) {
    if (bitsPerPixel != 1 && bitsPerPixel != 8 && bitsPerPixel != 24 && bitsPerPixel != 32)
        return nullptr;
    if (width <= 0 || height <= 0) return nullptr;
    if (colorCount != 0 && (colorTable == nullptr || bitsPerPixel > 8 ||
                            colorCount > (uint32_t(1) << bitsPerPixel)))
        return nullptr;
    const int64_t stride = GetStride(width, bitsPerPixel);
    if (stride < 0 || stride * height > kMaxBytes) return nullptr;
    std::shared_ptr<NativeBitmap> bitmap(new (std::nothrow) NativeBitmap);
    if (!bitmap) return nullptr;
    bitmap->pixels_.reset(new (std::nothrow) uint8_t[size_t(stride * height)]());
    if (!bitmap->pixels_) return nullptr;
    bitmap->width_ = width;
    bitmap->height_ = height;
    bitmap->bitsPerPixel_ = bitsPerPixel;
    bitmap->stride_ = int32_t(stride);
    bitmap->SetColorTable(colorTable, colorCount);
    return bitmap;
}

void NativeBitmap::SetColorTable(const uint32_t* colors, uint32_t count) {
    colorTable_.clear();
    if (bitsPerPixel_ > 8) return;
    count = std::min(count, uint32_t(1) << bitsPerPixel_);
    for (uint32_t i = 0; i < count; ++i) colorTable_.push_back(colors[i] & 0xFFFFFFu);
}

}  // namespace Platform
