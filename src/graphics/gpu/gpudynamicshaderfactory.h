#pragma once

#include <memory>

#include "graphics/gpu/gpushaderfactory.h"

namespace Graphics {

class GpuDevice;

// Writes the key's vertex and pixel shaders from the fragment library, compiles both and
// builds their pipeline on the device.
class GpuDynamicShaderFactory : public GpuShaderFactory {
public:
    explicit GpuDynamicShaderFactory(std::shared_ptr<GpuDevice> device) : device_(std::move(device)) {}

    // Raises "Failed to compile shader" (or "Vulkan error") when it cannot.
    std::shared_ptr<GpuShader> CreateShader(const ShaderKey& key) override;

private:
    std::shared_ptr<GpuDevice> device_;
};

}  // namespace Graphics
