#include "graphics/gpu/gpuwindowsurface.h"

#include "graphics/core/exception.h"
#include "graphics/gpu/gpudevice.h"
#include "graphics/gpu/gpurendertexture.h"
#include "graphics/gpu/gpuswapchain.h"
#include "platform/x11window.h"

namespace Graphics {

GpuWindowSurface::GpuWindowSurface(std::shared_ptr<GpuDevice> device,
                                   std::shared_ptr<Platform::X11Window> window)
    : GpuSurface(device), window_(std::move(window)) {
    if (!window_ || !window_->GetClientSize(&size_.width, &size_.height))
        GX_RAISE("The window does not exist");
    swapChain_ = device->CreateSwapChainForWindow(window_);
    MakePaintTexture();
}

// The swap chain goes before the window it shows.
GpuWindowSurface::~GpuWindowSurface() { swapChain_.reset(); }

void GpuWindowSurface::ReleaseGpuObject() { swapChain_.reset(); }

float GpuWindowSurface::GetDpiX() const { return window_->GetDpiX(); }
float GpuWindowSurface::GetDpiY() const { return window_->GetDpiY(); }

void GpuWindowSurface::MakePaintTexture() {
    paintTexture_ = std::make_shared<GpuRenderTexture>(Device(), size_, GXPixelFormatPARGB32,
                                                       GetDpiX(), GetDpiY());
    // A new image holds undefined values; a new window starts transparent (black on screen).
    const float transparent[4] = {0, 0, 0, 0};
    if (std::shared_ptr<GpuImage> image = paintTexture_->Image())
        Device()->ColorFill(image, nullptr, transparent);
}

std::shared_ptr<GpuRenderTexture> GpuWindowSurface::BeginPaint() {
    GXIntSize size{0, 0};
    if (!window_->GetClientSize(&size.width, &size.height)) GX_RAISE("The window does not exist");
    // Making the swap chain makes a lost device anew first.
    if (!swapChain_) swapChain_ = Device()->CreateSwapChainForWindow(window_);
    bool resized = size.width != size_.width || size.height != size_.height;
    size_ = size;
    if (swapChain_) swapChain_->Resize(uint32_t(size.width), uint32_t(size.height));
    if (resized || !paintTexture_->IsValid()) MakePaintTexture();
    return paintTexture_;
}

bool GpuWindowSurface::EndPaint() {
    GpuDevice& device = *Device();
    bool copied = false;
    std::shared_ptr<GpuImage> image = paintTexture_->Image();
    if (image && swapChain_ && !device.IsLost()) {
        device.CopyResource(image, swapChain_);
        copied = !device.IsLost();
    }
    // Releases every GPU object and makes the device anew.
    if (device.IsLost()) device.Present();
    return copied;
}

void GpuWindowSurface::Present() {
    // Held here: a loss found while presenting releases the surface's own reference.
    std::shared_ptr<GpuSwapChain> chain = swapChain_;
    if (!chain) return;
    GpuDevice& device = *Device();
    std::shared_ptr<GpuImage> image = paintTexture_->Image();
    if (image && !chain->HasBackBuffer()) device.CopyResource(image, chain);
    device.Present(chain.get());
}

}  // namespace Graphics
