#include "graphics/gpu/gpushadercompiler.h"

#include <shaderc/shaderc.h>

#include <cstring>

#include "graphics/core/diagnosticlisteners.h"
#include "graphics/core/exception.h"
#include "graphics/gpu/gpulogicaldevice.h"

namespace Graphics {

namespace {

GpuShaderCompiler::Options MakeOptions(shaderc_shader_kind stage, uint32_t constantBinding) {
    GpuShaderCompiler::Options owned(shaderc_compile_options_initialize(),
                                     shaderc_compile_options_release);
    shaderc_compile_options_t options = owned.get();
    if (!options) return owned;
    shaderc_compile_options_set_source_language(options, shaderc_source_language_hlsl);
    shaderc_compile_options_set_target_env(options, shaderc_target_env_vulkan,
                                           shaderc_env_version_vulkan_1_3);
    shaderc_compile_options_set_optimization_level(options,
                                                   shaderc_optimization_level_performance);
    shaderc_compile_options_set_warnings_as_errors(options);
    // Registers decide bindings, shifted per register class into the device's ranges: t and
    // s would otherwise both land at binding 0. The stage's constants (the global record)
    // get a binding of their own per stage.
    shaderc_compile_options_set_hlsl_io_mapping(options, true);
    shaderc_compile_options_set_hlsl_offsets(options, true);
    shaderc_compile_options_set_auto_bind_uniforms(options, true);
    shaderc_compile_options_set_binding_base_for_stage(
        options, stage, shaderc_uniform_kind_texture, GpuLogicalDevice::TextureBinding);
    shaderc_compile_options_set_binding_base_for_stage(
        options, stage, shaderc_uniform_kind_sampler, GpuLogicalDevice::SamplerBinding);
    shaderc_compile_options_set_binding_base_for_stage(options, stage,
                                                       shaderc_uniform_kind_buffer, constantBinding);
    return owned;
}

}  // namespace

GpuShaderCompiler::GpuShaderCompiler()
    : compiler_(shaderc_compiler_initialize(), shaderc_compiler_release),
      vertexOptions_(MakeOptions(shaderc_vertex_shader, GpuLogicalDevice::VertexConstantBinding)),
      pixelOptions_(MakeOptions(shaderc_fragment_shader, GpuLogicalDevice::PixelConstantBinding)) {
    if (!compiler_ || !vertexOptions_ || !pixelOptions_) GX_RAISE("Failed to load shaderc module");
}

std::vector<uint32_t> GpuShaderCompiler::Compile(const std::string& source, const char* profile,
                                                 const char* entry) const {
    bool vertex = std::strncmp(profile, "vs_", 3) == 0;
    if (!vertex && std::strncmp(profile, "ps_", 3) != 0) GX_RAISE("Failed to compile shader");
    shaderc_compilation_result_t result = shaderc_compile_into_spv(
        compiler_.get(), source.data(), source.size(), vertex ? shaderc_vertex_shader : shaderc_fragment_shader,
        "composed", entry, (vertex ? vertexOptions_ : pixelOptions_).get());
    if (!result) GX_RAISE("Failed to compile shader");
    if (shaderc_result_get_compilation_status(result) != shaderc_compilation_status_success) {
        std::string errors = shaderc_result_get_error_message(result);
        shaderc_result_release(result);
        DiagnosticListeners::Notify("shaderc: " + errors);
        GX_RAISE("Failed to compile shader");
    }
    size_t bytes = shaderc_result_get_length(result);
    std::vector<uint32_t> words(bytes / sizeof(uint32_t));
    std::memcpy(words.data(), shaderc_result_get_bytes(result), words.size() * sizeof(uint32_t));
    shaderc_result_release(result);
    return words;
}

}  // namespace Graphics
