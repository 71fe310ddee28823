#pragma once

#include <memory>
#include <mutex>

#include "graphics/gpu/gpudevice.h"
#include "graphics/gpu/gpuresource.h"

namespace Graphics {

// One composed shader on the device: its pipeline (input layout, both stages, blend state
// and colour targets together, as Vulkan builds them).
class GpuShader : public GpuResource {
public:
    // Null `pipeline` (the device was lost) makes a shader that is not valid.
    GpuShader(std::shared_ptr<GpuDevice> device, std::shared_ptr<GpuPipeline> pipeline,
              uint32_t renderTargets);

    bool IsValid() const override;
    void ReleaseGpuObject() override;
    // Binds the pipeline for the next draw; nothing while the device is lost.
    void Apply(GpuDevice& device) const;

private:
    mutable std::mutex mutex_;               // guards pipeline_ against release elsewhere
    std::shared_ptr<GpuPipeline> pipeline_;  // null once released
    uint32_t renderTargets_;                 // colour targets the pipeline writes (1 or 2)
};

}  // namespace Graphics
