#pragma once

#include <cstdint>
#include <memory>

#include "graphics/gpu/gpulogicaldevice.h"

namespace Graphics {

// A Vulkan buffer in host-visible, coherent memory: staging surfaces, dynamic vertex buffers
// and per-draw constants. Mapped while the CPU reads or writes it, from Map to Unmap (or to
// the end of its life). Destroyed with the last reference.
class GpuBuffer {
public:
    // A new buffer of `bytes` (at least 1) for `usage`, or null with the failure returned.
    static VkResult Create(std::shared_ptr<GpuLogicalDevice> device, VkDeviceSize bytes,
                           VkBufferUsageFlags usage, std::shared_ptr<GpuBuffer>* out);
    ~GpuBuffer();
    GpuBuffer(const GpuBuffer&) = delete;
    GpuBuffer& operator=(const GpuBuffer&) = delete;

    VkBuffer Handle() const { return buffer_; }
    // The bytes, mapped on first call after Unmap; null with the failure in `result`.
    uint8_t* Map(VkResult& result);
    void Unmap();
    // The current mapping, null while unmapped.
    uint8_t* Bytes() const { return bytes_; }

private:
    GpuBuffer() = default;

    std::shared_ptr<GpuLogicalDevice> device_;  // destroyed after this buffer
    VkBuffer buffer_ = VK_NULL_HANDLE;
    VkDeviceMemory memory_ = VK_NULL_HANDLE;
    VkDeviceSize allocated_ = 0;  // bytes counted against the memory budget
    uint8_t* bytes_ = nullptr;    // the mapping from Map to Unmap, else null
};

}  // namespace Graphics
