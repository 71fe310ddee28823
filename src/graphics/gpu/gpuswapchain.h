#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "graphics/gpu/gpulogicaldevice.h"

namespace Platform {
class X11Window;
}

namespace Graphics {

// Entry points of the window-system extensions, fetched when a swap chain is made.
#define GX_VULKAN_SURFACE_FUNCTIONS(X)                                                         \
    X(vkDestroySurfaceKHR)                                                                   \
    X(vkGetPhysicalDeviceSurfaceSupportKHR)                                                  \
    X(vkGetPhysicalDeviceSurfaceCapabilitiesKHR)                                             \
    X(vkGetPhysicalDeviceSurfaceFormatsKHR)                                                  \
    X(vkGetPhysicalDeviceSurfacePresentModesKHR)
#define GX_VULKAN_SWAPCHAIN_FUNCTIONS(X)                                                       \
    X(vkCreateSwapchainKHR)                                                                  \
    X(vkDestroySwapchainKHR)                                                                 \
    X(vkGetSwapchainImagesKHR)                                                               \
    X(vkAcquireNextImageKHR)                                                                 \
    X(vkQueuePresentKHR)

// The images an X11 window shows, presented one after the other through the device's queue.
// The chain follows the window: it is re-made at the next acquire when its size was changed
// or the presentation engine found it out of date. A window of no area has no images; its
// frames show nothing.
//
// Every frame's work is waited for before it is presented (the device submits and waits), so
// an acquire waits on a fence and a present on nothing.
class GpuSwapChain {
public:
    // A swap chain on `window` for `device`'s queue family, or null with the failure
    // returned (VK_ERROR_EXTENSION_NOT_PRESENT when the device cannot present at all,
    // VK_ERROR_FORMAT_NOT_SUPPORTED when the window takes no 8-bit BGRA images that can be
    // copied into).
    static VkResult Create(std::shared_ptr<GpuLogicalDevice> device, VkPhysicalDevice physical,
                           uint32_t queueFamily, std::shared_ptr<Platform::X11Window> window,
                           std::shared_ptr<GpuSwapChain>* out);
    ~GpuSwapChain();
    GpuSwapChain(const GpuSwapChain&) = delete;
    GpuSwapChain& operator=(const GpuSwapChain&) = delete;

    // The images' size from the next acquire on; a change re-makes the chain then.
    void Resize(uint32_t width, uint32_t height);
    // The back buffer of the current frame, acquired on the first call after a present.
    // VK_NULL_HANDLE with success when the window has no area.
    VkResult AcquireBackBuffer(VkImage* image);
    bool HasBackBuffer() const { return acquired_ != NoImage; }
    // The size of the images the chain holds now.
    VkExtent2D Extent() const { return extent_; }
    // Shows the back buffer, whose frame must have finished on the GPU. An out-of-date or
    // suboptimal chain is re-made at the next acquire. No back buffer: success at once.
    VkResult Present();

private:
    static constexpr uint32_t NoImage = UINT32_MAX;
#define GX_VULKAN_DECLARE_MEMBER(name) PFN_##name name = nullptr;
    struct Functions {
        GX_VULKAN_SURFACE_FUNCTIONS(GX_VULKAN_DECLARE_MEMBER)
        GX_VULKAN_SWAPCHAIN_FUNCTIONS(GX_VULKAN_DECLARE_MEMBER)
    };
#undef GX_VULKAN_DECLARE_MEMBER

    GpuSwapChain() = default;
    // Makes the chain at the wanted size (retiring the old one); none for a zero size.
    VkResult Rebuild();

    std::shared_ptr<GpuLogicalDevice> device_;     // destroyed after the chain
    std::shared_ptr<Platform::X11Window> window_;  // the window shown
    VkPhysicalDevice physical_ = VK_NULL_HANDLE;
    Functions fn_;
    VkSurfaceKHR surface_ = VK_NULL_HANDLE;        // the window's surface
    VkSurfaceFormatKHR format_{};                  // B8G8R8A8, UNORM preferred
    VkPresentModeKHR presentMode_ = VK_PRESENT_MODE_FIFO_KHR;  // immediate when offered
    VkSwapchainKHR swapchain_ = VK_NULL_HANDLE;    // null while the window has no area
    std::vector<VkImage> images_;                  // the chain's, owned by it
    VkExtent2D extent_{0, 0};                      // of images_
    VkExtent2D wanted_{0, 0};                      // what the next chain is made at
    VkFence acquireFence_ = VK_NULL_HANDLE;        // signalled when an acquired image is free
    uint32_t acquired_ = NoImage;                  // index of the back buffer, or NoImage
    bool stale_ = false;                           // re-make before the next acquire
};

}  // namespace Graphics
