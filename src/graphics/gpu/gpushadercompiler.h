#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct shaderc_compiler;
struct shaderc_compile_options;

namespace Graphics {

// Compiles the composed HLSL text into SPIR-V through shaderc (glslang's HLSL front end),
// placing resources where the device's descriptor layout expects them.
class GpuShaderCompiler {
public:
    // Raises "Failed to load shaderc module" when the compiler cannot start.
    GpuShaderCompiler();

    using Options = std::unique_ptr<shaderc_compile_options, void (*)(shaderc_compile_options*)>;

    // SPIR-V words of `source` for `entry` under `profile` ("vs_..." a vertex shader, "ps_..."
    // a pixel shader). Warnings count as errors; any failure raises "Failed to compile
    // shader" (the compiler's own text goes to the diagnostic listeners only).
    std::vector<uint32_t> Compile(const std::string& source, const char* profile,
                                  const char* entry) const;

private:
    std::unique_ptr<shaderc_compiler, void (*)(shaderc_compiler*)> compiler_;
    Options vertexOptions_;  // resource placement of the vertex stage
    Options pixelOptions_;   // of the pixel stage
};

}  // namespace Graphics
