#include "graphics/gpu/gpushadercache.h"

#include "graphics/gpu/gpudynamicshaderfactory.h"
#include "graphics/gpu/gpushader.h"

namespace Graphics {

std::shared_ptr<GpuShader> GpuShaderCache::GetShader(const ShaderKey& key) {
    auto found = shaders_.find(key);
    if (found != shaders_.end()) return found->second;
    ++compiles_;
    std::shared_ptr<GpuShader> shader = GpuDynamicShaderFactory(device_).CreateShader(key);
    shaders_[key] = shader;
    return shader;
}

}  // namespace Graphics
