#pragma once

#include <cstdint>
#include <memory>

#include "graphics/gpu/gpulogicaldevice.h"

namespace Graphics {

// A Vulkan buffer in host-visible, coherent memory, mapped for its whole life: staging
// surfaces, dynamic vertex buffers and per-draw constants. Destroyed with the last reference.
class GpuBuffer {
public:
    // A new buffer of `bytes` (at least 1) for `usage`, or null with the failure returned.
    static VkResult Create(std::shared_ptr<GpuLogicalDevice> device, VkDeviceSize bytes,
                           VkBufferUsageFlags usage, std::shared_ptr<GpuBuffer>* out);
    ~GpuBuffer();
    GpuBuffer(const GpuBuffer&) = delete;
    GpuBuffer& operator=(const GpuBuffer&) = delete;

    VkBuffer Handle() const { return buffer_; }
    uint8_t* Bytes() const { return bytes_; }

private:
    GpuBuffer() = default;

    std::shared_ptr<GpuLogicalDevice> device_;  // destroyed after this buffer
    VkBuffer buffer_ = VK_NULL_HANDLE;
    VkDeviceMemory memory_ = VK_NULL_HANDLE;
    VkDeviceSize allocated_ = 0;  // bytes counted against the memory budget
    uint8_t* bytes_ = nullptr;    // the mapping, valid while the buffer lives
};

}  // namespace Graphics
