#include "graphics/gpu/gpubuffer.h"

namespace Graphics {

VkResult GpuBuffer::Create(std::shared_ptr<GpuLogicalDevice> device, VkDeviceSize bytes,
                           VkBufferUsageFlags usage, std::shared_ptr<GpuBuffer>* out) {
    out->reset();
    std::shared_ptr<GpuBuffer> buffer(new GpuBuffer());
    buffer->device_ = std::move(device);
    GpuLogicalDevice& d = *buffer->device_;
    const GpuDeviceFunctions& fn = d.Fn();
    VkBufferCreateInfo info{VK_STRUCTURE_TYPE_BUFFER_CREATE_INFO};
    info.size = bytes;
    info.usage = usage;
    VkResult r = fn.vkCreateBuffer(d.Device(), &info, nullptr, &buffer->buffer_);
    if (r != VK_SUCCESS) {
        buffer->buffer_ = VK_NULL_HANDLE;
        return r;
    }
    VkMemoryRequirements requirements;
    fn.vkGetBufferMemoryRequirements(d.Device(), buffer->buffer_, &requirements);
    if ((r = d.Allocate(requirements,
                        VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT | VK_MEMORY_PROPERTY_HOST_COHERENT_BIT,
                        &buffer->memory_)))
        return r;
    buffer->allocated_ = requirements.size;
    if ((r = fn.vkBindBufferMemory(d.Device(), buffer->buffer_, buffer->memory_, 0))) return r;
    *out = std::move(buffer);
    return VK_SUCCESS;
}

uint8_t* GpuBuffer::Map(VkResult& result) {
    result = VK_SUCCESS;
    if (bytes_) return bytes_;
    void* mapped = nullptr;
    result = device_->Fn().vkMapMemory(device_->Device(), memory_, 0, VK_WHOLE_SIZE, 0, &mapped);
    if (result == VK_SUCCESS) bytes_ = static_cast<uint8_t*>(mapped);
    return bytes_;
}

void GpuBuffer::Unmap() {
    if (!bytes_) return;
    device_->Fn().vkUnmapMemory(device_->Device(), memory_);
    bytes_ = nullptr;
}

GpuBuffer::~GpuBuffer() {
    GpuLogicalDevice& d = *device_;
    Unmap();
    if (buffer_) d.Fn().vkDestroyBuffer(d.Device(), buffer_, nullptr);
    d.Free(memory_, allocated_);
}

}  // namespace Graphics
