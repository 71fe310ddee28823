#include "graphics/gpu/gpushader.h"

namespace Graphics {

GpuShader::GpuShader(std::shared_ptr<GpuDevice> device, std::shared_ptr<GpuPipeline> pipeline,
                     uint32_t renderTargets)
    : GpuResource(std::move(device)), pipeline_(std::move(pipeline)), renderTargets_(renderTargets) {}

bool GpuShader::IsValid() const {
    std::lock_guard lock(mutex_);
    return pipeline_ != nullptr;
}

void GpuShader::ReleaseGpuObject() {
    std::lock_guard lock(mutex_);
    pipeline_.reset();
}

void GpuShader::Apply(GpuDevice& device) const {
    std::lock_guard lock(mutex_);
    if (device.IsLost()) return;
    device.SetPipeline(pipeline_, renderTargets_);
}

}  // namespace Graphics
