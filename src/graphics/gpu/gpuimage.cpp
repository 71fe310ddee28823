#include "graphics/gpu/gpuimage.h"

namespace Graphics {

VkResult GpuImage::Create(std::shared_ptr<GpuLogicalDevice> device, const Description& description,
                          std::shared_ptr<GpuImage>* out) {
    out->reset();
    std::shared_ptr<GpuImage> image(new GpuImage());
    image->device_ = std::move(device);
    image->description_ = description;
    GpuLogicalDevice& d = *image->device_;
    const GpuDeviceFunctions& fn = d.Fn();

    VkImageCreateInfo info{VK_STRUCTURE_TYPE_IMAGE_CREATE_INFO};
    info.imageType = VK_IMAGE_TYPE_2D;
    info.format = description.format;
    info.extent = {description.width, description.height, 1};
    info.mipLevels = description.mipLevels;
    info.arrayLayers = 1;
    info.samples = VK_SAMPLE_COUNT_1_BIT;
    info.tiling = VK_IMAGE_TILING_OPTIMAL;
    info.usage = VK_IMAGE_USAGE_SAMPLED_BIT | VK_IMAGE_USAGE_TRANSFER_SRC_BIT |
                 VK_IMAGE_USAGE_TRANSFER_DST_BIT |
                 (description.renderTarget ? VK_IMAGE_USAGE_COLOR_ATTACHMENT_BIT : 0);
    VkResult r = fn.vkCreateImage(d.Device(), &info, nullptr, &image->image_);
    if (r != VK_SUCCESS) {
        image->image_ = VK_NULL_HANDLE;
        return r;
    }
    VkMemoryRequirements requirements;
    fn.vkGetImageMemoryRequirements(d.Device(), image->image_, &requirements);
    if ((r = d.Allocate(requirements, VK_MEMORY_PROPERTY_DEVICE_LOCAL_BIT, &image->memory_)))
        return r;
    image->bytes_ = requirements.size;
    if ((r = fn.vkBindImageMemory(d.Device(), image->image_, image->memory_, 0))) return r;

    VkImageViewCreateInfo view{VK_STRUCTURE_TYPE_IMAGE_VIEW_CREATE_INFO};
    view.image = image->image_;
    view.viewType = VK_IMAGE_VIEW_TYPE_2D;
    view.format = description.format;
    view.components = description.swizzle;
    view.subresourceRange = {VK_IMAGE_ASPECT_COLOR_BIT, 0, description.mipLevels, 0, 1};
    if ((r = fn.vkCreateImageView(d.Device(), &view, nullptr, &image->sampledView_))) return r;
    if (description.renderTarget) {
        // Attachments must not swizzle: the render target writes the channels as stored.
        view.components = {};
        view.subresourceRange.levelCount = 1;
        if ((r = fn.vkCreateImageView(d.Device(), &view, nullptr, &image->attachmentView_)))
            return r;
    }

    VkCommandBuffer commands;
    if ((r = d.Commands(&commands))) return r;
    d.Transition(commands, image->image_, description.mipLevels, VK_IMAGE_LAYOUT_UNDEFINED,
                 VK_IMAGE_LAYOUT_GENERAL, VK_PIPELINE_STAGE_TOP_OF_PIPE_BIT, 0,
                 VK_PIPELINE_STAGE_ALL_COMMANDS_BIT,
                 VK_ACCESS_MEMORY_READ_BIT | VK_ACCESS_MEMORY_WRITE_BIT);
    *out = std::move(image);
    return VK_SUCCESS;
}

GpuImage::~GpuImage() {
    GpuLogicalDevice& d = *device_;
    const GpuDeviceFunctions& fn = d.Fn();
    if (attachmentView_) fn.vkDestroyImageView(d.Device(), attachmentView_, nullptr);
    if (sampledView_) fn.vkDestroyImageView(d.Device(), sampledView_, nullptr);
    if (image_) fn.vkDestroyImage(d.Device(), image_, nullptr);
    d.Free(memory_, bytes_);
}

}  // namespace Graphics
