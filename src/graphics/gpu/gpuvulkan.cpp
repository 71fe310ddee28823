#include "graphics/gpu/gpuvulkan.h"

#include <dlfcn.h>

#include <cstring>
#include <vector>

namespace Graphics {

namespace {

// The instance extensions that present to X11 windows, when the loader offers both: a
// machine without them still draws off-screen.
std::vector<const char*> WindowSystemExtensions(PFN_vkGetInstanceProcAddr getInstanceProcAddr) {
    auto enumerate = reinterpret_cast<PFN_vkEnumerateInstanceExtensionProperties>(
        getInstanceProcAddr(VK_NULL_HANDLE, "vkEnumerateInstanceExtensionProperties"));
    uint32_t count = 0;
    if (!enumerate || enumerate(nullptr, &count, nullptr) != VK_SUCCESS) return {};
    std::vector<VkExtensionProperties> offered(count);
    if (enumerate(nullptr, &count, offered.data()) < 0) return {};
    offered.resize(count);
    std::vector<const char*> wanted = {VK_KHR_SURFACE_EXTENSION_NAME, "VK_KHR_xlib_surface"};
    for (const char* name : wanted) {
        bool found = false;
        for (const VkExtensionProperties& extension : offered)
            found = found || std::strcmp(extension.extensionName, name) == 0;
        if (!found) return {};
    }
    return wanted;
}

}  // namespace

std::shared_ptr<GpuVulkan> GpuVulkan::Load() {
    std::shared_ptr<GpuVulkan> vulkan(new GpuVulkan());
    vulkan->library_ = dlopen("libvulkan.so.1", RTLD_NOW | RTLD_LOCAL);
    if (!vulkan->library_) return {};
    auto getInstanceProcAddr = reinterpret_cast<PFN_vkGetInstanceProcAddr>(
        dlsym(vulkan->library_, "vkGetInstanceProcAddr"));
    if (!getInstanceProcAddr) return {};
    auto enumerateVersion = reinterpret_cast<PFN_vkEnumerateInstanceVersion>(
        getInstanceProcAddr(VK_NULL_HANDLE, "vkEnumerateInstanceVersion"));
    auto createInstance = reinterpret_cast<PFN_vkCreateInstance>(
        getInstanceProcAddr(VK_NULL_HANDLE, "vkCreateInstance"));
    uint32_t version = 0;
    if (!enumerateVersion || !createInstance || enumerateVersion(&version) != VK_SUCCESS ||
        version < VK_API_VERSION_1_3)
        return {};

    VkApplicationInfo application{VK_STRUCTURE_TYPE_APPLICATION_INFO};
    application.pEngineName = "libgx";
    application.apiVersion = VK_API_VERSION_1_3;
    std::vector<const char*> extensions = WindowSystemExtensions(getInstanceProcAddr);
    VkInstanceCreateInfo info{VK_STRUCTURE_TYPE_INSTANCE_CREATE_INFO};
    info.pApplicationInfo = &application;
    info.enabledExtensionCount = uint32_t(extensions.size());
    info.ppEnabledExtensionNames = extensions.data();
    if (createInstance(&info, nullptr, &vulkan->instance_) != VK_SUCCESS) {
        vulkan->instance_ = VK_NULL_HANDLE;
        return {};
    }
    bool complete = true;
#define GX_VULKAN_FETCH(name)                                                                \
    vulkan->functions_.name =                                                                \
        reinterpret_cast<PFN_##name>(getInstanceProcAddr(vulkan->instance_, #name));         \
    complete = complete && vulkan->functions_.name;
    GX_VULKAN_INSTANCE_FUNCTIONS(GX_VULKAN_FETCH)
#undef GX_VULKAN_FETCH
    if (!complete) return {};
    vulkan->getInstanceProcAddr_ = getInstanceProcAddr;
    vulkan->windowSystem_ = !extensions.empty();
    return vulkan;
}

PFN_vkVoidFunction GpuVulkan::GetInstanceFunction(const char* name) const {
    return getInstanceProcAddr_(instance_, name);
}

GpuVulkan::~GpuVulkan() {
    if (instance_ && functions_.vkDestroyInstance) functions_.vkDestroyInstance(instance_, nullptr);
    // The loader stays loaded once opened, as in most Vulkan programs: drivers keep
    // process-wide state (lavapipe's LLVM, its thread pools) that does not survive being
    // unloaded and loaded again.
}

bool GpuVulkan::LoadDeviceFunctions(VkDevice device, GpuDeviceFunctions& out) const {
    bool complete = true;
#define GX_VULKAN_FETCH(name)                                                                \
    out.name = reinterpret_cast<PFN_##name>(functions_.vkGetDeviceProcAddr(device, #name));   \
    complete = complete && out.name;
    GX_VULKAN_DEVICE_FUNCTIONS(GX_VULKAN_FETCH)
#undef GX_VULKAN_FETCH
    return complete;
}

}  // namespace Graphics
