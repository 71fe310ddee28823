#pragma once

#include <cairo.h>

#include "platform/devicecontext.h"

namespace Platform {

// A device context over a caller's Cairo context, such as the one a GTK drawing area hands
// its draw handler. Device coordinates are the context's user space when the device
// context is made: pixels are read from and written to the context's target under its
// transformation and clip, so the caller's translation (a widget's position in its window)
// and scale apply. The device's size is the clip's extent from the user origin.
class CairoDeviceContext : public DeviceContext {
public:
    // Takes a reference on `cairo`, which must not be null.
    explicit CairoDeviceContext(cairo_t* cairo);
    ~CairoDeviceContext() override;

    Kind GetKind() const override { return Kind::Cairo; }
    int32_t GetDeviceCaps(DeviceCap cap) const override;
    bool ReadPixels(const DeviceRect& area, pixman_image_t* destination) override;
    // `source` must be x8r8g8b8 or a8r8g8b8 (premultiplied), the formats Cairo shares.
    bool WritePixels(int32_t x, int32_t y, pixman_image_t* source,
                     const DeviceRect& area) override;

private:
    cairo_t* cairo_;           // one reference held
    cairo_matrix_t userToDevice_;  // the context's transformation when this was made
};

}  // namespace Platform
