#include "graphics/gpu/gpudevice.h"

#include <algorithm>
#include <cfloat>
#include <cstring>

#include "graphics/bitmap/bitmapsource.h"
#include "graphics/core/exception.h"
#include "graphics/gpu/gpubitmapcache.h"
#include "graphics/gpu/gpushadercache.h"
#include "graphics/gpu/gpuswapchain.h"
#include "graphics/gpu/gpuvulkan.h"

namespace Graphics {

namespace {

constexpr uint32_t VertexStride = 24;  // float2 position, float4 colour

struct GpuFormat {
    VkFormat format;             // VK_FORMAT_UNDEFINED: no GPU form
    VkComponentMapping swizzle;  // how shaders see the stored channels
    uint32_t pixelBytes;
};

// The pixel formats textures can have. A8 is stored in a red channel and read as alpha;
// RGB32 leaves its fourth byte undefined, so shaders read alpha as one.
GpuFormat FormatOf(GXPixelFormat format) {
    constexpr VkComponentSwizzle I = VK_COMPONENT_SWIZZLE_IDENTITY;
    switch (format) {
        case GXPixelFormatPARGB32:
        case GXPixelFormatARGB32: return {VK_FORMAT_B8G8R8A8_UNORM, {I, I, I, I}, 4};
        case GXPixelFormatRGB32:
            return {VK_FORMAT_B8G8R8A8_UNORM, {I, I, I, VK_COMPONENT_SWIZZLE_ONE}, 4};
        case GXPixelFormatA8:
            return {VK_FORMAT_R8_UNORM,
                    {VK_COMPONENT_SWIZZLE_ZERO, VK_COMPONENT_SWIZZLE_ZERO, VK_COMPONENT_SWIZZLE_ZERO,
                     VK_COMPONENT_SWIZZLE_R},
                    1};
        case GXPixelFormatGray8: return {VK_FORMAT_R8_UNORM, {I, I, I, I}, 1};
        default: return {VK_FORMAT_UNDEFINED, {I, I, I, I}, 0};
    }
}

bool OutOfMemory(VkResult r) {
    return r == VK_ERROR_OUT_OF_DEVICE_MEMORY || r == VK_ERROR_OUT_OF_HOST_MEMORY;
}

VkSamplerAddressMode AddressMode(int32_t code) {
    if (code == 1) return VK_SAMPLER_ADDRESS_MODE_REPEAT;
    if (code == 2) return VK_SAMPLER_ADDRESS_MODE_MIRRORED_REPEAT;
    return VK_SAMPLER_ADDRESS_MODE_CLAMP_TO_EDGE;
}

// `rect` (null: the whole `width` x `height`) as a Vulkan offset and extent.
void RegionOf(const GXIntRect* rect, uint32_t width, uint32_t height, VkOffset3D& offset,
              VkExtent3D& extent) {
    if (!rect) {
        offset = {0, 0, 0};
        extent = {width, height, 1};
        return;
    }
    offset = {rect->left, rect->top, 0};
    extent = {uint32_t(rect->right - rect->left), uint32_t(rect->bottom - rect->top), 1};
}

}  // namespace

GpuDevice::GpuDevice(std::shared_ptr<GpuVulkan> vulkan, VkPhysicalDevice physical,
                     uint32_t queueFamily)
    : vulkan_(std::move(vulkan)), physical_(physical), queueFamily_(queueFamily) {
    VkPhysicalDeviceProperties properties;
    vulkan_->Functions().vkGetPhysicalDeviceProperties(physical_, &properties);
    maxTextureSize_ = properties.limits.maxImageDimension2D;
    CreateDevice();
}

GpuDevice::~GpuDevice() { ReleaseDeviceObjects(); }

void GpuDevice::CreateDevice() {
    VkResult r;
    std::shared_ptr<GpuLogicalDevice> device =
        GpuLogicalDevice::Create(vulkan_, physical_, queueFamily_, r);
    if (!device) GX_RAISE("Vulkan error");
    device->SetMemoryBudget(memoryBudget_);
    device_ = std::move(device);
    lost_ = false;
}

VkResult GpuDevice::CheckResult(VkResult result) {
    if (lossOnNextCall_) {
        lossOnNextCall_ = false;
        result = VK_ERROR_DEVICE_LOST;
    }
    if (result == VK_ERROR_DEVICE_LOST) {
        lost_ = true;
        return VK_SUCCESS;
    }
    return result;
}

template <typename Create>
VkResult GpuDevice::CreateWithRetry(Create create) {
    VkResult r = create();
    while (OutOfMemory(r) && tracker_.EvictOne()) {
        // What was evicted may still be held by recorded work: finishing it frees the memory.
        if (device_->HasPendingCommands()) device_->Submit();
        r = create();
    }
    return CheckResult(r);
}

std::shared_ptr<GpuStagingSurface> GpuDevice::CreateSysMemSurface(uint32_t width, uint32_t height,
                                                                  GXPixelFormat format) {
    GpuFormat gpu = FormatOf(format);
    if (!gpu.format) GX_RAISE("Unsuported pixel format");
    if (lost_) return {};
    auto surface = std::make_shared<GpuStagingSurface>();
    surface->width = width;
    surface->height = height;
    surface->pixelBytes = gpu.pixelBytes;
    surface->rowPitch = uint32_t((uint64_t(width) * gpu.pixelBytes + 15) & ~uint64_t(15));
    VkDeviceSize bytes = std::max<VkDeviceSize>(VkDeviceSize(surface->rowPitch) * height, 1);
    VkResult r = CreateWithRetry([&] {
        return GpuBuffer::Create(device_, bytes,
                                 VK_BUFFER_USAGE_TRANSFER_SRC_BIT | VK_BUFFER_USAGE_TRANSFER_DST_BIT,
                                 &surface->buffer);
    });
    if (r) GX_RAISE("Vulkan error");
    if (!surface->buffer) return {};
    return surface;
}

std::shared_ptr<GpuImage> GpuDevice::CreateImage(int32_t width, int32_t height,
                                                 GXPixelFormat format, uint32_t mipLevels,
                                                 bool renderTarget) {
    GpuFormat gpu = FormatOf(format);
    if (!gpu.format) GX_RAISE("Unsuported pixel format");
    GpuImage::Description description{uint32_t(std::max(width, 1)), uint32_t(std::max(height, 1)),
                                      mipLevels, gpu.format, gpu.swizzle, renderTarget};
    if (description.width > maxTextureSize_ || description.height > maxTextureSize_)
        GX_RAISE("Texture is too big");
    if (mipLevels == 0) {
        // The full chain: levels halve (rounding down, never below 1) until 1 x 1.
        uint32_t largest = std::max(description.width, description.height);
        while (largest >> description.mipLevels) ++description.mipLevels;
    }
    std::shared_ptr<GpuImage> image;
    if (lost_) return image;
    VkResult r = CreateWithRetry([&] { return GpuImage::Create(device_, description, &image); });
    if (r) GX_RAISE("Vulkan error");
    return image;
}

std::shared_ptr<GpuImage> GpuDevice::CreateVidMemTexture(int32_t width, int32_t height,
                                                         GXPixelFormat format, bool wantMipmaps) {
    return CreateImage(width, height, format, wantMipmaps ? 0 : 1, false);
}

std::shared_ptr<GpuImage> GpuDevice::CreateRenderTexture(int32_t width, int32_t height,
                                                         GXPixelFormat format) {
    return CreateImage(width, height, format, 1, true);
}

std::shared_ptr<GpuBuffer> GpuDevice::CreateVertexBuffer(uint32_t bytes) {
    std::shared_ptr<GpuBuffer> buffer;
    if (lost_) return buffer;
    VkResult r = CreateWithRetry([&] {
        return GpuBuffer::Create(device_, std::max(bytes, 1u), VK_BUFFER_USAGE_VERTEX_BUFFER_BIT,
                                 &buffer);
    });
    if (r) GX_RAISE("Vulkan error");
    return buffer;
}

std::shared_ptr<GpuBuffer> GpuDevice::CreateConstantBuffer(const void* data, uint32_t bytes) {
    std::shared_ptr<GpuBuffer> buffer;
    if (lost_) return buffer;
    VkResult r = CreateWithRetry([&] {
        return GpuBuffer::Create(device_, std::max(bytes, 1u), VK_BUFFER_USAGE_UNIFORM_BUFFER_BIT,
                                 &buffer);
    });
    if (r) GX_RAISE("Vulkan error");
    if (!buffer) return buffer;
    // Written once here and never again: the buffer is immutable from now on.
    uint8_t* bytesOut = buffer->Map(r);
    if (CheckResult(r)) GX_RAISE("Vulkan error");
    if (!bytesOut) return {};
    std::memcpy(bytesOut, data, bytes);
    buffer->Unmap();
    return buffer;
}

std::shared_ptr<GpuPipeline> GpuDevice::CreatePipeline(const std::vector<uint32_t>& vertexCode,
                                                       const std::vector<uint32_t>& pixelCode,
                                                       uint32_t renderTargets,
                                                       bool fastComposition) {
    if (lost_) return {};
    const GpuDeviceFunctions& fn = device_->Fn();
    VkDevice device = device_->Device();
    VkShaderModule modules[2] = {VK_NULL_HANDLE, VK_NULL_HANDLE};
    VkPipeline pipeline = VK_NULL_HANDLE;
    VkResult r = CreateWithRetry([&] {
        const std::vector<uint32_t>* code[2] = {&vertexCode, &pixelCode};
        for (int i = 0; i < 2; ++i) {
            if (modules[i]) continue;
            VkShaderModuleCreateInfo info{VK_STRUCTURE_TYPE_SHADER_MODULE_CREATE_INFO};
            info.codeSize = code[i]->size() * sizeof(uint32_t);
            info.pCode = code[i]->data();
            VkResult made = fn.vkCreateShaderModule(device, &info, nullptr, &modules[i]);
            if (made) {
                modules[i] = VK_NULL_HANDLE;
                return made;
            }
        }
        VkPipelineShaderStageCreateInfo stages[2] = {
            {VK_STRUCTURE_TYPE_PIPELINE_SHADER_STAGE_CREATE_INFO},
            {VK_STRUCTURE_TYPE_PIPELINE_SHADER_STAGE_CREATE_INFO}};
        stages[0].stage = VK_SHADER_STAGE_VERTEX_BIT;
        stages[0].module = modules[0];
        stages[0].pName = "VS";
        stages[1].stage = VK_SHADER_STAGE_FRAGMENT_BIT;
        stages[1].module = modules[1];
        stages[1].pName = "PS";

        VkVertexInputBindingDescription binding{0, VertexStride, VK_VERTEX_INPUT_RATE_VERTEX};
        VkVertexInputAttributeDescription attributes[2] = {
            {0, 0, VK_FORMAT_R32G32_SFLOAT, 0},         // POSITION
            {1, 0, VK_FORMAT_R32G32B32A32_SFLOAT, 8}};  // COLOR0
        VkPipelineVertexInputStateCreateInfo input{VK_STRUCTURE_TYPE_PIPELINE_VERTEX_INPUT_STATE_CREATE_INFO};
        input.vertexBindingDescriptionCount = 1;
        input.pVertexBindingDescriptions = &binding;
        input.vertexAttributeDescriptionCount = 2;
        input.pVertexAttributeDescriptions = attributes;
        VkPipelineInputAssemblyStateCreateInfo assembly{VK_STRUCTURE_TYPE_PIPELINE_INPUT_ASSEMBLY_STATE_CREATE_INFO};
        assembly.topology = VK_PRIMITIVE_TOPOLOGY_TRIANGLE_STRIP;
        VkPipelineViewportStateCreateInfo viewport{VK_STRUCTURE_TYPE_PIPELINE_VIEWPORT_STATE_CREATE_INFO};
        viewport.viewportCount = 1;
        viewport.scissorCount = 1;
        // Solid fill, no culling (strips stitch pieces of either winding), no depth bias.
        VkPipelineRasterizationStateCreateInfo raster{VK_STRUCTURE_TYPE_PIPELINE_RASTERIZATION_STATE_CREATE_INFO};
        raster.polygonMode = VK_POLYGON_MODE_FILL;
        raster.cullMode = VK_CULL_MODE_NONE;
        raster.frontFace = VK_FRONT_FACE_CLOCKWISE;
        raster.lineWidth = 1;
        VkPipelineMultisampleStateCreateInfo multisample{VK_STRUCTURE_TYPE_PIPELINE_MULTISAMPLE_STATE_CREATE_INFO};
        multisample.rasterizationSamples = VK_SAMPLE_COUNT_1_BIT;
        VkPipelineDepthStencilStateCreateInfo depth{VK_STRUCTURE_TYPE_PIPELINE_DEPTH_STENCIL_STATE_CREATE_INFO};
        // Premultiplied source over: colour and alpha ONE, INV_SRC_ALPHA. The compositions
        // that compute the result themselves keep the source alpha (destination factor 0).
        VkPipelineColorBlendAttachmentState blend{};
        blend.blendEnable = VK_TRUE;
        blend.srcColorBlendFactor = VK_BLEND_FACTOR_ONE;
        blend.dstColorBlendFactor = VK_BLEND_FACTOR_ONE_MINUS_SRC_ALPHA;
        blend.colorBlendOp = VK_BLEND_OP_ADD;
        blend.srcAlphaBlendFactor = VK_BLEND_FACTOR_ONE;
        blend.dstAlphaBlendFactor =
            fastComposition ? VK_BLEND_FACTOR_ONE_MINUS_SRC_ALPHA : VK_BLEND_FACTOR_ZERO;
        blend.alphaBlendOp = VK_BLEND_OP_ADD;
        blend.colorWriteMask = 0xF;
        VkPipelineColorBlendAttachmentState blends[RenderTargetCount] = {blend, blend};
        VkPipelineColorBlendStateCreateInfo blendState{VK_STRUCTURE_TYPE_PIPELINE_COLOR_BLEND_STATE_CREATE_INFO};
        blendState.attachmentCount = renderTargets;
        blendState.pAttachments = blends;
        VkDynamicState dynamics[2] = {VK_DYNAMIC_STATE_VIEWPORT, VK_DYNAMIC_STATE_SCISSOR};
        VkPipelineDynamicStateCreateInfo dynamic{VK_STRUCTURE_TYPE_PIPELINE_DYNAMIC_STATE_CREATE_INFO};
        dynamic.dynamicStateCount = 2;
        dynamic.pDynamicStates = dynamics;
        VkFormat formats[RenderTargetCount] = {VK_FORMAT_B8G8R8A8_UNORM, VK_FORMAT_B8G8R8A8_UNORM};
        VkPipelineRenderingCreateInfo rendering{VK_STRUCTURE_TYPE_PIPELINE_RENDERING_CREATE_INFO};
        rendering.colorAttachmentCount = renderTargets;
        rendering.pColorAttachmentFormats = formats;

        VkGraphicsPipelineCreateInfo info{VK_STRUCTURE_TYPE_GRAPHICS_PIPELINE_CREATE_INFO};
        info.pNext = &rendering;
        info.stageCount = 2;
        info.pStages = stages;
        info.pVertexInputState = &input;
        info.pInputAssemblyState = &assembly;
        info.pViewportState = &viewport;
        info.pRasterizationState = &raster;
        info.pMultisampleState = &multisample;
        info.pDepthStencilState = &depth;
        info.pColorBlendState = &blendState;
        info.pDynamicState = &dynamic;
        info.layout = device_->PipelineLayout();
        VkResult made = fn.vkCreateGraphicsPipelines(device, VK_NULL_HANDLE, 1, &info, nullptr, &pipeline);
        if (made) pipeline = VK_NULL_HANDLE;
        return made;
    });
    for (VkShaderModule module : modules)
        if (module) fn.vkDestroyShaderModule(device, module, nullptr);
    if (r) GX_RAISE("Vulkan error");
    if (!pipeline) return {};
    return std::make_shared<GpuPipeline>(
        device_, pipeline,
        [](const GpuDeviceFunctions& f, VkDevice d, VkPipeline p) { f.vkDestroyPipeline(d, p, nullptr); });
}

std::shared_ptr<GpuSwapChain> GpuDevice::CreateSwapChainForWindow(
    std::shared_ptr<Platform::X11Window> window) {
    if (lost_) {
        ReleaseDeviceObjects();
        CreateDevice();
    }
    std::shared_ptr<GpuSwapChain> chain;
    VkResult r = CheckResult(
        GpuSwapChain::Create(device_, physical_, queueFamily_, std::move(window), &chain));
    if (r) GX_RAISE("Vulkan error");
    return chain;
}

void GpuDevice::SetRenderTarget(uint32_t slot, std::shared_ptr<GpuImage> image) {
    renderTargets_[slot] = lost_ ? nullptr : std::move(image);
}

void GpuDevice::SetTexture(uint32_t slot, std::shared_ptr<GpuImage> image) {
    textures_[slot] = lost_ ? nullptr : std::move(image);
}

void GpuDevice::SetSamplerState(uint32_t slot, int32_t addressU, int32_t addressV, int32_t filter) {
    samplers_[slot].reset();
    if (lost_) return;
    VkSamplerCreateInfo info{VK_STRUCTURE_TYPE_SAMPLER_CREATE_INFO};
    bool linear = filter == 1 || filter == 2;
    info.magFilter = info.minFilter = linear ? VK_FILTER_LINEAR : VK_FILTER_NEAREST;
    info.mipmapMode = filter == 2 ? VK_SAMPLER_MIPMAP_MODE_LINEAR : VK_SAMPLER_MIPMAP_MODE_NEAREST;
    info.addressModeU = AddressMode(addressU);
    info.addressModeV = AddressMode(addressV);
    info.addressModeW = VK_SAMPLER_ADDRESS_MODE_CLAMP_TO_EDGE;
    info.mipLodBias = -0.5f;
    info.maxAnisotropy = 1;
    info.compareOp = VK_COMPARE_OP_NEVER;
    info.minLod = 0;
    info.maxLod = VK_LOD_CLAMP_NONE;
    info.borderColor = VK_BORDER_COLOR_FLOAT_TRANSPARENT_BLACK;
    VkSampler sampler = VK_NULL_HANDLE;
    const GpuDeviceFunctions& fn = device_->Fn();
    VkResult r = CreateWithRetry([&] {
        VkResult made = fn.vkCreateSampler(device_->Device(), &info, nullptr, &sampler);
        if (made) sampler = VK_NULL_HANDLE;
        return made;
    });
    if (r) GX_RAISE("Vulkan error");
    if (!sampler) return;
    samplers_[slot] = std::make_shared<GpuSampler>(
        device_, sampler,
        [](const GpuDeviceFunctions& f, VkDevice d, VkSampler s) { f.vkDestroySampler(d, s, nullptr); });
}

void GpuDevice::SetConstantBuffer(Stage stage, std::shared_ptr<GpuBuffer> buffer) {
    constants_[stage] = lost_ ? nullptr : std::move(buffer);
}

void GpuDevice::SetPipeline(std::shared_ptr<GpuPipeline> pipeline, uint32_t renderTargets) {
    if (lost_) return;
    pipeline_ = std::move(pipeline);
    pipelineTargets_ = renderTargets;
}

void GpuDevice::SetVertexBuffer(std::shared_ptr<GpuBuffer> buffer) {
    vertexBuffer_ = lost_ ? nullptr : std::move(buffer);
}

VkCommandBuffer GpuDevice::Record() {
    VkCommandBuffer commands = VK_NULL_HANDLE;
    VkResult r = CheckResult(device_->Commands(&commands));
    if (r) GX_RAISE("Vulkan error");
    if (lost_) return VK_NULL_HANDLE;
    device_->Barrier(commands);
    return commands;
}

void GpuDevice::Draw(uint32_t vertexCount) {
    if (lost_ || !pipeline_ || !vertexBuffer_ || !renderTargets_[0] || vertexCount < 3) return;
    VkDescriptorSet set;
    VkResult r = CheckResult(device_->AllocateDescriptorSet(&set));
    if (r) GX_RAISE("Vulkan error");
    VkCommandBuffer commands = Record();
    if (!commands) return;

    // Empty slots get the device's transparent image, clamping sampler and zero constants,
    // which read as the null bindings of the shader model the shaders are written for.
    VkDescriptorImageInfo images[SlotCount], samplers[SlotCount];
    for (uint32_t i = 0; i < SlotCount; ++i) {
        images[i] = {VK_NULL_HANDLE, textures_[i] ? textures_[i]->SampledView() : device_->EmptyView(),
                     VK_IMAGE_LAYOUT_GENERAL};
        samplers[i] = {samplers_[i] ? samplers_[i]->Get() : device_->EmptySampler(), VK_NULL_HANDLE,
                       VK_IMAGE_LAYOUT_UNDEFINED};
        if (textures_[i]) device_->Retain(textures_[i]);
        if (samplers_[i]) device_->Retain(samplers_[i]);
    }
    VkDescriptorBufferInfo buffers[2];
    for (int stage = 0; stage < 2; ++stage) {
        buffers[stage] = {constants_[stage] ? constants_[stage]->Handle() : device_->EmptyBuffer(), 0,
                          VK_WHOLE_SIZE};
        if (constants_[stage]) device_->Retain(constants_[stage]);
    }
    VkWriteDescriptorSet writes[4] = {};
    uint32_t bindings[4] = {GpuLogicalDevice::TextureBinding, GpuLogicalDevice::SamplerBinding,
                            GpuLogicalDevice::VertexConstantBinding,
                            GpuLogicalDevice::PixelConstantBinding};
    for (int i = 0; i < 4; ++i) {
        writes[i].sType = VK_STRUCTURE_TYPE_WRITE_DESCRIPTOR_SET;
        writes[i].dstSet = set;
        writes[i].dstBinding = bindings[i];
        writes[i].descriptorCount = i < 2 ? SlotCount : 1;
    }
    writes[0].descriptorType = VK_DESCRIPTOR_TYPE_SAMPLED_IMAGE;
    writes[0].pImageInfo = images;
    writes[1].descriptorType = VK_DESCRIPTOR_TYPE_SAMPLER;
    writes[1].pImageInfo = samplers;
    writes[2].descriptorType = writes[3].descriptorType = VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER;
    writes[2].pBufferInfo = &buffers[0];
    writes[3].pBufferInfo = &buffers[1];
    const GpuDeviceFunctions& fn = device_->Fn();
    fn.vkUpdateDescriptorSets(device_->Device(), 4, writes, 0, nullptr);

    const GpuImage::Description& target = renderTargets_[0]->Describe();
    VkRenderingAttachmentInfo attachments[RenderTargetCount] = {};
    for (uint32_t i = 0; i < pipelineTargets_; ++i) {
        attachments[i].sType = VK_STRUCTURE_TYPE_RENDERING_ATTACHMENT_INFO;
        // A missing or non-target image leaves the slot unbound: its writes are dropped.
        attachments[i].imageView = renderTargets_[i] ? renderTargets_[i]->AttachmentView() : VK_NULL_HANDLE;
        attachments[i].imageLayout = VK_IMAGE_LAYOUT_GENERAL;
        attachments[i].loadOp = VK_ATTACHMENT_LOAD_OP_LOAD;
        attachments[i].storeOp = VK_ATTACHMENT_STORE_OP_STORE;
        if (renderTargets_[i]) device_->Retain(renderTargets_[i]);
    }
    VkRect2D area{{0, 0}, {target.width, target.height}};
    VkRenderingInfo rendering{VK_STRUCTURE_TYPE_RENDERING_INFO};
    rendering.renderArea = area;
    rendering.layerCount = 1;
    rendering.colorAttachmentCount = pipelineTargets_;
    rendering.pColorAttachments = attachments;
    fn.vkCmdBeginRendering(commands, &rendering);
    fn.vkCmdBindPipeline(commands, VK_PIPELINE_BIND_POINT_GRAPHICS, pipeline_->Get());
    fn.vkCmdBindDescriptorSets(commands, VK_PIPELINE_BIND_POINT_GRAPHICS, device_->PipelineLayout(),
                               0, 1, &set, 0, nullptr);
    VkBuffer vertices = vertexBuffer_->Handle();
    VkDeviceSize offset = 0;
    fn.vkCmdBindVertexBuffers(commands, 0, 1, &vertices, &offset);
    // The shaders' clip space has y pointing up, Vulkan's down: a viewport of negative
    // height, starting at the bottom edge, turns it over.
    VkViewport viewport{0, float(target.height), float(target.width), -float(target.height), 0, 1};
    fn.vkCmdSetViewport(commands, 0, 1, &viewport);
    fn.vkCmdSetScissor(commands, 0, 1, &area);
    fn.vkCmdDraw(commands, vertexCount, 1, 0, 0);
    ++drawCount_;
    fn.vkCmdEndRendering(commands);
    device_->Retain(pipeline_);
    device_->Retain(vertexBuffer_);
}

GXBitmapData GpuDevice::MapResource(const GpuStagingSurface& surface) {
    uint8_t* bytes = MapBuffer(*surface.buffer);
    if (!bytes) return {nullptr, 0, 0};
    return {bytes, int32_t(surface.width * surface.pixelBytes), int32_t(surface.rowPitch)};
}

uint8_t* GpuDevice::MapBuffer(GpuBuffer& buffer) {
    if (lost_) return nullptr;
    // Recorded work that reads or writes the buffer finishes first; the memory is coherent,
    // so nothing needs flushing either way. Work that does not touch the buffer stays
    // recorded, to be submitted with the rest of the frame.
    if (device_->Retains(&buffer)) Flush();
    if (lost_) return nullptr;
    VkResult r;
    uint8_t* bytes = buffer.Map(r);
    if (CheckResult(r)) GX_RAISE("Vulkan error");
    return lost_ ? nullptr : bytes;
}

void GpuDevice::UnmapResource(const GpuStagingSurface& surface) { UnmapResource(*surface.buffer); }

void GpuDevice::UnmapResource(GpuBuffer& buffer) {
    if (!lost_) buffer.Unmap();
}

void GpuDevice::CopyRect(const std::shared_ptr<GpuImage>& source, const GXIntRect* rect,
                         const std::shared_ptr<GpuImage>& destination, uint32_t level,
                         const GXIntPoint* point) {
    if (lost_ || (rect && IsEmptyRect(*rect))) return;
    VkCommandBuffer commands = Record();
    if (!commands) return;
    VkImageCopy region{};
    region.srcSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1};
    region.dstSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, level, 0, 1};
    RegionOf(rect, source->Describe().width, source->Describe().height, region.srcOffset,
             region.extent);
    region.dstOffset = {point ? point->x : 0, point ? point->y : 0, 0};
    device_->Fn().vkCmdCopyImage(commands, source->Handle(), VK_IMAGE_LAYOUT_GENERAL,
                                 destination->Handle(), VK_IMAGE_LAYOUT_GENERAL, 1, &region);
    device_->Retain(source);
    device_->Retain(destination);
}

void GpuDevice::CopyRect(const std::shared_ptr<GpuStagingSurface>& source, const GXIntRect* rect,
                         const std::shared_ptr<GpuImage>& destination, uint32_t level,
                         const GXIntPoint* point) {
    if (lost_ || (rect && IsEmptyRect(*rect))) return;
    VkCommandBuffer commands = Record();
    if (!commands) return;
    VkBufferImageCopy region{};
    VkOffset3D from;
    RegionOf(rect, source->width, source->height, from, region.imageExtent);
    region.bufferOffset = VkDeviceSize(from.y) * source->rowPitch + VkDeviceSize(from.x) * source->pixelBytes;
    region.bufferRowLength = source->rowPitch / source->pixelBytes;
    region.imageSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, level, 0, 1};
    region.imageOffset = {point ? point->x : 0, point ? point->y : 0, 0};
    device_->Fn().vkCmdCopyBufferToImage(commands, source->buffer->Handle(), destination->Handle(),
                                         VK_IMAGE_LAYOUT_GENERAL, 1, &region);
    // The buffer itself, so that mapping it knows the copy is pending.
    device_->Retain(source->buffer);
    device_->Retain(destination);
}

void GpuDevice::CopyRect(const std::shared_ptr<GpuImage>& source, uint32_t level,
                         const GXIntRect* rect,
                         const std::shared_ptr<GpuStagingSurface>& destination,
                         const GXIntPoint* point) {
    if (lost_ || (rect && IsEmptyRect(*rect))) return;
    VkCommandBuffer commands = Record();
    if (!commands) return;
    VkBufferImageCopy region{};
    RegionOf(rect, std::max(source->Describe().width >> level, 1u),
             std::max(source->Describe().height >> level, 1u), region.imageOffset, region.imageExtent);
    region.bufferOffset = VkDeviceSize(point ? point->y : 0) * destination->rowPitch +
                          VkDeviceSize(point ? point->x : 0) * destination->pixelBytes;
    region.bufferRowLength = destination->rowPitch / destination->pixelBytes;
    region.imageSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, level, 0, 1};
    device_->Fn().vkCmdCopyImageToBuffer(commands, source->Handle(), VK_IMAGE_LAYOUT_GENERAL,
                                         destination->buffer->Handle(), 1, &region);
    device_->Retain(source);
    device_->Retain(destination->buffer);
}

void GpuDevice::CopyResource(const std::shared_ptr<GpuImage>& source,
                             const std::shared_ptr<GpuImage>& destination) {
    const GpuImage::Description& from = source->Describe();
    const GpuImage::Description& to = destination->Describe();
    GXIntRect common{0, 0, int32_t(std::min(from.width, to.width)),
                     int32_t(std::min(from.height, to.height))};
    CopyRect(source, &common, destination, 0, nullptr);
}

void GpuDevice::CopyResource(const std::shared_ptr<GpuImage>& source,
                             const std::shared_ptr<GpuSwapChain>& destination) {
    if (lost_) return;
    VkImage backBuffer = VK_NULL_HANDLE;
    VkResult r = CheckResult(destination->AcquireBackBuffer(&backBuffer));
    if (r) GX_RAISE("Vulkan error");
    if (lost_ || !backBuffer) return;
    VkCommandBuffer commands = Record();
    if (!commands) return;
    const GpuDeviceFunctions& fn = device_->Fn();
    // The back buffer's old content is not kept: it goes from undefined to a copy target,
    // then to what presenting wants.
    device_->Transition(commands, backBuffer, 1, VK_IMAGE_LAYOUT_UNDEFINED,
                        VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, VK_PIPELINE_STAGE_ALL_COMMANDS_BIT, 0,
                        VK_PIPELINE_STAGE_TRANSFER_BIT, VK_ACCESS_TRANSFER_WRITE_BIT);
    const GpuImage::Description& from = source->Describe();
    VkExtent2D extent = destination->Extent();
    VkExtent3D common{std::min(from.width, extent.width), std::min(from.height, extent.height), 1};
    if (common.width < extent.width || common.height < extent.height) {
        VkClearColorValue black{{0, 0, 0, 1}};
        VkImageSubresourceRange all{VK_IMAGE_ASPECT_COLOR_BIT, 0, 1, 0, 1};
        fn.vkCmdClearColorImage(commands, backBuffer, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, &black,
                                1, &all);
        device_->Barrier(commands);
    }
    VkImageCopy region{};
    region.srcSubresource = region.dstSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1};
    region.extent = common;
    fn.vkCmdCopyImage(commands, source->Handle(), VK_IMAGE_LAYOUT_GENERAL, backBuffer,
                      VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, 1, &region);
    device_->Transition(commands, backBuffer, 1, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL,
                        VK_IMAGE_LAYOUT_PRESENT_SRC_KHR, VK_PIPELINE_STAGE_TRANSFER_BIT,
                        VK_ACCESS_TRANSFER_WRITE_BIT, VK_PIPELINE_STAGE_BOTTOM_OF_PIPE_BIT, 0);
    device_->Retain(source);
    device_->Retain(destination);
}

void GpuDevice::ColorFill(const std::shared_ptr<GpuImage>& image, const GXIntRect* rect,
                          const float color[4]) {
    if (lost_ || (rect && IsEmptyRect(*rect))) return;
    VkCommandBuffer commands = Record();
    if (!commands) return;
    const GpuImage::Description& d = image->Describe();
    VkClearColorValue value{{color[0], color[1], color[2], color[3]}};
    // A8 keeps its alpha in the red channel.
    if (d.format == VK_FORMAT_R8_UNORM && d.swizzle.a == VK_COMPONENT_SWIZZLE_R) value.float32[0] = color[3];
    const GpuDeviceFunctions& fn = device_->Fn();
    device_->Retain(image);
    if (!rect) {
        VkImageSubresourceRange all{VK_IMAGE_ASPECT_COLOR_BIT, 0, 1, 0, 1};
        fn.vkCmdClearColorImage(commands, image->Handle(), VK_IMAGE_LAYOUT_GENERAL, &value, 1, &all);
        return;
    }
    VkRenderingAttachmentInfo attachment{VK_STRUCTURE_TYPE_RENDERING_ATTACHMENT_INFO};
    attachment.imageView = image->AttachmentView();
    attachment.imageLayout = VK_IMAGE_LAYOUT_GENERAL;
    attachment.loadOp = VK_ATTACHMENT_LOAD_OP_LOAD;
    attachment.storeOp = VK_ATTACHMENT_STORE_OP_STORE;
    VkRenderingInfo rendering{VK_STRUCTURE_TYPE_RENDERING_INFO};
    rendering.renderArea = {{0, 0}, {d.width, d.height}};
    rendering.layerCount = 1;
    rendering.colorAttachmentCount = 1;
    rendering.pColorAttachments = &attachment;
    VkClearAttachment clear{VK_IMAGE_ASPECT_COLOR_BIT, 0, {value}};
    VkClearRect area{{{rect->left, rect->top},
                      {uint32_t(rect->right - rect->left), uint32_t(rect->bottom - rect->top)}},
                     0, 1};
    fn.vkCmdBeginRendering(commands, &rendering);
    fn.vkCmdClearAttachments(commands, 1, &clear, 1, &area);
    fn.vkCmdEndRendering(commands);
}

void GpuDevice::Flush() {
    if (lost_ || !device_) return;
    VkResult r = CheckResult(device_->Submit());
    if (r) GX_RAISE("Vulkan error");
}

void GpuDevice::Present(GpuSwapChain* swapChain) {
    Flush();
    if (!lost_ && swapChain) {
        VkResult r = CheckResult(swapChain->Present());
        if (r) GX_RAISE("Vulkan error");
    }
    if (lost_) {
        ReleaseDeviceObjects();
        CreateDevice();
    }
}

void GpuDevice::ReleaseDeviceObjects() {
    renderTargets_ = {};
    textures_ = {};
    samplers_ = {};
    constants_ = {};
    pipeline_.reset();
    vertexBuffer_.reset();
    bitmapCache_.reset();
    shaderCache_.reset();
    tracker_.ReleaseAll();
    // Work still recorded ends here: the objects it retains hold the logical device, which
    // would otherwise keep itself alive. Its result does not matter any more.
    if (device_) device_->Submit();
    // Until a device is made anew, everything acts as lost.
    device_.reset();
    lost_ = true;
}

std::shared_ptr<GpuShaderCache> GpuDevice::GetShaderCache() {
    if (!shaderCache_) shaderCache_ = std::make_shared<GpuShaderCache>(shared_from_this());
    return shaderCache_;
}

std::shared_ptr<GpuBitmapCache> GpuDevice::GetBitmapCache() {
    if (!bitmapCache_) bitmapCache_ = std::make_shared<GpuBitmapCache>(shared_from_this());
    return bitmapCache_;
}

void GpuDevice::SetMemoryBudget(uint64_t bytes) {
    memoryBudget_ = bytes;
    if (device_) device_->SetMemoryBudget(bytes);
}

uint64_t GpuDevice::MemoryInUse() const { return device_ ? device_->MemoryInUse() : 0; }

}  // namespace Graphics
