#pragma once

#include <memory>

// The loader is opened at run time, so only the types and constants of the headers are
// used: no Vulkan symbol is linked, and the library runs (software only) without Vulkan.
#define VK_NO_PROTOTYPES
#include <vulkan/vulkan.h>

namespace Graphics {

// Entry points fetched through vkGetInstanceProcAddr once the instance exists.
#define GX_VULKAN_INSTANCE_FUNCTIONS(X)                                                        \
    X(vkDestroyInstance)                                                                     \
    X(vkEnumeratePhysicalDevices)                                                            \
    X(vkGetPhysicalDeviceProperties)                                                         \
    X(vkGetPhysicalDeviceFeatures2)                                                          \
    X(vkGetPhysicalDeviceQueueFamilyProperties)                                              \
    X(vkGetPhysicalDeviceMemoryProperties)                                                   \
    X(vkCreateDevice)                                                                        \
    X(vkEnumerateDeviceExtensionProperties)                                                  \
    X(vkGetDeviceProcAddr)

// Entry points fetched through vkGetDeviceProcAddr for each logical device.
#define GX_VULKAN_DEVICE_FUNCTIONS(X)                                                          \
    X(vkDestroyDevice)                                                                       \
    X(vkGetDeviceQueue)                                                                      \
    X(vkDeviceWaitIdle)                                                                      \
    X(vkCreateCommandPool)                                                                   \
    X(vkDestroyCommandPool)                                                                  \
    X(vkAllocateCommandBuffers)                                                              \
    X(vkBeginCommandBuffer)                                                                  \
    X(vkEndCommandBuffer)                                                                    \
    X(vkResetCommandBuffer)                                                                  \
    X(vkQueueSubmit)                                                                         \
    X(vkCreateFence)                                                                         \
    X(vkDestroyFence)                                                                        \
    X(vkWaitForFences)                                                                       \
    X(vkResetFences)                                                                         \
    X(vkCreateImage)                                                                         \
    X(vkDestroyImage)                                                                        \
    X(vkGetImageMemoryRequirements)                                                          \
    X(vkBindImageMemory)                                                                     \
    X(vkCreateImageView)                                                                     \
    X(vkDestroyImageView)                                                                    \
    X(vkCreateBuffer)                                                                        \
    X(vkDestroyBuffer)                                                                       \
    X(vkGetBufferMemoryRequirements)                                                         \
    X(vkBindBufferMemory)                                                                    \
    X(vkAllocateMemory)                                                                      \
    X(vkFreeMemory)                                                                          \
    X(vkMapMemory)                                                                           \
    X(vkUnmapMemory)                                                                         \
    X(vkCreateSampler)                                                                       \
    X(vkDestroySampler)                                                                      \
    X(vkCreateShaderModule)                                                                  \
    X(vkDestroyShaderModule)                                                                 \
    X(vkCreateDescriptorSetLayout)                                                           \
    X(vkDestroyDescriptorSetLayout)                                                          \
    X(vkCreatePipelineLayout)                                                                \
    X(vkDestroyPipelineLayout)                                                               \
    X(vkCreateDescriptorPool)                                                                \
    X(vkDestroyDescriptorPool)                                                               \
    X(vkResetDescriptorPool)                                                                 \
    X(vkAllocateDescriptorSets)                                                              \
    X(vkUpdateDescriptorSets)                                                                \
    X(vkCreateGraphicsPipelines)                                                             \
    X(vkDestroyPipeline)                                                                     \
    X(vkCmdPipelineBarrier)                                                                  \
    X(vkCmdCopyImage)                                                                        \
    X(vkCmdCopyBuffer)                                                                       \
    X(vkCmdCopyBufferToImage)                                                                \
    X(vkCmdCopyImageToBuffer)                                                                \
    X(vkCmdClearColorImage)                                                                  \
    X(vkCmdClearAttachments)                                                                 \
    X(vkCmdBeginRendering)                                                                   \
    X(vkCmdEndRendering)                                                                     \
    X(vkCmdBindPipeline)                                                                     \
    X(vkCmdBindDescriptorSets)                                                               \
    X(vkCmdBindVertexBuffers)                                                                \
    X(vkCmdSetViewport)                                                                      \
    X(vkCmdSetScissor)                                                                       \
    X(vkCmdDraw)

#define GX_VULKAN_DECLARE(name) PFN_##name name = nullptr;

struct GpuInstanceFunctions {
    GX_VULKAN_INSTANCE_FUNCTIONS(GX_VULKAN_DECLARE)
};

struct GpuDeviceFunctions {
    GX_VULKAN_DEVICE_FUNCTIONS(GX_VULKAN_DECLARE)
};

// The Vulkan loader, opened at run time, and one instance made through it. Shared by the
// context and every logical device made on the instance, so it outlives them all.
class GpuVulkan {
public:
    // The loader and a Vulkan 1.3 instance, or empty when the system has no loader, no
    // driver, or no 1.3 implementation (the caller then has no GPU path).
    static std::shared_ptr<GpuVulkan> Load();
    ~GpuVulkan();
    GpuVulkan(const GpuVulkan&) = delete;
    GpuVulkan& operator=(const GpuVulkan&) = delete;

    VkInstance Instance() const { return instance_; }
    const GpuInstanceFunctions& Functions() const { return functions_; }
    // Whether the instance can make surfaces on X11 windows (VK_KHR_surface and
    // VK_KHR_xlib_surface were offered, so they are enabled).
    bool HasWindowSystem() const { return windowSystem_; }
    // An instance-level entry point by name, null when the instance has none.
    PFN_vkVoidFunction GetInstanceFunction(const char* name) const;
    // The device-level table of `device`: every entry fetched, or false when one is missing.
    bool LoadDeviceFunctions(VkDevice device, GpuDeviceFunctions& out) const;

private:
    GpuVulkan() = default;

    void* library_ = nullptr;             // dlopen handle of libvulkan.so.1, never closed
    VkInstance instance_ = VK_NULL_HANDLE;  // made at Load, destroyed last
    GpuInstanceFunctions functions_;       // fetched for instance_
    PFN_vkGetInstanceProcAddr getInstanceProcAddr_ = nullptr;  // the loader's
    bool windowSystem_ = false;            // the X11 surface extensions are enabled
};

}  // namespace Graphics
