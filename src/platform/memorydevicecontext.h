#pragma once

#include <memory>

#include "platform/devicecontext.h"

namespace Platform {

class NativeBitmap;

// A device context in memory: it draws into the native bitmap selected into it. Without
// one, its device is empty (0 x 0) and blits to or from it change nothing and fail.
class MemoryDeviceContext : public DeviceContext {
public:
    MemoryDeviceContext() = default;
    ~MemoryDeviceContext() override;

    Kind GetKind() const override { return Kind::Memory; }
    // The selected bitmap's size, 96 dots per inch.
    int32_t GetDeviceCaps(DeviceCap cap) const override;
    // 24- and 32-bit bitmaps are read and written in place; 1- and 8-bit ones are read
    // through their colour table (grey levels without one) and cannot be drawn into.
    pixman_image_t* GetPixelImage() override { return image_; }
    bool ReadPixels(const DeviceRect& area, pixman_image_t* destination) override;
    bool WritePixels(int32_t x, int32_t y, pixman_image_t* source,
                     const DeviceRect& area) override;

    // Selects `bitmap` (empty: none) and returns the one selected before.
    std::shared_ptr<NativeBitmap> Select(std::shared_ptr<NativeBitmap> bitmap);
    const std::shared_ptr<NativeBitmap>& Selected() const { return bitmap_; }

private:
    std::shared_ptr<NativeBitmap> bitmap_;  // the selected bitmap, or empty
    pixman_image_t* image_ = nullptr;       // over bitmap_'s rows when it is 24 or 32 bits
};

}  // namespace Platform
