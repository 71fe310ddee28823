#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "graphics/gpu/gpuvulkan.h"

namespace Graphics {

// One generation of the Vulkan device: the logical device and its queue, the one command
// buffer that records work until it is submitted, the descriptor layout every composed
// shader shares, and the memory accounting. Every Vulkan object made on it holds a shared
// reference, so the VkDevice is destroyed only after the last of them, even when the
// renderer has moved on to a new device after a loss.
class GpuLogicalDevice {
public:
    // Descriptor bindings of the one set every shader uses. The compiler shifts the HLSL
    // registers into these ranges, so t0 and s0 do not meet at binding 0.
    static constexpr uint32_t TextureBinding = 0;          // t0..t7 -> 0..7
    static constexpr uint32_t SamplerBinding = 8;          // s0..s7 -> 8..15
    static constexpr uint32_t VertexConstantBinding = 16;  // the vertex stage's constants
    static constexpr uint32_t PixelConstantBinding = 17;   // the pixel stage's constants
    static constexpr uint32_t SlotCount = 8;               // texture and sampler slots

    // A device on `physical` with one queue of `queueFamily`, or empty with the failure in
    // `result`.
    static std::shared_ptr<GpuLogicalDevice> Create(std::shared_ptr<GpuVulkan> vulkan,
                                                    VkPhysicalDevice physical,
                                                    uint32_t queueFamily, VkResult& result);
    ~GpuLogicalDevice();
    GpuLogicalDevice(const GpuLogicalDevice&) = delete;
    GpuLogicalDevice& operator=(const GpuLogicalDevice&) = delete;

    VkDevice Device() const { return device_; }
    const GpuDeviceFunctions& Fn() const { return fn_; }
    VkQueue Queue() const { return queue_; }
    const std::shared_ptr<GpuVulkan>& Vulkan() const { return vulkan_; }
    // Whether swap chains can be made (VK_KHR_swapchain is enabled: the device offers it
    // and the instance can make window surfaces).
    bool CanPresent() const { return canPresent_; }
    // A device-level entry point by name, null when the device has none.
    PFN_vkVoidFunction GetDeviceFunction(const char* name) const;
    VkPipelineLayout PipelineLayout() const { return pipelineLayout_; }
    VkImageView EmptyView() const { return emptyView_; }
    VkSampler EmptySampler() const { return emptySampler_; }
    VkBuffer EmptyBuffer() const { return emptyBuffer_; }

    // Device memory of `requirements` with `properties`, counted against the budget: an
    // allocation that would pass it fails as VK_ERROR_OUT_OF_DEVICE_MEMORY, as a full GPU
    // would.
    VkResult Allocate(const VkMemoryRequirements& requirements, VkMemoryPropertyFlags properties,
                      VkDeviceMemory* memory);
    void Free(VkDeviceMemory memory, VkDeviceSize size);
    void SetMemoryBudget(uint64_t bytes) { budget_ = bytes; }
    uint64_t MemoryInUse() const { return inUse_; }

    // The command buffer being recorded, begun on first use after a submit.
    VkResult Commands(VkCommandBuffer* commands);
    bool HasPendingCommands() const { return recording_; }
    // Makes everything recorded before visible to everything recorded after, host included.
    void Barrier(VkCommandBuffer commands);
    // Records the move of `image`'s first `levels` levels from one layout to another, after
    // the `source` stages' `sourceAccess` and before the `target` stages' `targetAccess`.
    void Transition(VkCommandBuffer commands, VkImage image, uint32_t levels, VkImageLayout from,
                    VkImageLayout to, VkPipelineStageFlags source, VkAccessFlags sourceAccess,
                    VkPipelineStageFlags target, VkAccessFlags targetAccess) const;
    // Keeps `object` alive until the recorded work that uses it has finished.
    void Retain(std::shared_ptr<const void> object) { retained_.push_back(std::move(object)); }
    // Whether recorded work that has not been submitted retains `object`.
    bool Retains(const void* object) const;
    // A descriptor set of the shared layout, valid until the next submit.
    VkResult AllocateDescriptorSet(VkDescriptorSet* set);
    // Submits what was recorded and waits for it; then the retained objects and descriptor
    // sets are released. Nothing recorded: success at once.
    VkResult Submit();
    // Submissions made so far (how many a frame takes is measured by it).
    uint64_t SubmitCount() const { return submitCount_; }

private:
    GpuLogicalDevice() = default;
    VkResult Initialise(VkPhysicalDevice physical, uint32_t queueFamily);
    VkResult CreateEmptyBindings();
    VkResult AddDescriptorPool();

    std::shared_ptr<GpuVulkan> vulkan_;        // the instance, outlives the device
    VkDevice device_ = VK_NULL_HANDLE;
    GpuDeviceFunctions fn_;                    // entry points of device_
    VkPhysicalDeviceMemoryProperties memoryProperties_{};
    VkQueue queue_ = VK_NULL_HANDLE;
    bool canPresent_ = false;                  // VK_KHR_swapchain is enabled
    VkCommandPool commandPool_ = VK_NULL_HANDLE;
    VkCommandBuffer commands_ = VK_NULL_HANDLE;
    VkFence fence_ = VK_NULL_HANDLE;           // signalled when a submit finished
    bool recording_ = false;                   // commands_ is begun and holds work
    uint64_t submitCount_ = 0;                 // vkQueueSubmit calls
    VkDescriptorSetLayout setLayout_ = VK_NULL_HANDLE;
    VkPipelineLayout pipelineLayout_ = VK_NULL_HANDLE;
    std::vector<VkDescriptorPool> pools_;      // the last one serves new sets
    std::vector<std::shared_ptr<const void>> retained_;  // used by recorded work
    // What a draw binds where no texture, sampler or constants were set: a transparent 1x1
    // image, a clamping point sampler and 256 zero bytes.
    VkImage emptyImage_ = VK_NULL_HANDLE;
    VkDeviceMemory emptyImageMemory_ = VK_NULL_HANDLE;
    VkImageView emptyView_ = VK_NULL_HANDLE;
    VkSampler emptySampler_ = VK_NULL_HANDLE;
    VkBuffer emptyBuffer_ = VK_NULL_HANDLE;
    VkDeviceMemory emptyBufferMemory_ = VK_NULL_HANDLE;
    std::atomic<uint64_t> budget_ = UINT64_MAX;  // bytes the renderer may allocate
    std::atomic<uint64_t> inUse_ = 0;            // bytes allocated now
};

}  // namespace Graphics
