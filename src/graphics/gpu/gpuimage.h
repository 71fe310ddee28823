#pragma once

#include <cstdint>
#include <memory>

#include "graphics/gpu/gpulogicaldevice.h"

namespace Graphics {

// A Vulkan image in device memory with its views, destroyed with the last reference. It
// lives in the general layout from creation on, so copies, sampling and rendering may follow
// one another with plain memory barriers.
class GpuImage {
public:
    struct Description {
        uint32_t width;                // at least 1
        uint32_t height;               // at least 1
        uint32_t mipLevels;            // at least 1
        VkFormat format;               // B8G8R8A8_UNORM or R8_UNORM
        VkComponentMapping swizzle;    // applied when shaders sample the image
        bool renderTarget;             // also a colour attachment
    };

    // A new image, or null with the failure returned.
    static VkResult Create(std::shared_ptr<GpuLogicalDevice> device, const Description& description,
                           std::shared_ptr<GpuImage>* out);
    ~GpuImage();
    GpuImage(const GpuImage&) = delete;
    GpuImage& operator=(const GpuImage&) = delete;

    VkImage Handle() const { return image_; }
    VkImageView SampledView() const { return sampledView_; }
    VkImageView AttachmentView() const { return attachmentView_; }
    const Description& Describe() const { return description_; }

private:
    GpuImage() = default;

    std::shared_ptr<GpuLogicalDevice> device_;  // destroyed after this image
    Description description_{};
    VkImage image_ = VK_NULL_HANDLE;
    VkDeviceMemory memory_ = VK_NULL_HANDLE;
    VkDeviceSize bytes_ = 0;                        // counted against the memory budget
    VkImageView sampledView_ = VK_NULL_HANDLE;      // all levels, with the swizzle
    VkImageView attachmentView_ = VK_NULL_HANDLE;   // level 0, identity; render targets only
};

}  // namespace Graphics
