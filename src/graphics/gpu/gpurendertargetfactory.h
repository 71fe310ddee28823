#pragma once

#include <memory>

#include "graphics/target/hwrendertargetfactory.h"

namespace Graphics {

class GpuContext;

// The hardware factory a thread gets by enabling acceleration: GPU window targets on the
// thread's own Vulkan context and device.
class GpuRenderTargetFactory : public HwRenderTargetFactory {
public:
    // Raises "Vulkan error" when the system has no usable Vulkan device, and "Failed to load
    // shaderc module" when the shader compiler cannot start.
    GpuRenderTargetFactory();
    ~GpuRenderTargetFactory() override;

    // Empty while the device is lost, or when the window cannot be presented to (no swap
    // chain for it, or a failure making the surface or the render target).
    std::shared_ptr<RenderTargetBase> CreateWindowRenderTarget(
        const std::shared_ptr<Platform::X11Window>& window) override;

    const std::shared_ptr<GpuContext>& Context() const { return context_; }

private:
    std::shared_ptr<GpuContext> context_;  // never empty
};

}  // namespace Graphics
