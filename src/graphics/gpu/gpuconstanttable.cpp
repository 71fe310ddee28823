#include "graphics/gpu/gpuconstanttable.h"

#include "graphics/gpu/gpudevice.h"

namespace Graphics {

void GpuConstantTable::Set(uint32_t index, float x, float y, float z, float w) {
    if (index >= registers_.size()) registers_.resize(size_t(index) + 1, {0, 0, 0, 0});
    registers_[index] = {x, y, z, w};
}

void GpuConstantTable::ApplyTo(GpuDevice& device, int stage) const {
    if (registers_.empty() || device.IsLost()) return;
    std::shared_ptr<GpuBuffer> buffer = device.CreateConstantBuffer(
        registers_.data(), uint32_t(registers_.size() * sizeof(registers_[0])));
    device.SetConstantBuffer(GpuDevice::Stage(stage), std::move(buffer));
}

void GpuVertexShaderConstantTable::Apply(GpuDevice& device) const {
    ApplyTo(device, GpuDevice::VertexStage);
}

void GpuPixelShaderConstantTable::Apply(GpuDevice& device) const {
    ApplyTo(device, GpuDevice::PixelStage);
}

}  // namespace Graphics
