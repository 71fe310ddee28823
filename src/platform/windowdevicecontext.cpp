#include "platform/windowdevicecontext.h"

#include "platform/x11window.h"

namespace Platform {

int32_t WindowDeviceContext::GetDeviceCaps(DeviceCap cap) const {
    int32_t width = 0, height = 0;
    switch (cap) {
    case DeviceCap::HorzRes:
        return window_->GetClientSize(&width, &height) ? width : 0;
    case DeviceCap::VertRes:
        return window_->GetClientSize(&width, &height) ? height : 0;
    case DeviceCap::LogPixelsX:
        return int32_t(window_->GetDpiX());
    case DeviceCap::LogPixelsY:
        return int32_t(window_->GetDpiY());
    }
    return 0;
}

bool WindowDeviceContext::ReadPixels(const DeviceRect& area, pixman_image_t* destination) {
    return window_->GetImage(area.x, area.y, destination);
}

bool WindowDeviceContext::WritePixels(int32_t x, int32_t y, pixman_image_t* source,
                                      const DeviceRect& area) {
    return window_->PutImage(x, y, source, area.x, area.y, area.width, area.height);
}

}  // namespace Platform
