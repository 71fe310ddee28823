#pragma once

#include <memory>

#include "gx.h"

namespace Host {
class PrintCanvas;
}

namespace Graphics {

// What a print render target draws on: the page canvas of a printer device, with the
// device's size and resolution. The canvas's user space is the page in points; the device
// pixels only describe the printer.
class PrintDeviceSurface {
public:
    PrintDeviceSurface(std::shared_ptr<Host::PrintCanvas> canvas, GXIntSize size, float dpiX,
                       float dpiY)
        : canvas_(std::move(canvas)), size_(size), dpiX_(dpiX), dpiY_(dpiY) {}

    // A printer page is opaque paper: RGB32.
    GXPixelFormat GetPixelFormat() const { return GXPixelFormatRGB32; }
    GXIntSize GetSize() const { return size_; }
    float GetDpiX() const { return dpiX_; }
    float GetDpiY() const { return dpiY_; }
    // The page in points: the device's size in pixels at its resolution.
    GXRect GetPageRect() const;

    // The canvas for one paint, its state saved.
    Host::PrintCanvas& BeginPaint();
    // Brings back the state saved by BeginPaint. False when the canvas has failed to write.
    bool EndPaint();
    void Flush();

private:
    std::shared_ptr<Host::PrintCanvas> canvas_;  // never empty; shared with the device
    GXIntSize size_;                             // device pixels
    float dpiX_;                                 // device dots per inch, positive
    float dpiY_;                                 // device dots per inch, positive
};

}  // namespace Graphics
