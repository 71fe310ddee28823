#include "platform/memorydevicecontext.h"

#include <algorithm>

#include "platform/nativebitmap.h"

namespace Platform {

namespace {

// The colour of pixel x of a 1- or 8-bit row, 0xFFRRGGBB.
uint32_t IndexedColor(const NativeBitmap& bitmap, const uint8_t* row, int32_t x) {
    const uint32_t index =
        bitmap.BitsPerPixel() == 1 ? (row[x >> 3] >> (7 - (x & 7))) & 1u : row[x];
    const std::vector<uint32_t>& table = bitmap.ColorTable();
    if (table.empty()) return 0xFF000000u | (bitmap.BitsPerPixel() == 1 ? index * 0xFFFFFFu
                                                                        : index * 0x010101u);
    return 0xFF000000u | (index < table.size() ? table[index] : 0u);
}

}  // namespace

MemoryDeviceContext::~MemoryDeviceContext() {
    if (image_) pixman_image_unref(image_);
}

int32_t MemoryDeviceContext::GetDeviceCaps(DeviceCap cap) const {
    switch (cap) {
    case DeviceCap::HorzRes:
        return bitmap_ ? bitmap_->Width() : 0;
    case DeviceCap::VertRes:
        return bitmap_ ? bitmap_->Height() : 0;
    case DeviceCap::LogPixelsX:
    case DeviceCap::LogPixelsY:
        return 96;
    }
    return 0;
}

std::shared_ptr<NativeBitmap> MemoryDeviceContext::Select(std::shared_ptr<NativeBitmap> bitmap) {
    if (image_) pixman_image_unref(image_);
    image_ = nullptr;
    if (bitmap && bitmap->BitsPerPixel() >= 24)
        image_ = pixman_image_create_bits(
            bitmap->BitsPerPixel() == 32 ? PIXMAN_x8r8g8b8 : PIXMAN_r8g8b8, bitmap->Width(),
            bitmap->Height(), reinterpret_cast<uint32_t*>(bitmap->Row(0)), bitmap->Stride());
    std::swap(bitmap_, bitmap);
    return bitmap;
}

bool MemoryDeviceContext::ReadPixels(const DeviceRect& area, pixman_image_t* destination) {
    if (!bitmap_) return false;
    if (image_) {
        pixman_image_composite32(PIXMAN_OP_SRC, image_, nullptr, destination, area.x, area.y, 0,
                                 0, 0, 0, area.width, area.height);
        return true;
    }
    // Indexed rows: expanded pixel by pixel into the x8r8g8b8 image the blits read.
    if (pixman_image_get_format(destination) != PIXMAN_x8r8g8b8) return false;
    uint8_t* out = reinterpret_cast<uint8_t*>(pixman_image_get_data(destination));
    const int32_t outStride = pixman_image_get_stride(destination);
    for (int32_t j = 0; j < area.height; ++j) {
        uint32_t* pixel = reinterpret_cast<uint32_t*>(out + int64_t(outStride) * j);
        const int32_t y = area.y + j;
        for (int32_t i = 0; i < area.width; ++i) {
            const int32_t x = area.x + i;
            const bool inside = x >= 0 && y >= 0 && x < bitmap_->Width() && y < bitmap_->Height();
            pixel[i] = inside ? IndexedColor(*bitmap_, bitmap_->Row(y), x) : 0xFF000000u;
        }
    }
    return true;
}

bool MemoryDeviceContext::WritePixels(int32_t x, int32_t y, pixman_image_t* source,
                                      const DeviceRect& area) {
    if (!image_) return false;
    pixman_image_composite32(PIXMAN_OP_SRC, source, nullptr, image_, area.x, area.y, 0, 0, x, y,
                             area.width, area.height);
    return true;
}

}  // namespace Platform
