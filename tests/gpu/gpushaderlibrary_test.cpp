#include <gtest/gtest.h>

#include <string>

#include "graphics/gpu/gpushaderlibrary.h"

using namespace Graphics;

namespace {

ShaderDescription Describe(int32_t composition, int32_t blendMode, std::initializer_list<int32_t> ids) {
    ShaderDescription description{blendMode, composition, {}};
    for (int32_t id : ids) description.fragments.push_back(&GpuShaderLibrary::Fragment(id));
    return description;
}

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

}  // namespace

TEST(GpuShaderLibrary, SolidFillShadersAreTheDocumentedText) {
    ShaderDescription solid = Describe(0, 0, {0});
    EXPECT_EQ(GenerateVertexShader(solid),
        "\n"
        "struct T2D_VSConstData {\n"
        "  float4x2 transform;\n"
        "};\n"
        "\n"
        "struct VSConstData {\n"
        "  T2D_VSConstData constants_T2D_0;\n"
        "};\n"
        "\n"
        "VSConstData vsData;\n"
        "\n"
        "struct VSOutput {\n"
        "  float4 position : SV_POSITION;\n"
        "  float4 color : COLOR0;\n"
        "};\n"
        "\n"
        "float Luminosity(float3 c) {\n"
        "  c *= float3(0.3, 0.59, 0.11);\n"
        "  return c.r + c.g + c.b;\n"
        "}\n"
        "\n"
        "float Saturation(float3 c) {\n"
        "  return max(c.r, max(c.g, c.b)) - min(c.r, min(c.g, c.b));\n"
        "}\n"
        "\n"
        "void VS_T2D_0(float2 position, T2D_VSConstData data, inout float4 outPos) {\n"
        "  outPos.x = position.x * data.transform._m00 + position.y * data.transform._m10 + data.transform._m20;\n"
        "  outPos.y = position.x * data.transform._m01 + position.y * data.transform._m11 + data.transform._m21;\n"
        "  outPos.z = 0;\n"
        "  outPos.w = 1;\n"
        "}\n"
        "\n"
        "VSOutput VS(float2 position : POSITION, float4 color : COLOR0) {\n"
        "  VSOutput output;\n"
        "  output.position = float4(position, 0, 1);\n"
        "  output.color = color;\n"
        "  VS_T2D_0(position, vsData.constants_T2D_0, output.position);\n"
        "  return output;\n"
        "}\n");
    EXPECT_EQ(GeneratePixelShader(solid),
        "\n"
        "\n"
        "struct PSConstData {\n"
        "};\n"
        "\n"
        "PSConstData psData;\n"
        "\n"
        "float Luminosity(float3 c) {\n"
        "  c *= float3(0.3, 0.59, 0.11);\n"
        "  return c.r + c.g + c.b;\n"
        "}\n"
        "\n"
        "float Saturation(float3 c) {\n"
        "  return max(c.r, max(c.g, c.b)) - min(c.r, min(c.g, c.b));\n"
        "}\n"
        "\n"
        "struct PSOutput {\n"
        "  float4 color : SV_TARGET0;\n"
        "};\n"
        "\n"
        "float3 Blend(float3 cb, float3 cs) {\n"
        "  return cs;\n"
        "}\n"
        "\n"
        "void PS_BasicFastComposition_1(float4 Cs, float fs, inout PSOutput output) {\n"
        "  output.color = Cs * fs;\n"
        "}\n"
        "\n"
        "PSOutput PS(float4 position : SV_POSITION, float4 diffuse : COLOR0) {\n"
        "  PSOutput output;\n"
        "  float4 color = diffuse;\n"
        "  float shape = 1;\n"
        "  PS_BasicFastComposition_1(color, shape, output);\n"
        "  return output;\n"
        "}\n");
}

TEST(GpuShaderLibrary, BackdropCompositionNamesRegistersAndVaryings) {
    ShaderDescription d = Describe(1, 0, {GpuShaderLibrary::T2D, GpuShaderLibrary::BC});
    std::string vs = GenerateVertexShader(d);
    std::string ps = GeneratePixelShader(d);
    // Member order is the register order: composition, then the list.
    EXPECT_TRUE(Has(vs, "\nstruct VSConstData {\n  BasicComposition_VSConstData constants_BasicComposition_2;"
                        "\n  T2D_VSConstData constants_T2D_0;\n  BC_VSConstData constants_BC_1;\n};\n"));
    EXPECT_TRUE(Has(vs, "\n  float2 uv_2_2 : TEXCOORD0;\n  float2 uv_1_2 : TEXCOORD1;\n};\n"));
    EXPECT_TRUE(Has(vs, "\n  VS_T2D_0(position, vsData.constants_T2D_0, output.position);"
                        "\n  VS_BC_1(position, vsData.constants_BC_1, output.uv_1_2);"
                        "\n  VS_BasicComposition_2(position, vsData.constants_BasicComposition_2, output.uv_2_2);"
                        "\n  return output;\n}\n"));
    EXPECT_EQ(ps.rfind("\nTexture2D texture_BasicComposition_2_3 : register(t0);"
                       "\nSamplerState sampler_BasicComposition_2_3 : register(s0);"
                       "\nTexture2D texture_BC_1_1 : register(t1);"
                       "\nSamplerState sampler_BC_1_1 : register(s1);\n\nstruct PSConstData {\n};\n", 0), 0u);
    EXPECT_TRUE(Has(ps, "PS(float4 position : SV_POSITION, float4 diffuse : COLOR0, float2 uv_2_2 : TEXCOORD0, "
                        "float2 uv_1_0 : TEXCOORD1) {"));
    EXPECT_TRUE(Has(ps, "\n  PS_BC_1(uv_1_0, texture_BC_1_1, sampler_BC_1_1, color);"
                        "\n  PS_BasicComposition_2(color, shape, uv_2_2, texture_BasicComposition_2_3, "
                        "sampler_BasicComposition_2_3, output);\n  return output;\n}\n"));
    EXPECT_FALSE(Has(ps, "SV_TARGET1"));
}

TEST(GpuShaderLibrary, HelpersShapeOutputAndRepeatsFollowTheRules) {
    for (int32_t mode = 0; mode < GpuShaderLibrary::BlendModeCount; ++mode) {
        for (int32_t kind = 0; kind < GpuShaderLibrary::CompositionCount; ++kind) {
            std::string ps = GeneratePixelShader(Describe(kind, mode, {}));
            EXPECT_TRUE(Has(ps, "float Luminosity(") && Has(ps, "float Saturation("));
            EXPECT_EQ(Has(ps, "float3 ClipColor("), mode > 11);
            EXPECT_EQ(Has(ps, "float3 SetLum("), mode > 11);
            EXPECT_EQ(Has(ps, "float3 SetSat("), mode == 12 || mode == 13);
            EXPECT_EQ(Has(ps, "float4 shape : SV_TARGET1;"), kind > 3) << kind;
            EXPECT_TRUE(Has(ps, std::string("\nfloat3 Blend(float3 cb, float3 cs) {") +
                                    GpuShaderLibrary::BlendBody(mode) + "\n}\n"));
        }
    }
    // An empty list with the fast composition: the composition is the only call.
    std::string fast = GeneratePixelShader(Describe(0, 0, {}));
    EXPECT_TRUE(Has(fast, "float shape = 1;\n  PS_BasicFastComposition_0(color, shape, output);\n  return output;"));
    EXPECT_TRUE(Has(GenerateVertexShader(Describe(0, 0, {})),
                    "\nstruct VSConstData {\n};\n\nVSConstData vsData;\n"));
    // A repeated fragment: one struct definition, two members, two calls, two sets of names.
    ShaderDescription twice = Describe(0, 0, {GpuShaderLibrary::SO, GpuShaderLibrary::BOAlpha,
                                               GpuShaderLibrary::SO});
    std::string ps = GeneratePixelShader(twice);
    EXPECT_EQ(ps.find("struct SO_PSConstData"), ps.rfind("struct SO_PSConstData"));
    EXPECT_TRUE(Has(ps, "\n  SO_PSConstData constants_SO_0;\n  SO_PSConstData constants_SO_2;\n};\n"));
    EXPECT_TRUE(Has(ps, "\n  PS_SO_0(psData.constants_SO_0, color);\n  PS_BOAlpha_1(uv_1_0, "
                        "texture_BOAlpha_1_1, sampler_BOAlpha_1_1, color);\n  PS_SO_2(psData.constants_SO_2, color);"));
    EXPECT_TRUE(Has(ps, "\nTexture2D texture_BOAlpha_1_1 : register(t0);"));
    EXPECT_TRUE(Has(GenerateVertexShader(twice), "\n  float2 uv_1_2 : TEXCOORD0;\n};\n"));
    EXPECT_EQ(GeneratePixelShader(twice), ps);
}
