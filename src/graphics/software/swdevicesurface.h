#pragma once

#include <memory>

#include "graphics/software/swsurface.h"

namespace Platform {
class DeviceContext;
}

namespace Graphics {

class SwSystemBitmap;

// A surface over a device context: an RGB32 back buffer in a native bitmap, the size of the
// device rectangle, blitted to the rectangle at each present (stretched to the whole device
// when the scale is not 1, as printing asks).
class SwDeviceSurface : public SwSurface {
public:
    // `rect` null means the whole device (0, 0, HORZRES, VERTRES); resolution from
    // LOGPIXELSX and LOGPIXELSY. With `copyIn`, the back buffer starts as a copy of the
    // device's pixels under the rectangle. Raises "The DC does not exist" for an empty
    // `context`.
    SwDeviceSurface(std::shared_ptr<Platform::DeviceContext> context, const GXIntRect* rect,
                    float scale, bool copyIn);

    GXPixelFormat GetPixelFormat() const override { return GXPixelFormatRGB32; }
    GXIntSize GetSize() const override;
    float GetDpiX() const override { return dpiX_; }
    float GetDpiY() const override { return dpiY_; }
    std::shared_ptr<BitmapBase> BeginPaint() override;
    void EndPaint() override {}
    // A device that can no longer be drawn on (its window closed) makes the surface lost.
    void Present() override;
    bool IsDestinationLost() const override { return lost_; }

private:
    SwSystemBitmap& BackBufferPixels() const;

    std::shared_ptr<Platform::DeviceContext> context_;  // never empty
    GXIntRect rect_;                                    // device rectangle, right/bottom exclusive
    int32_t deviceWidth_;                               // HORZRES, pixels
    int32_t deviceHeight_;                              // VERTRES, pixels
    float scale_;                                       // 1: blit as is; else stretch to the device
    float dpiX_, dpiY_;                                 // LOGPIXELSX, LOGPIXELSY
    std::shared_ptr<Bitmap> backBuffer_;                // over a SwSystemBitmap; never empty
    bool lost_ = false;                                 // Present could not reach the device
};

}  // namespace Graphics
