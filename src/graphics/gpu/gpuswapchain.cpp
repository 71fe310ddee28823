#include "graphics/gpu/gpuswapchain.h"

#include <algorithm>

#include "platform/x11window.h"
// After Xlib, whose types it uses.
#include <vulkan/vulkan_xlib.h>

namespace Graphics {

namespace {

// The surface format the paint texture's bytes can be copied into unchanged: B8G8R8A8,
// UNORM preferred; the sRGB twin holds the same bytes, shown the same way.
bool ChooseFormat(const std::vector<VkSurfaceFormatKHR>& offered, VkSurfaceFormatKHR* chosen) {
    for (VkFormat wanted : {VK_FORMAT_B8G8R8A8_UNORM, VK_FORMAT_B8G8R8A8_SRGB})
        for (const VkSurfaceFormatKHR& format : offered)
            if (format.format == wanted) {
                *chosen = format;
                return true;
            }
    return false;
}

}  // namespace

VkResult GpuSwapChain::Create(std::shared_ptr<GpuLogicalDevice> device, VkPhysicalDevice physical,
                              uint32_t queueFamily, std::shared_ptr<Platform::X11Window> window,
                              std::shared_ptr<GpuSwapChain>* out) {
    out->reset();
    if (!device->CanPresent()) return VK_ERROR_EXTENSION_NOT_PRESENT;
    const GpuVulkan& vulkan = *device->Vulkan();
    std::shared_ptr<GpuSwapChain> chain(new GpuSwapChain());
    chain->device_ = std::move(device);
    chain->window_ = std::move(window);
    chain->physical_ = physical;
    bool complete = true;
#define GX_VULKAN_FETCH_INSTANCE(name)                                                       \
    chain->fn_.name = reinterpret_cast<PFN_##name>(vulkan.GetInstanceFunction(#name));       \
    complete = complete && chain->fn_.name;
#define GX_VULKAN_FETCH_DEVICE(name)                                                         \
    chain->fn_.name = reinterpret_cast<PFN_##name>(chain->device_->GetDeviceFunction(#name)); \
    complete = complete && chain->fn_.name;
    GX_VULKAN_SURFACE_FUNCTIONS(GX_VULKAN_FETCH_INSTANCE)
    GX_VULKAN_SWAPCHAIN_FUNCTIONS(GX_VULKAN_FETCH_DEVICE)
#undef GX_VULKAN_FETCH_INSTANCE
#undef GX_VULKAN_FETCH_DEVICE
    auto createSurface = reinterpret_cast<PFN_vkCreateXlibSurfaceKHR>(
        vulkan.GetInstanceFunction("vkCreateXlibSurfaceKHR"));
    if (!complete || !createSurface) return VK_ERROR_EXTENSION_NOT_PRESENT;

    VkXlibSurfaceCreateInfoKHR surfaceInfo{VK_STRUCTURE_TYPE_XLIB_SURFACE_CREATE_INFO_KHR};
    surfaceInfo.dpy = chain->window_->GetDisplay();
    surfaceInfo.window = chain->window_->GetWindow();
    VkResult r = createSurface(vulkan.Instance(), &surfaceInfo, nullptr, &chain->surface_);
    if (r != VK_SUCCESS) {
        chain->surface_ = VK_NULL_HANDLE;
        return r;
    }
    VkBool32 supported = VK_FALSE;
    r = chain->fn_.vkGetPhysicalDeviceSurfaceSupportKHR(physical, queueFamily, chain->surface_,
                                                        &supported);
    if (r != VK_SUCCESS) return r;
    if (!supported) return VK_ERROR_EXTENSION_NOT_PRESENT;

    uint32_t count = 0;
    if ((r = chain->fn_.vkGetPhysicalDeviceSurfaceFormatsKHR(physical, chain->surface_, &count,
                                                             nullptr)))
        return r;
    std::vector<VkSurfaceFormatKHR> formats(count);
    if ((r = chain->fn_.vkGetPhysicalDeviceSurfaceFormatsKHR(physical, chain->surface_, &count,
                                                             formats.data())) < 0)
        return r;
    formats.resize(count);
    if (!ChooseFormat(formats, &chain->format_)) return VK_ERROR_FORMAT_NOT_SUPPORTED;

    // Frames are shown as soon as they are presented, as a window redrawn on demand wants;
    // FIFO, which every surface offers, where immediate is not.
    if ((r = chain->fn_.vkGetPhysicalDeviceSurfacePresentModesKHR(physical, chain->surface_,
                                                                  &count, nullptr)))
        return r;
    std::vector<VkPresentModeKHR> modes(count);
    if ((r = chain->fn_.vkGetPhysicalDeviceSurfacePresentModesKHR(physical, chain->surface_,
                                                                  &count, modes.data())) < 0)
        return r;
    modes.resize(count);
    if (std::find(modes.begin(), modes.end(), VK_PRESENT_MODE_IMMEDIATE_KHR) != modes.end())
        chain->presentMode_ = VK_PRESENT_MODE_IMMEDIATE_KHR;

    const GpuLogicalDevice& d = *chain->device_;
    VkFenceCreateInfo fenceInfo{VK_STRUCTURE_TYPE_FENCE_CREATE_INFO};
    if ((r = d.Fn().vkCreateFence(d.Device(), &fenceInfo, nullptr, &chain->acquireFence_))) {
        chain->acquireFence_ = VK_NULL_HANDLE;
        return r;
    }
    int32_t width = 0, height = 0;
    chain->window_->GetClientSize(&width, &height);
    chain->wanted_ = {uint32_t(std::max(width, 0)), uint32_t(std::max(height, 0))};
    if ((r = chain->Rebuild())) return r;
    *out = std::move(chain);
    return VK_SUCCESS;
}

GpuSwapChain::~GpuSwapChain() {
    const GpuLogicalDevice& d = *device_;
    if (swapchain_) fn_.vkDestroySwapchainKHR(d.Device(), swapchain_, nullptr);
    if (acquireFence_) d.Fn().vkDestroyFence(d.Device(), acquireFence_, nullptr);
    if (surface_) fn_.vkDestroySurfaceKHR(d.Vulkan()->Instance(), surface_, nullptr);
}

void GpuSwapChain::Resize(uint32_t width, uint32_t height) {
    if (width == wanted_.width && height == wanted_.height) return;
    wanted_ = {width, height};
    stale_ = true;
}

VkResult GpuSwapChain::Rebuild() {
    stale_ = false;
    acquired_ = NoImage;
    const GpuLogicalDevice& d = *device_;
    VkSurfaceCapabilitiesKHR capabilities;
    VkResult r =
        fn_.vkGetPhysicalDeviceSurfaceCapabilitiesKHR(physical_, surface_, &capabilities);
    if (r != VK_SUCCESS) return r;
    // The surface says its size where it knows it (X11 does: the window's); else ours.
    VkExtent2D extent = capabilities.currentExtent.width != UINT32_MAX ? capabilities.currentExtent
                                                                       : wanted_;
    if (extent.width == 0 || extent.height == 0 || wanted_.width == 0 || wanted_.height == 0) {
        if (swapchain_) fn_.vkDestroySwapchainKHR(d.Device(), swapchain_, nullptr);
        swapchain_ = VK_NULL_HANDLE;
        images_.clear();
        extent_ = {0, 0};
        return VK_SUCCESS;
    }
    if (!(capabilities.supportedUsageFlags & VK_IMAGE_USAGE_TRANSFER_DST_BIT))
        return VK_ERROR_FORMAT_NOT_SUPPORTED;
    // Two images, as few as the surface allows beyond that.
    uint32_t imageCount = std::max(capabilities.minImageCount, 2u);
    if (capabilities.maxImageCount) imageCount = std::min(imageCount, capabilities.maxImageCount);
    VkCompositeAlphaFlagBitsKHR alpha = VK_COMPOSITE_ALPHA_OPAQUE_BIT_KHR;
    if (!(capabilities.supportedCompositeAlpha & alpha))
        alpha = VkCompositeAlphaFlagBitsKHR(capabilities.supportedCompositeAlpha &
                                            -capabilities.supportedCompositeAlpha);

    VkSwapchainCreateInfoKHR info{VK_STRUCTURE_TYPE_SWAPCHAIN_CREATE_INFO_KHR};
    info.surface = surface_;
    info.minImageCount = imageCount;
    info.imageFormat = format_.format;
    info.imageColorSpace = format_.colorSpace;
    info.imageExtent = extent;
    info.imageArrayLayers = 1;
    info.imageUsage = VK_IMAGE_USAGE_TRANSFER_DST_BIT;
    info.imageSharingMode = VK_SHARING_MODE_EXCLUSIVE;
    info.preTransform = capabilities.currentTransform;
    info.compositeAlpha = alpha;
    info.presentMode = presentMode_;
    info.clipped = VK_TRUE;
    info.oldSwapchain = swapchain_;
    VkSwapchainKHR made = VK_NULL_HANDLE;
    r = fn_.vkCreateSwapchainKHR(d.Device(), &info, nullptr, &made);
    // The old chain is retired either way: its images are never acquired again.
    if (swapchain_) fn_.vkDestroySwapchainKHR(d.Device(), swapchain_, nullptr);
    swapchain_ = VK_NULL_HANDLE;
    images_.clear();
    extent_ = {0, 0};
    if (r != VK_SUCCESS) return r;
    swapchain_ = made;
    uint32_t count = 0;
    if ((r = fn_.vkGetSwapchainImagesKHR(d.Device(), swapchain_, &count, nullptr))) return r;
    images_.resize(count);
    if ((r = fn_.vkGetSwapchainImagesKHR(d.Device(), swapchain_, &count, images_.data())) < 0)
        return r;
    images_.resize(count);
    extent_ = extent;
    return VK_SUCCESS;
}

VkResult GpuSwapChain::AcquireBackBuffer(VkImage* image) {
    *image = VK_NULL_HANDLE;
    if (acquired_ != NoImage) {
        *image = images_[acquired_];
        return VK_SUCCESS;
    }
    const GpuLogicalDevice& d = *device_;
    VkResult r = VK_SUCCESS;
    if (stale_ && (r = Rebuild())) return r;
    // An out-of-date chain is re-made once and asked again; a second refusal is the caller's.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!swapchain_) return VK_SUCCESS;
        uint32_t index = 0;
        r = fn_.vkAcquireNextImageKHR(d.Device(), swapchain_, UINT64_MAX, VK_NULL_HANDLE,
                                      acquireFence_, &index);
        if (r == VK_ERROR_OUT_OF_DATE_KHR) {
            if ((r = Rebuild())) return r;
            continue;
        }
        if (r != VK_SUCCESS && r != VK_SUBOPTIMAL_KHR) return r;
        // Suboptimal still presents; the chain is re-made after this frame.
        stale_ = stale_ || r == VK_SUBOPTIMAL_KHR;
        if ((r = d.Fn().vkWaitForFences(d.Device(), 1, &acquireFence_, VK_TRUE, UINT64_MAX)))
            return r;
        if ((r = d.Fn().vkResetFences(d.Device(), 1, &acquireFence_))) return r;
        acquired_ = index;
        *image = images_[index];
        return VK_SUCCESS;
    }
    return VK_ERROR_OUT_OF_DATE_KHR;
}

VkResult GpuSwapChain::Present() {
    if (acquired_ == NoImage) return VK_SUCCESS;
    VkPresentInfoKHR info{VK_STRUCTURE_TYPE_PRESENT_INFO_KHR};
    info.swapchainCount = 1;
    info.pSwapchains = &swapchain_;
    info.pImageIndices = &acquired_;
    VkResult r = fn_.vkQueuePresentKHR(device_->Queue(), &info);
    acquired_ = NoImage;
    if (r == VK_ERROR_OUT_OF_DATE_KHR || r == VK_SUBOPTIMAL_KHR) {
        stale_ = true;
        return VK_SUCCESS;
    }
    return r;
}

}  // namespace Graphics
