#pragma once

#include <memory>

#include "graphics/gpu/gpulogicaldevice.h"

namespace Graphics {

// One Vulkan object of a logical device (a pipeline, a sampler) that recorded work may
// still use after its owner let go: destroyed by `destroy` when the last reference drops.
template <typename Handle>
class GpuHandle {
public:
    using Destroy = void (*)(const GpuDeviceFunctions&, VkDevice, Handle);

    GpuHandle(std::shared_ptr<GpuLogicalDevice> device, Handle handle, Destroy destroy)
        : device_(std::move(device)), handle_(handle), destroy_(destroy) {}
    ~GpuHandle() { destroy_(device_->Fn(), device_->Device(), handle_); }
    GpuHandle(const GpuHandle&) = delete;
    GpuHandle& operator=(const GpuHandle&) = delete;

    Handle Get() const { return handle_; }

private:
    std::shared_ptr<GpuLogicalDevice> device_;  // destroyed after the handle
    Handle handle_;                             // never null
    Destroy destroy_;
};

}  // namespace Graphics
