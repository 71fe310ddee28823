#pragma once

#include <memory>

#include "graphics/gpu/gpusurface.h"

namespace Platform {
class X11Window;
}

namespace Graphics {

class GpuSwapChain;

// The surface of a window: every paint draws into an off-screen render texture of the
// client size, and a finished frame is copied into the swap chain's back buffer and shown.
// The texture keeps what was painted from one paint to the next. At each BeginPaint the
// surface follows the window: a new client size gets a new (transparent) texture and a
// re-made swap chain; after device loss the texture and swap chain are made anew on the new
// device.
class GpuWindowSurface : public GpuSurface {
public:
    // Raises "The window does not exist" when `window` is empty or gone, and "Vulkan error"
    // when the device cannot present to it.
    GpuWindowSurface(std::shared_ptr<GpuDevice> device, std::shared_ptr<Platform::X11Window> window);
    ~GpuWindowSurface() override;

    // The swap chain exists.
    bool IsValid() const override { return swapChain_ != nullptr; }
    // Drops the swap chain.
    void ReleaseGpuObject() override;

    // RGB32: the window is opaque.
    GXPixelFormat GetPixelFormat() const override { return GXPixelFormatRGB32; }
    // The client size at creation or at the last BeginPaint.
    GXIntSize GetSize() const override { return size_; }
    float GetDpiX() const override;
    float GetDpiY() const override;
    GXMatrix GetTransform() const override { return {1, 0, 0, 1, 0, 0}; }
    // Raises "The window does not exist" once the window went away.
    std::shared_ptr<GpuRenderTexture> BeginPaint() override;
    // Records the copy of the paint texture into the back buffer, behind the paint's own
    // recorded work: true when that was done on a device that is not lost. A device found
    // lost is made anew here, so that the next paint draws on the new one.
    bool EndPaint() override;
    // Submits the frame and shows it (copying the paint texture first when EndPaint did not).
    void Present() override;
    // The texture the next paint draws into, unless the window's size changes first.
    const std::shared_ptr<GpuRenderTexture>& PaintTexture() const { return paintTexture_; }

private:
    // A transparent paint texture of the current size.
    void MakePaintTexture();

    std::shared_ptr<Platform::X11Window> window_;    // never empty
    GXIntSize size_{0, 0};                           // client size the texture was made for
    std::shared_ptr<GpuSwapChain> swapChain_;        // null after release
    std::shared_ptr<GpuRenderTexture> paintTexture_; // at least 1 x 1
};

}  // namespace Graphics
