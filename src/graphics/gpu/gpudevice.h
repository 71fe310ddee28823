#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "graphics/gpu/gpubuffer.h"
#include "graphics/gpu/gpuhandle.h"
#include "graphics/gpu/gpuimage.h"
#include "graphics/gpu/gpuresourcetracker.h"
#include "graphics/gpu/gpushadercompiler.h"
#include "gx.h"

namespace Platform {
class X11Window;
}

namespace Graphics {

class GpuBitmapCache;
class GpuShaderCache;
class GpuSwapChain;
class GpuVulkan;

// A system-memory copy of an image region: what locks map, and the stage of every upload
// and read-back.
struct GpuStagingSurface {
    std::shared_ptr<GpuBuffer> buffer;  // host-visible, mapped
    uint32_t width;                     // pixels
    uint32_t height;                    // rows
    uint32_t pixelBytes;                // 4 or 1
    uint32_t rowPitch;                  // bytes from one row to the next, a multiple of 16
};

using GpuPipeline = GpuHandle<VkPipeline>;
using GpuSampler = GpuHandle<VkSampler>;

// The one place where the renderer talks to Vulkan: it creates every GPU object, keeps the
// bindings of the next draw until the draw turns them into a descriptor set, owns the
// shader and bitmap caches and the resource tracker, and folds device loss into one flag
// so that drawing degrades to no-ops until the device is made anew.
class GpuDevice : public std::enable_shared_from_this<GpuDevice> {
public:
    // The pixel stage's constants bind to slot 1, the vertex stage's to slot 0.
    enum Stage { VertexStage = 0, PixelStage = 1 };
    static constexpr uint32_t SlotCount = GpuLogicalDevice::SlotCount;
    static constexpr uint32_t RenderTargetCount = 2;

    // Raises "Failed to load shaderc module" or "Vulkan error".
    GpuDevice(std::shared_ptr<GpuVulkan> vulkan, VkPhysicalDevice physical, uint32_t queueFamily);
    ~GpuDevice();
    GpuDevice(const GpuDevice&) = delete;
    GpuDevice& operator=(const GpuDevice&) = delete;

    // Makes the logical device anew and clears the lost flag.
    void CreateDevice();

    // Creation (null while lost; under memory pressure idle resources are evicted one by
    // one and the creation retried; any other failure raises "Vulkan error"). Sizes of
    // textures below 1 become 1; a format with no GPU form raises "Unsuported pixel format".
    std::shared_ptr<GpuStagingSurface> CreateSysMemSurface(uint32_t width, uint32_t height,
                                                           GXPixelFormat format);
    std::shared_ptr<GpuImage> CreateVidMemTexture(int32_t width, int32_t height,
                                                  GXPixelFormat format, bool wantMipmaps);
    std::shared_ptr<GpuImage> CreateRenderTexture(int32_t width, int32_t height,
                                                  GXPixelFormat format);
    std::shared_ptr<GpuBuffer> CreateVertexBuffer(uint32_t bytes);
    std::shared_ptr<GpuBuffer> CreateConstantBuffer(const void* data, uint32_t bytes);
    // The pipeline of one composed shader: the vertex format (float2 position, float4
    // colour, 24 bytes), triangle strips, one or two colour targets blended with the fast
    // or the composition blend state.
    std::shared_ptr<GpuPipeline> CreatePipeline(const std::vector<uint32_t>& vertexCode,
                                                const std::vector<uint32_t>& pixelCode,
                                                uint32_t renderTargets, bool fastComposition);
    // A swap chain on the window, of its client size. A lost device is made anew first.
    // Raises "Vulkan error" when the system cannot present to the window (no window-system
    // extensions, a queue that cannot present there, no usable surface format).
    std::shared_ptr<GpuSwapChain> CreateSwapChainForWindow(
        std::shared_ptr<Platform::X11Window> window);

    // Pending bindings of the next draw; null, or anything while lost, clears the slot.
    void SetRenderTarget(uint32_t slot, std::shared_ptr<GpuImage> image);
    void SetTexture(uint32_t slot, std::shared_ptr<GpuImage> image);
    // Address codes: 1 wrap, 2 mirror, anything else clamp; filter: 1 linear without
    // mipmaps, 2 linear with mipmaps, anything else nearest. A new sampler every call.
    void SetSamplerState(uint32_t slot, int32_t addressU, int32_t addressV, int32_t filter);
    void SetConstantBuffer(Stage stage, std::shared_ptr<GpuBuffer> buffer);
    void SetPipeline(std::shared_ptr<GpuPipeline> pipeline, uint32_t renderTargets);
    void SetVertexBuffer(std::shared_ptr<GpuBuffer> buffer);
    // Draws `vertexCount` vertices as a triangle strip with the pending bindings into
    // render target 0 (and 1), viewport and scissor covering render target 0. Nothing while
    // lost or when the pipeline, the vertex buffer or render target 0 is missing.
    void Draw(uint32_t vertexCount);

    // The surface's pixels for the CPU, after every recorded GPU write to it has finished.
    // Null and 0 while lost.
    GXBitmapData MapResource(const GpuStagingSurface& surface);
    // The buffer's bytes, once recorded draws no longer read them (null while lost).
    uint8_t* MapBuffer(GpuBuffer& buffer);
    // Ends a mapping; what was written is what the GPU reads from then on. Nothing while
    // lost.
    void UnmapResource(const GpuStagingSurface& surface);
    void UnmapResource(GpuBuffer& buffer);
    // Copies level 0 of the source into level 0 of the destination, over the area both
    // have. Nothing while lost.
    void CopyResource(const std::shared_ptr<GpuImage>& source,
                      const std::shared_ptr<GpuImage>& destination);
    // Copies the image into the swap chain's back buffer (acquired first when the frame
    // has none yet); where the back buffer is larger than the image it is black. Nothing
    // while lost or while the window has no area.
    void CopyResource(const std::shared_ptr<GpuImage>& source,
                      const std::shared_ptr<GpuSwapChain>& destination);
    // Copies `rect` (null: all of level 0) of the source to `point` (null: 0,0) of the
    // destination's `level`; an empty rectangle copies nothing. Nothing while lost.
    void CopyRect(const std::shared_ptr<GpuImage>& source, const GXIntRect* rect,
                  const std::shared_ptr<GpuImage>& destination, uint32_t level,
                  const GXIntPoint* point);
    void CopyRect(const std::shared_ptr<GpuStagingSurface>& source, const GXIntRect* rect,
                  const std::shared_ptr<GpuImage>& destination, uint32_t level,
                  const GXIntPoint* point);
    // Read-back: `rect` of the source's `level` into the staging surface at `point`.
    void CopyRect(const std::shared_ptr<GpuImage>& source, uint32_t level, const GXIntRect* rect,
                  const std::shared_ptr<GpuStagingSurface>& destination, const GXIntPoint* point);
    // Fills `rect` (null: all) of a render texture with a premultiplied RGBA colour.
    void ColorFill(const std::shared_ptr<GpuImage>& image, const GXIntRect* rect,
                   const float color[4]);
    // Submits the recorded work.
    void Flush();
    // Ends a frame: the recorded work is submitted and the swap chain (when given) shows
    // its back buffer; on a lost device (before or during the submit) every GPU object is
    // released and the device made anew instead, and nothing is shown. A swap chain found
    // out of date is re-made at its next acquire; a window gone raises "Vulkan error".
    void Present(GpuSwapChain* swapChain = nullptr);
    // Releases the pending bindings, the caches and the GPU object of every resource.
    void ReleaseDeviceObjects();

    // Lost-family results set the lost flag and become success; others pass unchanged.
    VkResult CheckResult(VkResult result);
    bool IsLost() const { return lost_; }
    // Test hook: the next Vulkan call checked reports the device lost.
    void ReportLossOnNextCall() { lossOnNextCall_ = true; }
    // Draw calls recorded since the device object was made (batching is measured by it).
    uint64_t DrawCount() const { return drawCount_; }
    // Submissions on the current device generation (0 while there is none).
    uint64_t SubmitCount() const { return device_ ? device_->SubmitCount() : 0; }

    std::shared_ptr<GpuShaderCache> GetShaderCache();
    std::shared_ptr<GpuBitmapCache> GetBitmapCache();
    GpuResourceTracker& Tracker() { return tracker_; }
    const GpuShaderCompiler& Compiler() const { return compiler_; }
    // Textures larger than this on either side cannot be made.
    uint32_t MaxTextureSize() const { return maxTextureSize_; }
    // Bytes of device memory the renderer may hold; creation beyond evicts, then fails.
    void SetMemoryBudget(uint64_t bytes);
    uint64_t MemoryInUse() const;

private:
    // Runs `create` until it succeeds or memory runs out with nothing left to evict; the
    // result has passed CheckResult.
    template <typename Create>
    VkResult CreateWithRetry(Create create);
    std::shared_ptr<GpuImage> CreateImage(int32_t width, int32_t height, GXPixelFormat format,
                                          uint32_t mipLevels, bool renderTarget);
    VkCommandBuffer Record();

    std::shared_ptr<GpuVulkan> vulkan_;           // the instance the device is made on
    VkPhysicalDevice physical_;                    // the chosen adapter
    uint32_t queueFamily_;                         // a family with graphics
    uint32_t maxTextureSize_ = 0;                  // maxImageDimension2D of physical_
    std::shared_ptr<GpuLogicalDevice> device_;     // the current generation; null after release
    GpuResourceTracker tracker_;
    bool lost_ = false;                            // set by CheckResult, cleared by CreateDevice
    bool lossOnNextCall_ = false;                  // test hook, see ReportLossOnNextCall
    uint64_t drawCount_ = 0;                       // vkCmdDraw calls recorded
    uint64_t memoryBudget_ = UINT64_MAX;           // carried over to each new generation
    std::shared_ptr<GpuBitmapCache> bitmapCache_;  // made on first request
    std::shared_ptr<GpuShaderCache> shaderCache_;  // made on first request
    GpuShaderCompiler compiler_;
    std::array<std::shared_ptr<GpuImage>, RenderTargetCount> renderTargets_;  // 0 colour, 1 shape
    std::array<std::shared_ptr<GpuImage>, SlotCount> textures_;
    std::array<std::shared_ptr<GpuSampler>, SlotCount> samplers_;
    std::array<std::shared_ptr<GpuBuffer>, 2> constants_;  // by Stage
    std::shared_ptr<GpuPipeline> pipeline_;
    uint32_t pipelineTargets_ = 1;                 // colour targets pipeline_ writes
    std::shared_ptr<GpuBuffer> vertexBuffer_;
};

}  // namespace Graphics
