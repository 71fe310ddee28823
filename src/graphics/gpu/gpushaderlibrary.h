#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Graphics {

// Type codes of a fragment's named constants, each filling whole 16-byte registers.
namespace ShaderConstantType {
constexpr int32_t Float = 0;     // one register (value, 0, 0, 0)
constexpr int32_t Float4 = 2;    // one register
constexpr int32_t Float4x2 = 3;  // two registers: (a, c, e, 0) then (b, d, f, 0)
}  // namespace ShaderConstantType

// Vertex-stage parameter kinds: what the vertex main passes for each declared parameter.
namespace VertexParameter {
constexpr int32_t Position = 0;      // "position", float2
constexpr int32_t Color = 1;         // "color", float4
constexpr int32_t Constants = 2;     // the fragment's _VSConstData member of vsData
constexpr int32_t OutColor = 3;      // "output.color", inout float4
constexpr int32_t OutPosition = 4;   // "output.position", inout float4
constexpr int32_t OutVarying1 = 5;   // a float varying
constexpr int32_t OutVarying2 = 6;   // a float2 varying
constexpr int32_t OutVarying4 = 7;   // a float4 varying
}  // namespace VertexParameter

// Pixel-stage parameter kinds: what the pixel main passes for each declared parameter.
namespace PixelParameter {
constexpr int32_t Varying1 = 0;   // float input
constexpr int32_t Varying2 = 1;   // float2 input
constexpr int32_t Varying4 = 2;   // float4 input
constexpr int32_t Texture = 3;    // a Texture2D and its sampler, counted as one parameter
constexpr int32_t Constants = 4;  // the fragment's _PSConstData member of psData
constexpr int32_t Color = 5;      // the running colour, inout float4
constexpr int32_t Shape = 6;      // the running shape, inout float
constexpr int32_t Output = 7;     // the PSOutput record
}  // namespace PixelParameter

struct ShaderConstant {
    int32_t type;      // a ShaderConstantType code
    std::string name;  // the struct member's name
};

// One stage of one fragment.
struct ShaderFunction {
    std::string text;                      // "(" parameter list ") {" body "}"
    std::vector<int32_t> kinds;            // one parameter kind per declared parameter
    std::vector<ShaderConstant> constants;  // in declaration order
};

// A library fragment: a name and the functions it contributes to each stage (either may be
// absent).
struct ShaderFragment {
    std::string name;
    const ShaderFunction* vertex;  // null when the fragment does nothing per vertex
    const ShaderFunction* pixel;   // null when the fragment does nothing per pixel
};

// What one compile asks for: how the source meets the backdrop, and the fragments that
// shape the source on the way, applied in list order.
struct ShaderDescription {
    int32_t blendMode;                             // 0..15
    int32_t compositionKind;                       // 0..7
    std::vector<const ShaderFragment*> fragments;  // repeats allowed
};

// The fixed library of HLSL fragments the GPU renderer composes its shaders from. The
// tables are built once at load time and never change.
class GpuShaderLibrary {
public:
    static constexpr int32_t FragmentCount = 18;
    static constexpr int32_t CompositionCount = 8;
    static constexpr int32_t BlendModeCount = 16;

    // Fragment ids: the values a ShaderKey lists.
    enum FragmentId : int32_t {
        T2D, SC, BC, BCP, SO, BOAlpha, BOIAlpha, BOLum, BOILum, BOLumP, BOILumP,
        SS, BSAlpha, BSIAlpha, BSLum, BSILum, BSLumP, BSILumP
    };
    // Composition kinds: the last function of every pixel shader, writing its outputs.
    enum CompositionKind : int32_t {
        BasicFastComposition, BasicComposition, LayerResultComposition,
        IsolatedLayerResultComposition, LayerComposition, IsolatedLayerComposition,
        KnockoutLayerComposition, IsolatedKnockoutLayerComposition
    };

    // `id` in 0..FragmentCount-1.
    static const ShaderFragment& Fragment(int32_t id);
    // `kind` in 0..CompositionCount-1.
    static const ShaderFragment& Composition(int32_t kind);
    // The body of "float3 Blend(float3 cb, float3 cs) {" for blend mode `mode` (0..15).
    static const char* BlendBody(int32_t mode);
    // The helper functions, each a complete definition between line feeds.
    static const char* LuminosityFunction();
    static const char* SaturationFunction();
    static const char* ClipColorFunction();
    static const char* SetLumFunction();
    static const char* SetSatFunction();
};

// HLSL text of the vertex shader (entry point "VS") for `description`. Pure: the same
// description always gives the same text.
std::string GenerateVertexShader(const ShaderDescription& description);
// HLSL text of the pixel shader (entry point "PS") for `description`.
std::string GeneratePixelShader(const ShaderDescription& description);

}  // namespace Graphics
