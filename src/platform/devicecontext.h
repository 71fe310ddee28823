#pragma once

#include <pixman.h>

#include <cstdint>

namespace Platform {

// What a device context reports about its device.
enum class DeviceCap {
    HorzRes,     // width of the device surface, pixels
    VertRes,     // height of the device surface, pixels
    LogPixelsX,  // horizontal resolution, dots per inch
    LogPixelsY,  // vertical resolution, dots per inch
};

// A rectangle of device pixels: origin and size.
struct DeviceRect {
    int32_t x, y;           // top-left corner
    int32_t width, height;  // pixels; a blit of zero or less does nothing
};

// Something to draw pixels on and read them back from: a memory context over a native
// bitmap, a window, a Cairo context, and (made elsewhere) a printer. Each kind says what it
// reports and how its pixels are reached; the blits below work between any two kinds.
class DeviceContext {
public:
    enum class Kind { Memory, Window, Cairo, Printer };

    DeviceContext() = default;
    virtual ~DeviceContext() = default;
    DeviceContext(const DeviceContext&) = delete;
    DeviceContext& operator=(const DeviceContext&) = delete;

    virtual Kind GetKind() const = 0;
    virtual int32_t GetDeviceCaps(DeviceCap cap) const = 0;

    // The context's pixels as a pixman image in device coordinates that blits may read and
    // write in place, or null when the context keeps none (blits then go through
    // ReadPixels and WritePixels). After writing into it, a blit calls PixelsWritten.
    virtual pixman_image_t* GetPixelImage() { return nullptr; }
    virtual void PixelsWritten(const DeviceRect& /*area*/) {}
    // Copies the device's pixels at (area.x, area.y) into all of `destination` (of the
    // area's size); false when the device cannot be read (it went away, or keeps nothing
    // to read).
    virtual bool ReadPixels(const DeviceRect& area, pixman_image_t* destination) = 0;
    // Puts `area` of `source` at (x, y) of the device; false when it went away.
    virtual bool WritePixels(int32_t x, int32_t y, pixman_image_t* source,
                             const DeviceRect& area) = 0;
};

// The pixels of `sourceArea` of `source` copied unchanged (SRCCOPY) to (x, y) of
// `destination`; pixels outside the source come out black. False when either side cannot be
// reached (a context whose window went away) or memory runs out.
bool BitBlt(DeviceContext& destination, int32_t x, int32_t y, DeviceContext& source,
            const DeviceRect& sourceArea);
// The pixels of `sourceArea` scaled to `destinationArea` with nearest-pixel sampling.
bool StretchBlt(DeviceContext& destination, const DeviceRect& destinationArea,
                DeviceContext& source, const DeviceRect& sourceArea);

}  // namespace Platform
