#pragma once

#include <memory>

namespace Graphics {

class GpuDevice;
class GpuVulkan;

// The GPU renderer's hold on the system: the Vulkan instance and the one device that every
// render target, texture, shader and cache made through it shares.
class GpuContext {
public:
    // A context on the first Vulkan 1.3 device that works, discrete and integrated GPUs
    // before virtual and CPU ones; empty when the system has no Vulkan loader, driver or
    // such device (there is then no GPU path). Raises "Failed to load shaderc module" when
    // the compiler cannot start.
    static std::shared_ptr<GpuContext> Create();
    // Releases the device's GPU objects and caches, which also ends the references they
    // hold to the device.
    ~GpuContext();
    GpuContext(const GpuContext&) = delete;
    GpuContext& operator=(const GpuContext&) = delete;

    const std::shared_ptr<GpuDevice>& Device() const { return device_; }

private:
    GpuContext() = default;

    std::shared_ptr<GpuVulkan> vulkan_;
    std::shared_ptr<GpuDevice> device_;
};

}  // namespace Graphics
