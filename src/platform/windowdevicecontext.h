#pragma once

#include <memory>

#include "platform/devicecontext.h"

namespace Platform {

class X11Window;

// A device context on a window's client area. Its device is the client area as it is now;
// once the window has gone, blits fail and the size reads 0 x 0.
class WindowDeviceContext : public DeviceContext {
public:
    explicit WindowDeviceContext(std::shared_ptr<X11Window> window) : window_(std::move(window)) {}

    Kind GetKind() const override { return Kind::Window; }
    int32_t GetDeviceCaps(DeviceCap cap) const override;
    bool ReadPixels(const DeviceRect& area, pixman_image_t* destination) override;
    bool WritePixels(int32_t x, int32_t y, pixman_image_t* source,
                     const DeviceRect& area) override;

    const std::shared_ptr<X11Window>& Window() const { return window_; }

private:
    std::shared_ptr<X11Window> window_;  // never empty
};

}  // namespace Platform
