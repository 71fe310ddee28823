#include "graphics/gpu/gpulogicaldevice.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace Graphics {

namespace {

constexpr uint32_t DescriptorSetsPerPool = 256;
constexpr VkDeviceSize EmptyBufferBytes = 256;

bool OffersExtension(const GpuInstanceFunctions& fn, VkPhysicalDevice physical, const char* name) {
    uint32_t count = 0;
    if (fn.vkEnumerateDeviceExtensionProperties(physical, nullptr, &count, nullptr) != VK_SUCCESS)
        return false;
    std::vector<VkExtensionProperties> offered(count);
    if (fn.vkEnumerateDeviceExtensionProperties(physical, nullptr, &count, offered.data()) < 0)
        return false;
    for (uint32_t i = 0; i < count; ++i)
        if (std::strcmp(offered[i].extensionName, name) == 0) return true;
    return false;
}

}  // namespace

std::shared_ptr<GpuLogicalDevice> GpuLogicalDevice::Create(std::shared_ptr<GpuVulkan> vulkan,
                                                           VkPhysicalDevice physical,
                                                           uint32_t queueFamily,
                                                           VkResult& result) {
    std::shared_ptr<GpuLogicalDevice> device(new GpuLogicalDevice());
    device->vulkan_ = std::move(vulkan);
    result = device->Initialise(physical, queueFamily);
    if (result != VK_SUCCESS) return {};
    return device;
}

VkResult GpuLogicalDevice::Initialise(VkPhysicalDevice physical, uint32_t queueFamily) {
    const GpuInstanceFunctions& vi = vulkan_->Functions();
    vi.vkGetPhysicalDeviceMemoryProperties(physical, &memoryProperties_);
    float priority = 1;
    VkDeviceQueueCreateInfo queueInfo{VK_STRUCTURE_TYPE_DEVICE_QUEUE_CREATE_INFO};
    queueInfo.queueFamilyIndex = queueFamily;
    queueInfo.queueCount = 1;
    queueInfo.pQueuePriorities = &priority;
    VkPhysicalDeviceVulkan13Features features13{VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_VULKAN_1_3_FEATURES};
    features13.dynamicRendering = VK_TRUE;
    canPresent_ = vulkan_->HasWindowSystem() &&
                  OffersExtension(vi, physical, VK_KHR_SWAPCHAIN_EXTENSION_NAME);
    const char* swapchain = VK_KHR_SWAPCHAIN_EXTENSION_NAME;
    VkDeviceCreateInfo info{VK_STRUCTURE_TYPE_DEVICE_CREATE_INFO};
    info.pNext = &features13;
    info.queueCreateInfoCount = 1;
    info.pQueueCreateInfos = &queueInfo;
    info.enabledExtensionCount = canPresent_ ? 1 : 0;
    info.ppEnabledExtensionNames = &swapchain;
    VkResult r = vi.vkCreateDevice(physical, &info, nullptr, &device_);
    if (r != VK_SUCCESS) {
        device_ = VK_NULL_HANDLE;
        return r;
    }
    if (!vulkan_->LoadDeviceFunctions(device_, fn_)) return VK_ERROR_INITIALIZATION_FAILED;
    fn_.vkGetDeviceQueue(device_, queueFamily, 0, &queue_);

    VkCommandPoolCreateInfo poolInfo{VK_STRUCTURE_TYPE_COMMAND_POOL_CREATE_INFO};
    poolInfo.flags = VK_COMMAND_POOL_CREATE_RESET_COMMAND_BUFFER_BIT;
    poolInfo.queueFamilyIndex = queueFamily;
    if ((r = fn_.vkCreateCommandPool(device_, &poolInfo, nullptr, &commandPool_))) return r;
    VkCommandBufferAllocateInfo commandInfo{VK_STRUCTURE_TYPE_COMMAND_BUFFER_ALLOCATE_INFO};
    commandInfo.commandPool = commandPool_;
    commandInfo.level = VK_COMMAND_BUFFER_LEVEL_PRIMARY;
    commandInfo.commandBufferCount = 1;
    if ((r = fn_.vkAllocateCommandBuffers(device_, &commandInfo, &commands_))) return r;
    VkFenceCreateInfo fenceInfo{VK_STRUCTURE_TYPE_FENCE_CREATE_INFO};
    if ((r = fn_.vkCreateFence(device_, &fenceInfo, nullptr, &fence_))) return r;

    // Register tN of a shader is binding TextureBinding + N (and sN SamplerBinding + N):
    // one binding per slot, not one array, or every texture after the first would read a
    // binding the set does not have. Updates of all slots at once run on across the
    // consecutive bindings.
    VkDescriptorSetLayoutBinding bindings[2 * SlotCount + 2];
    for (uint32_t i = 0; i < SlotCount; ++i) {
        bindings[i] = {TextureBinding + i, VK_DESCRIPTOR_TYPE_SAMPLED_IMAGE, 1, VK_SHADER_STAGE_FRAGMENT_BIT, nullptr};
        bindings[SlotCount + i] = {SamplerBinding + i, VK_DESCRIPTOR_TYPE_SAMPLER, 1, VK_SHADER_STAGE_FRAGMENT_BIT, nullptr};
    }
    bindings[2 * SlotCount] = {VertexConstantBinding, VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER, 1, VK_SHADER_STAGE_VERTEX_BIT, nullptr};
    bindings[2 * SlotCount + 1] = {PixelConstantBinding, VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER, 1, VK_SHADER_STAGE_FRAGMENT_BIT, nullptr};
    VkDescriptorSetLayoutCreateInfo setInfo{VK_STRUCTURE_TYPE_DESCRIPTOR_SET_LAYOUT_CREATE_INFO};
    setInfo.bindingCount = 2 * SlotCount + 2;
    setInfo.pBindings = bindings;
    if ((r = fn_.vkCreateDescriptorSetLayout(device_, &setInfo, nullptr, &setLayout_))) return r;
    VkPipelineLayoutCreateInfo layoutInfo{VK_STRUCTURE_TYPE_PIPELINE_LAYOUT_CREATE_INFO};
    layoutInfo.setLayoutCount = 1;
    layoutInfo.pSetLayouts = &setLayout_;
    if ((r = fn_.vkCreatePipelineLayout(device_, &layoutInfo, nullptr, &pipelineLayout_))) return r;
    if ((r = AddDescriptorPool())) return r;
    return CreateEmptyBindings();
}

VkResult GpuLogicalDevice::CreateEmptyBindings() {
    VkImageCreateInfo imageInfo{VK_STRUCTURE_TYPE_IMAGE_CREATE_INFO};
    imageInfo.imageType = VK_IMAGE_TYPE_2D;
    imageInfo.format = VK_FORMAT_B8G8R8A8_UNORM;
    imageInfo.extent = {1, 1, 1};
    imageInfo.mipLevels = 1;
    imageInfo.arrayLayers = 1;
    imageInfo.samples = VK_SAMPLE_COUNT_1_BIT;
    imageInfo.tiling = VK_IMAGE_TILING_OPTIMAL;
    imageInfo.usage = VK_IMAGE_USAGE_SAMPLED_BIT | VK_IMAGE_USAGE_TRANSFER_DST_BIT;
    VkResult r = fn_.vkCreateImage(device_, &imageInfo, nullptr, &emptyImage_);
    if (r) return r;
    VkMemoryRequirements requirements;
    fn_.vkGetImageMemoryRequirements(device_, emptyImage_, &requirements);
    if ((r = Allocate(requirements, VK_MEMORY_PROPERTY_DEVICE_LOCAL_BIT, &emptyImageMemory_))) return r;
    if ((r = fn_.vkBindImageMemory(device_, emptyImage_, emptyImageMemory_, 0))) return r;
    VkImageViewCreateInfo viewInfo{VK_STRUCTURE_TYPE_IMAGE_VIEW_CREATE_INFO};
    viewInfo.image = emptyImage_;
    viewInfo.viewType = VK_IMAGE_VIEW_TYPE_2D;
    viewInfo.format = VK_FORMAT_B8G8R8A8_UNORM;
    viewInfo.subresourceRange = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 1, 0, 1};
    if ((r = fn_.vkCreateImageView(device_, &viewInfo, nullptr, &emptyView_))) return r;
    VkSamplerCreateInfo samplerInfo{VK_STRUCTURE_TYPE_SAMPLER_CREATE_INFO};
    samplerInfo.addressModeU = samplerInfo.addressModeV = samplerInfo.addressModeW =
        VK_SAMPLER_ADDRESS_MODE_CLAMP_TO_EDGE;
    if ((r = fn_.vkCreateSampler(device_, &samplerInfo, nullptr, &emptySampler_))) return r;
    VkBufferCreateInfo bufferInfo{VK_STRUCTURE_TYPE_BUFFER_CREATE_INFO};
    bufferInfo.size = EmptyBufferBytes;
    bufferInfo.usage = VK_BUFFER_USAGE_UNIFORM_BUFFER_BIT;
    if ((r = fn_.vkCreateBuffer(device_, &bufferInfo, nullptr, &emptyBuffer_))) return r;
    fn_.vkGetBufferMemoryRequirements(device_, emptyBuffer_, &requirements);
    if ((r = Allocate(requirements,
                      VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT | VK_MEMORY_PROPERTY_HOST_COHERENT_BIT,
                      &emptyBufferMemory_)))
        return r;
    if ((r = fn_.vkBindBufferMemory(device_, emptyBuffer_, emptyBufferMemory_, 0))) return r;
    void* bytes = nullptr;
    if ((r = fn_.vkMapMemory(device_, emptyBufferMemory_, 0, VK_WHOLE_SIZE, 0, &bytes))) return r;
    std::memset(bytes, 0, EmptyBufferBytes);
    fn_.vkUnmapMemory(device_, emptyBufferMemory_);

    // The empty image goes to the general layout, which every image of the renderer keeps
    // for its whole life, and is cleared to transparent.
    VkCommandBuffer commands;
    if ((r = Commands(&commands))) return r;
    Transition(commands, emptyImage_, 1, VK_IMAGE_LAYOUT_UNDEFINED, VK_IMAGE_LAYOUT_GENERAL,
               VK_PIPELINE_STAGE_TOP_OF_PIPE_BIT, 0, VK_PIPELINE_STAGE_TRANSFER_BIT,
               VK_ACCESS_TRANSFER_WRITE_BIT);
    VkClearColorValue transparent{};
    VkImageSubresourceRange all{VK_IMAGE_ASPECT_COLOR_BIT, 0, 1, 0, 1};
    fn_.vkCmdClearColorImage(commands, emptyImage_, VK_IMAGE_LAYOUT_GENERAL, &transparent, 1, &all);
    return Submit();
}

PFN_vkVoidFunction GpuLogicalDevice::GetDeviceFunction(const char* name) const {
    return vulkan_->Functions().vkGetDeviceProcAddr(device_, name);
}

GpuLogicalDevice::~GpuLogicalDevice() {
    if (!device_) return;
    if (fn_.vkDeviceWaitIdle) fn_.vkDeviceWaitIdle(device_);
    retained_.clear();
    if (fn_.vkDestroyDevice) {
        fn_.vkDestroyBuffer(device_, emptyBuffer_, nullptr);
        Free(emptyBufferMemory_, 0);
        fn_.vkDestroySampler(device_, emptySampler_, nullptr);
        fn_.vkDestroyImageView(device_, emptyView_, nullptr);
        fn_.vkDestroyImage(device_, emptyImage_, nullptr);
        Free(emptyImageMemory_, 0);
        for (VkDescriptorPool pool : pools_) fn_.vkDestroyDescriptorPool(device_, pool, nullptr);
        fn_.vkDestroyPipelineLayout(device_, pipelineLayout_, nullptr);
        fn_.vkDestroyDescriptorSetLayout(device_, setLayout_, nullptr);
        fn_.vkDestroyFence(device_, fence_, nullptr);
        fn_.vkDestroyCommandPool(device_, commandPool_, nullptr);
        fn_.vkDestroyDevice(device_, nullptr);
    }
}

VkResult GpuLogicalDevice::Allocate(const VkMemoryRequirements& requirements,
                                    VkMemoryPropertyFlags properties, VkDeviceMemory* memory) {
    *memory = VK_NULL_HANDLE;
    uint64_t before = inUse_.fetch_add(requirements.size);
    if (before + requirements.size > budget_ || before + requirements.size < before) {
        inUse_ -= requirements.size;
        return VK_ERROR_OUT_OF_DEVICE_MEMORY;
    }
    // The first type that has the properties; device-local memory falls back to any type
    // the resource accepts (a CPU device may have no separate video memory).
    for (int pass = 0; pass < 2; ++pass) {
        for (uint32_t i = 0; i < memoryProperties_.memoryTypeCount; ++i) {
            if (!(requirements.memoryTypeBits & (1u << i))) continue;
            VkMemoryPropertyFlags has = memoryProperties_.memoryTypes[i].propertyFlags;
            if (pass == 0 && (has & properties) != properties) continue;
            if (pass == 1 && (properties & VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT)) continue;
            VkMemoryAllocateInfo info{VK_STRUCTURE_TYPE_MEMORY_ALLOCATE_INFO};
            info.allocationSize = requirements.size;
            info.memoryTypeIndex = i;
            VkResult r = fn_.vkAllocateMemory(device_, &info, nullptr, memory);
            if (r != VK_SUCCESS) {
                *memory = VK_NULL_HANDLE;
                inUse_ -= requirements.size;
            }
            return r;
        }
    }
    inUse_ -= requirements.size;
    return VK_ERROR_FEATURE_NOT_PRESENT;
}

void GpuLogicalDevice::Free(VkDeviceMemory memory, VkDeviceSize size) {
    if (!memory) return;
    fn_.vkFreeMemory(device_, memory, nullptr);
    inUse_ -= size;
}

VkResult GpuLogicalDevice::Commands(VkCommandBuffer* commands) {
    if (!recording_) {
        VkCommandBufferBeginInfo info{VK_STRUCTURE_TYPE_COMMAND_BUFFER_BEGIN_INFO};
        info.flags = VK_COMMAND_BUFFER_USAGE_ONE_TIME_SUBMIT_BIT;
        VkResult r = fn_.vkBeginCommandBuffer(commands_, &info);
        if (r != VK_SUCCESS) return r;
        recording_ = true;
    }
    *commands = commands_;
    return VK_SUCCESS;
}

void GpuLogicalDevice::Barrier(VkCommandBuffer commands) {
    // One full barrier between operations: the renderer records few, large operations, and
    // every image stays in the general layout, so no per-image transitions are needed.
    VkMemoryBarrier barrier{VK_STRUCTURE_TYPE_MEMORY_BARRIER};
    barrier.srcAccessMask = VK_ACCESS_MEMORY_WRITE_BIT;
    barrier.dstAccessMask = VK_ACCESS_MEMORY_READ_BIT | VK_ACCESS_MEMORY_WRITE_BIT |
                            VK_ACCESS_HOST_READ_BIT;
    fn_.vkCmdPipelineBarrier(commands, VK_PIPELINE_STAGE_ALL_COMMANDS_BIT,
                             VK_PIPELINE_STAGE_ALL_COMMANDS_BIT | VK_PIPELINE_STAGE_HOST_BIT, 0, 1,
                             &barrier, 0, nullptr, 0, nullptr);
}

void GpuLogicalDevice::Transition(VkCommandBuffer commands, VkImage image, uint32_t levels,
                                  VkImageLayout from, VkImageLayout to, VkPipelineStageFlags source,
                                  VkAccessFlags sourceAccess, VkPipelineStageFlags target,
                                  VkAccessFlags targetAccess) const {
    VkImageMemoryBarrier barrier{VK_STRUCTURE_TYPE_IMAGE_MEMORY_BARRIER};
    barrier.srcAccessMask = sourceAccess;
    barrier.dstAccessMask = targetAccess;
    barrier.oldLayout = from;
    barrier.newLayout = to;
    barrier.srcQueueFamilyIndex = barrier.dstQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED;
    barrier.image = image;
    barrier.subresourceRange = {VK_IMAGE_ASPECT_COLOR_BIT, 0, levels, 0, 1};
    fn_.vkCmdPipelineBarrier(commands, source, target, 0, 0, nullptr, 0, nullptr, 1, &barrier);
}

VkResult GpuLogicalDevice::AddDescriptorPool() {
    VkDescriptorPoolSize sizes[3] = {
        {VK_DESCRIPTOR_TYPE_SAMPLED_IMAGE, SlotCount * DescriptorSetsPerPool},
        {VK_DESCRIPTOR_TYPE_SAMPLER, SlotCount * DescriptorSetsPerPool},
        {VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER, 2 * DescriptorSetsPerPool},
    };
    VkDescriptorPoolCreateInfo info{VK_STRUCTURE_TYPE_DESCRIPTOR_POOL_CREATE_INFO};
    info.maxSets = DescriptorSetsPerPool;
    info.poolSizeCount = 3;
    info.pPoolSizes = sizes;
    VkDescriptorPool pool;
    VkResult r = fn_.vkCreateDescriptorPool(device_, &info, nullptr, &pool);
    if (r == VK_SUCCESS) pools_.push_back(pool);
    return r;
}

VkResult GpuLogicalDevice::AllocateDescriptorSet(VkDescriptorSet* set) {
    VkDescriptorSetAllocateInfo info{VK_STRUCTURE_TYPE_DESCRIPTOR_SET_ALLOCATE_INFO};
    info.descriptorSetCount = 1;
    info.pSetLayouts = &setLayout_;
    info.descriptorPool = pools_.back();
    VkResult r = fn_.vkAllocateDescriptorSets(device_, &info, set);
    if (r != VK_ERROR_OUT_OF_POOL_MEMORY && r != VK_ERROR_FRAGMENTED_POOL) return r;
    // The pool is full: one more serves the rest of this submission.
    if ((r = AddDescriptorPool())) return r;
    info.descriptorPool = pools_.back();
    return fn_.vkAllocateDescriptorSets(device_, &info, set);
}

bool GpuLogicalDevice::Retains(const void* object) const {
    return std::any_of(retained_.begin(), retained_.end(),
                       [object](const std::shared_ptr<const void>& held) { return held.get() == object; });
}

VkResult GpuLogicalDevice::Submit() {
    if (!recording_) return VK_SUCCESS;
    recording_ = false;
    Barrier(commands_);
    VkResult r = fn_.vkEndCommandBuffer(commands_);
    if (r == VK_SUCCESS) {
        VkSubmitInfo info{VK_STRUCTURE_TYPE_SUBMIT_INFO};
        info.commandBufferCount = 1;
        info.pCommandBuffers = &commands_;
        r = fn_.vkQueueSubmit(queue_, 1, &info, fence_);
        ++submitCount_;
        if (r == VK_SUCCESS) r = fn_.vkWaitForFences(device_, 1, &fence_, VK_TRUE, UINT64_MAX);
        if (r == VK_SUCCESS) r = fn_.vkResetFences(device_, 1, &fence_);
    }
    // Whatever happened, the recorded work is over: a lost device runs nothing more.
    fn_.vkResetCommandBuffer(commands_, 0);
    retained_.clear();
    for (VkDescriptorPool pool : pools_) fn_.vkResetDescriptorPool(device_, pool, 0);
    return r;
}

}  // namespace Graphics
