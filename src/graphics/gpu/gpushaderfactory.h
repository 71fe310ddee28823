#pragma once

#include <memory>

#include "graphics/gpu/shaderkey.h"

namespace Graphics {

class GpuShader;

// Makes the shader for a key; the cache asks it on a miss.
class GpuShaderFactory {
public:
    virtual ~GpuShaderFactory() = default;
    virtual std::shared_ptr<GpuShader> CreateShader(const ShaderKey& key) = 0;
};

}  // namespace Graphics
