#include "graphics/gpu/gpucontext.h"

#include <algorithm>
#include <vector>

#include "graphics/core/exception.h"
#include "graphics/gpu/gpudevice.h"
#include "graphics/gpu/gpuvulkan.h"

namespace Graphics {

namespace {

// Lower is preferred: real GPUs first, a CPU implementation (lavapipe) last.
int Preference(VkPhysicalDeviceType type) {
    switch (type) {
        case VK_PHYSICAL_DEVICE_TYPE_DISCRETE_GPU: return 0;
        case VK_PHYSICAL_DEVICE_TYPE_INTEGRATED_GPU: return 1;
        case VK_PHYSICAL_DEVICE_TYPE_VIRTUAL_GPU: return 2;
        case VK_PHYSICAL_DEVICE_TYPE_CPU: return 4;
        default: return 3;
    }
}

// The queue family with graphics, or -1 when the device cannot draw what the renderer needs.
int64_t UsableQueueFamily(const GpuVulkan& vulkan, VkPhysicalDevice physical) {
    const GpuInstanceFunctions& fn = vulkan.Functions();
    VkPhysicalDeviceProperties properties;
    fn.vkGetPhysicalDeviceProperties(physical, &properties);
    if (properties.apiVersion < VK_API_VERSION_1_3) return -1;
    VkPhysicalDeviceVulkan13Features features13{VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_VULKAN_1_3_FEATURES};
    VkPhysicalDeviceFeatures2 features{VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_FEATURES_2};
    features.pNext = &features13;
    fn.vkGetPhysicalDeviceFeatures2(physical, &features);
    if (!features13.dynamicRendering) return -1;
    uint32_t count = 0;
    fn.vkGetPhysicalDeviceQueueFamilyProperties(physical, &count, nullptr);
    std::vector<VkQueueFamilyProperties> families(count);
    fn.vkGetPhysicalDeviceQueueFamilyProperties(physical, &count, families.data());
    for (uint32_t i = 0; i < count; ++i)
        if (families[i].queueFlags & VK_QUEUE_GRAPHICS_BIT) return i;
    return -1;
}

}  // namespace

std::shared_ptr<GpuContext> GpuContext::Create() {
    std::shared_ptr<GpuVulkan> vulkan = GpuVulkan::Load();
    if (!vulkan) return {};
    const GpuInstanceFunctions& fn = vulkan->Functions();
    uint32_t count = 0;
    if (fn.vkEnumeratePhysicalDevices(vulkan->Instance(), &count, nullptr) != VK_SUCCESS) return {};
    std::vector<VkPhysicalDevice> physicals(count);
    if (fn.vkEnumeratePhysicalDevices(vulkan->Instance(), &count, physicals.data()) < 0) return {};
    physicals.resize(count);
    std::stable_sort(physicals.begin(), physicals.end(), [&](VkPhysicalDevice a, VkPhysicalDevice b) {
        VkPhysicalDeviceProperties pa, pb;
        fn.vkGetPhysicalDeviceProperties(a, &pa);
        fn.vkGetPhysicalDeviceProperties(b, &pb);
        return Preference(pa.deviceType) < Preference(pb.deviceType);
    });
    for (VkPhysicalDevice physical : physicals) {
        int64_t family = UsableQueueFamily(*vulkan, physical);
        if (family < 0) continue;
        std::shared_ptr<GpuContext> context(new GpuContext());
        context->vulkan_ = vulkan;
        try {
            context->device_ = std::make_shared<GpuDevice>(vulkan, physical, uint32_t(family));
        } catch (const Exception& e) {
            // A device that cannot be made gives way to the next; a compiler that cannot
            // start fails on every device.
            if (std::string(e.what()) != "Vulkan error") throw;
            continue;
        }
        return context;
    }
    return {};
}

GpuContext::~GpuContext() {
    if (device_) device_->ReleaseDeviceObjects();
}

}  // namespace Graphics
