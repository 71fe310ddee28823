#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include "graphics/gpu/shaderkey.h"

namespace Graphics {

class GpuDevice;
class GpuShader;

// Every shader compiled on one device, by key: each key is compiled once and kept until
// the device is made anew (which drops the whole cache).
class GpuShaderCache {
public:
    explicit GpuShaderCache(std::shared_ptr<GpuDevice> device) : device_(std::move(device)) {}

    // The shader for `key`, compiled on first request. A failed compile stores nothing.
    std::shared_ptr<GpuShader> GetShader(const ShaderKey& key);
    // How many keys were compiled (each miss compiles once).
    uint64_t CompileCount() const { return compiles_; }

private:
    std::shared_ptr<GpuDevice> device_;
    std::map<ShaderKey, std::shared_ptr<GpuShader>> shaders_;
    uint64_t compiles_ = 0;
};

}  // namespace Graphics
