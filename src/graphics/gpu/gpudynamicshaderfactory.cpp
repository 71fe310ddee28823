#include "graphics/gpu/gpudynamicshaderfactory.h"

#include "graphics/core/exception.h"
#include "graphics/gpu/gpudevice.h"
#include "graphics/gpu/gpushader.h"
#include "graphics/gpu/gpushaderlibrary.h"

namespace Graphics {

std::shared_ptr<GpuShader> GpuDynamicShaderFactory::CreateShader(const ShaderKey& key) {
    // Keys come from the draw code, but a bad one must fail, not index past the tables.
    if (key.compositionKind < 0 || key.compositionKind >= GpuShaderLibrary::CompositionCount ||
        key.blendMode < 0 || key.blendMode >= GpuShaderLibrary::BlendModeCount)
        GX_RAISE("Failed to compile shader");
    ShaderDescription description{key.blendMode, key.compositionKind, {}};
    for (int32_t id : key.fragmentIds) {
        if (id < 0 || id >= GpuShaderLibrary::FragmentCount) GX_RAISE("Failed to compile shader");
        description.fragments.push_back(&GpuShaderLibrary::Fragment(id));
    }
    const GpuShaderCompiler& compiler = device_->Compiler();
    std::vector<uint32_t> vertexCode =
        compiler.Compile(GenerateVertexShader(description), "vs_4_0_level_9_1", "VS");
    std::vector<uint32_t> pixelCode =
        compiler.Compile(GeneratePixelShader(description), "ps_4_0_level_9_1", "PS");
    // Compositions from LayerComposition on write colour and shape into two targets; the
    // fast one blends source over, the others write what they computed.
    uint32_t renderTargets =
        key.compositionKind > GpuShaderLibrary::IsolatedLayerResultComposition ? 2 : 1;
    bool fast = key.compositionKind == GpuShaderLibrary::BasicFastComposition;
    return std::make_shared<GpuShader>(
        device_, device_->CreatePipeline(vertexCode, pixelCode, renderTargets, fast), renderTargets);
}

}  // namespace Graphics
