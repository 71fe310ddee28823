#include "graphics/gpu/gpushaderlibrary.h"

#include <array>

namespace Graphics {
namespace {

using SCT = std::vector<ShaderConstant>;

// The vertex function every texture fragment shares: the position mapped through the
// fragment's own transform gives its texture coordinate. Only the constant struct's name
// differs between fragments.
std::string TextureVertexText(const std::string& name) {
    return "(float2 position, " + name +
           "_VSConstData data, inout float2 texcoord) {\n"
           "  texcoord.x = position.x * data.transform._m00 + position.y * data.transform._m10 + data.transform._m20;\n"
           "  texcoord.y = position.x * data.transform._m01 + position.y * data.transform._m11 + data.transform._m21;\n"
           "}";
}

ShaderFunction TextureVertexFunction(const std::string& name) {
    return {TextureVertexText(name), {0, 2, 6}, SCT{{ShaderConstantType::Float4x2, "transform"}}};
}

const ShaderFunction t2dVertex{
    "(float2 position, T2D_VSConstData data, inout float4 outPos) {\n"
        "  outPos.x = position.x * data.transform._m00 + position.y * data.transform._m10 + data.transform._m20;\n"
        "  outPos.y = position.x * data.transform._m01 + position.y * data.transform._m11 + data.transform._m21;\n"
        "  outPos.z = 0;\n"
        "  outPos.w = 1;\n"
        "}",
    {0, 2, 4},
    SCT{{ShaderConstantType::Float4x2, "transform"}}};

// Pixel functions, by fragment id (T2D has none).
const std::array<ShaderFunction, 17> fragmentPixel{{
    {"(SC_PSConstData data, inout float4 result) {\n"
      "  result *= data.color;\n"
      "}",
     {4, 5},
     SCT{{ShaderConstantType::Float4, "color"}}},  // SC
    {"(float2 texcoord, Texture2D bitmapTexture, sampler bitmapSampler, inout float4 result) {\n"
      "  float4 sample = bitmapTexture.Sample(bitmapSampler, texcoord);\n"
      "  sample.rgb *= sample.a;\n"
      "  result *= sample;\n"
      "}",
     {1, 3, 5},
     SCT{}},  // BC
    {"(float2 texcoord, Texture2D bitmapTexture, sampler bitmapSampler, inout float4 result) {\n"
      "  result *= bitmapTexture.Sample(bitmapSampler, texcoord);\n"
      "}",
     {1, 3, 5},
     SCT{}},  // BCP
    {"(SO_PSConstData data, inout float4 result) {\n"
      "  result *= data.opacity;\n"
      "}",
     {4, 5},
     SCT{{ShaderConstantType::Float, "opacity"}}},  // SO
    {"(float2 texcoord, Texture2D bitmapTexture, sampler bitmapSampler, inout float4 result) {\n"
      "  result *= bitmapTexture.Sample(bitmapSampler, texcoord).a;\n"
      "}",
     {1, 3, 5},
     SCT{}},  // BOAlpha
    {"(float2 texcoord, Texture2D bitmapTexture, sampler bitmapSampler, inout float4 result) {\n"
      "  result *= 1.f - bitmapTexture.Sample(bitmapSampler, texcoord).a;\n"
      "}",
     {1, 3, 5},
     SCT{}},  // BOIAlpha
    {"(float2 texcoord, Texture2D bitmapTexture, sampler bitmapSampler, inout float4 result) {\n"
      "  float4 sample = bitmapTexture.Sample(bitmapSampler, texcoord);\n"
      "  result *= Luminosity(sample.rgb);\n"
      "}",
     {1, 3, 5},
     SCT{}},  // BOLum
    {"(float2 texcoord, Texture2D bitmapTexture, sampler bitmapSampler, inout float4 result) {\n"
      "  float4 sample = bitmapTexture.Sample(bitmapSampler, texcoord);\n"
      "  result *= 1 - Luminosity(sample.rgb);\n"
      "}",
     {1, 3, 5},
     SCT{}},  // BOILum
    {"(float2 texcoord, Texture2D bitmapTexture, sampler bitmapSampler, inout float4 result) {\n"
      "  float4 sample = bitmapTexture.Sample(bitmapSampler, texcoord);\n"
      "  result *= Luminosity(sample.rgb) / sample.a;\n"
      "}",
     {1, 3, 5},
     SCT{}},  // BOLumP
    {"(float2 texcoord, Texture2D bitmapTexture, sampler bitmapSampler, inout float4 result) {\n"
      "  float4 sample = bitmapTexture.Sample(bitmapSampler, texcoord);\n"
      "  result *= 1 - Luminosity(sample.rgb) / sample.a;\n"
      "}",
     {1, 3, 5},
     SCT{}},  // BOILumP
    {"(SS_PSConstData data, inout float result) {\n"
      "  result *= data.shape;\n"
      "}",
     {4, 6},
     SCT{{ShaderConstantType::Float, "shape"}}},  // SS
    {"(float2 texcoord, Texture2D bitmapTexture, sampler bitmapSampler, inout float result) {\n"
      "  result *= bitmapTexture.Sample(bitmapSampler, texcoord).a;\n"
      "}",
     {1, 3, 6},
     SCT{}},  // BSAlpha
    {"(float2 texcoord, Texture2D bitmapTexture, sampler bitmapSampler, inout float result) {\n"
      "  result *= 1.f - bitmapTexture.Sample(bitmapSampler, texcoord).a;\n"
      "}",
     {1, 3, 6},
     SCT{}},  // BSIAlpha
    {"(float2 texcoord, Texture2D bitmapTexture, sampler bitmapSampler, inout float result) {\n"
      "  float4 sample = bitmapTexture.Sample(bitmapSampler, texcoord);\n"
      "  result *= Luminosity(sample.rgb);\n"
      "}",
     {1, 3, 6},
     SCT{}},  // BSLum
    {"(float2 texcoord, Texture2D bitmapTexture, sampler bitmapSampler, inout float result) {\n"
      "  float4 sample = bitmapTexture.Sample(bitmapSampler, texcoord);\n"
      "  result *= 1 - Luminosity(sample.rgb);\n"
      "}",
     {1, 3, 6},
     SCT{}},  // BSILum
    {"(float2 texcoord, Texture2D bitmapTexture, sampler bitmapSampler, inout float result) {\n"
      "  float4 sample = bitmapTexture.Sample(bitmapSampler, texcoord);\n"
      "  result *= Luminosity(sample.rgb) / sample.a;\n"
      "}",
     {1, 3, 6},
     SCT{}},  // BSLumP
    {"(float2 texcoord, Texture2D bitmapTexture, sampler bitmapSampler, inout float result) {\n"
      "  float4 sample = bitmapTexture.Sample(bitmapSampler, texcoord);\n"
      "  result *= 1 - Luminosity(sample.rgb) / sample.a;\n"
      "}",
     {1, 3, 6},
     SCT{}},  // BSILumP
}};

const std::array<ShaderFunction, 14> textureVertex{{
    TextureVertexFunction("BC"),
    TextureVertexFunction("BCP"),
    TextureVertexFunction("BOAlpha"),
    TextureVertexFunction("BOIAlpha"),
    TextureVertexFunction("BOLum"),
    TextureVertexFunction("BOILum"),
    TextureVertexFunction("BOLumP"),
    TextureVertexFunction("BOILumP"),
    TextureVertexFunction("BSAlpha"),
    TextureVertexFunction("BSIAlpha"),
    TextureVertexFunction("BSLum"),
    TextureVertexFunction("BSILum"),
    TextureVertexFunction("BSLumP"),
    TextureVertexFunction("BSILumP"),
}};

const std::array<ShaderFragment, GpuShaderLibrary::FragmentCount> fragments = [] {
    std::array<ShaderFragment, GpuShaderLibrary::FragmentCount> table{};
    const char* names[] = {"T2D", "SC", "BC", "BCP", "SO", "BOAlpha", "BOIAlpha", "BOLum", "BOILum", "BOLumP", "BOILumP", "SS", "BSAlpha", "BSIAlpha", "BSLum", "BSILum", "BSLumP", "BSILumP"};
    size_t textureIndex = 0;
    for (int32_t id = 0; id < GpuShaderLibrary::FragmentCount; ++id) {
        table[id].name = names[id];
        table[id].pixel = id == 0 ? nullptr : &fragmentPixel[id - 1];
        // Constant-only fragments (SC, SO, SS) work per pixel alone; T2D per vertex alone.
        bool constantOnly = id == GpuShaderLibrary::SC || id == GpuShaderLibrary::SO ||
                            id == GpuShaderLibrary::SS;
        table[id].vertex = id == 0 ? &t2dVertex
                           : constantOnly ? nullptr
                                          : &textureVertex[textureIndex++];
    }
    return table;
}();

const std::array<ShaderFunction, 7> compositionVertex{{
    {"(float2 position, BasicComposition_VSConstData data, inout float2 Cb_texcoord) {\n"
      "  Cb_texcoord.x = position.x * data.Cb_transform._m00 + position.y * data.Cb_transform._m10 + data.Cb_transform._m20;\n"
      "  Cb_texcoord.y = position.x * data.Cb_transform._m01 + position.y * data.Cb_transform._m11 + data.Cb_transform._m21;\n"
      "}",
     {0, 2, 6},
     SCT{{ShaderConstantType::Float4x2, "Cb_transform"}}},  // BasicComposition
    {"(float2 position, LayerResultComposition_VSConstData data, inout float2 Co_texcoord, inout float2 Cg_texcoord) {\n"
      "  Co_texcoord.x = position.x * data.Co_transform._m00 + position.y * data.Co_transform._m10 + data.Co_transform._m20;\n"
      "  Co_texcoord.y = position.x * data.Co_transform._m01 + position.y * data.Co_transform._m11 + data.Co_transform._m21;\n"
      "  Cg_texcoord.x = position.x * data.Cg_transform._m00 + position.y * data.Cg_transform._m10 + data.Cg_transform._m20;\n"
      "  Cg_texcoord.y = position.x * data.Cg_transform._m01 + position.y * data.Cg_transform._m11 + data.Cg_transform._m21;\n"
      "}",
     {0, 2, 6, 6},
     SCT{{ShaderConstantType::Float4x2, "Co_transform"}, {ShaderConstantType::Float4x2, "Cg_transform"}}},  // LayerResultComposition
    {"(float2 position, IsolatedLayerResultComposition_VSConstData data, inout float2 Cg_texcoord) {\n"
      "  Cg_texcoord.x = position.x * data.Cg_transform._m00 + position.y * data.Cg_transform._m10 + data.Cg_transform._m20;\n"
      "  Cg_texcoord.y = position.x * data.Cg_transform._m01 + position.y * data.Cg_transform._m11 + data.Cg_transform._m21;\n"
      "}",
     {0, 2, 6},
     SCT{{ShaderConstantType::Float4x2, "Cg_transform"}}},  // IsolatedLayerResultComposition
    {"(float2 position, LayerComposition_VSConstData data, inout float2 Co_texcoord, inout float2 Cg_texcoord) {\n"
      "  Co_texcoord.x = position.x * data.Co_transform._m00 + position.y * data.Co_transform._m10 + data.Co_transform._m20;\n"
      "  Co_texcoord.y = position.x * data.Co_transform._m01 + position.y * data.Co_transform._m11 + data.Co_transform._m21;\n"
      "  Cg_texcoord.x = position.x * data.Cg_transform._m00 + position.y * data.Cg_transform._m10 + data.Cg_transform._m20;\n"
      "  Cg_texcoord.y = position.x * data.Cg_transform._m01 + position.y * data.Cg_transform._m11 + data.Cg_transform._m21;\n"
      "}",
     {0, 2, 6, 6},
     SCT{{ShaderConstantType::Float4x2, "Co_transform"}, {ShaderConstantType::Float4x2, "Cg_transform"}}},  // LayerComposition
    {"(float2 position, IsolatedLayerComposition_VSConstData data, inout float2 Cg_texcoord) {\n"
      "  Cg_texcoord.x = position.x * data.Cg_transform._m00 + position.y * data.Cg_transform._m10 + data.Cg_transform._m20;\n"
      "  Cg_texcoord.y = position.x * data.Cg_transform._m01 + position.y * data.Cg_transform._m11 + data.Cg_transform._m21;\n"
      "}",
     {0, 2, 6},
     SCT{{ShaderConstantType::Float4x2, "Cg_transform"}}},  // IsolatedLayerComposition
    {"(float2 position, KnockoutLayerComposition_VSConstData data, inout float2 Co_texcoord, inout float2 Cg_texcoord) {\n"
      "  Co_texcoord.x = position.x * data.Co_transform._m00 + position.y * data.Co_transform._m10 + data.Co_transform._m20;\n"
      "  Co_texcoord.y = position.x * data.Co_transform._m01 + position.y * data.Co_transform._m11 + data.Co_transform._m21;\n"
      "  Cg_texcoord.x = position.x * data.Cg_transform._m00 + position.y * data.Cg_transform._m10 + data.Cg_transform._m20;\n"
      "  Cg_texcoord.y = position.x * data.Cg_transform._m01 + position.y * data.Cg_transform._m11 + data.Cg_transform._m21;\n"
      "}",
     {0, 2, 6, 6},
     SCT{{ShaderConstantType::Float4x2, "Co_transform"}, {ShaderConstantType::Float4x2, "Cg_transform"}}},  // KnockoutLayerComposition
    {"(float2 position, IsolatedKnockoutLayerComposition_VSConstData data, inout float2 Cg_texcoord) {\n"
      "  Cg_texcoord.x = position.x * data.Cg_transform._m00 + position.y * data.Cg_transform._m10 + data.Cg_transform._m20;\n"
      "  Cg_texcoord.y = position.x * data.Cg_transform._m01 + position.y * data.Cg_transform._m11 + data.Cg_transform._m21;\n"
      "}",
     {0, 2, 6},
     SCT{{ShaderConstantType::Float4x2, "Cg_transform"}}},  // IsolatedKnockoutLayerComposition
}};

// Over a transparent backdrop the un-premultiplied backdrop colour is 0 / 0: the blend is
// skipped there (its weight, the backdrop alpha, is 0 anyway), or the NaN it makes would
// turn the whole pixel black.
const std::array<ShaderFunction, GpuShaderLibrary::CompositionCount> compositionPixel{{
    {"(float4 Cs, float fs, inout PSOutput output) {\n"
      "  output.color = Cs * fs;\n"
      "}",
     {5, 6, 7},
     SCT{}},  // BasicFastComposition
    {"(float4 Cs, float fs, float2 Cb_texcoord, Texture2D Cb_texture, sampler Cb_sampler, inout PSOutput output) {\n"
      "  float4 Cb = Cb_texture.Sample(Cb_sampler, Cb_texcoord);\n"
      "  Cs *= fs;\n"
      "  if (Cs.a == 0) {\n"
      "    output.color = Cb;\n"
      "  } else {\n"
      "    float3 Cblend = Cb.a == 0 ? Cs.rgb / Cs.a : Blend(Cb.rgb / Cb.a, Cs.rgb / Cs.a);\n"
      "    output.color.rgb = (1 - Cs.a) * Cb.rgb + (1 - Cb.a) * Cs.rgb + Cs.a * Cb.a * Cblend;\n"
      "    output.color.a = Cb.a + Cs.a - Cb.a * Cs.a;\n"
      "  }\n"
      "}",
     {5, 6, 1, 3, 7},
     SCT{}},  // BasicComposition
    {"(float4 Cs, float fs, float2 Co_texcoord, Texture2D Co_texture, sampler Co_sampler, float2 Cg_texcoord, Texture2D Cg_texture, sampler Cg_sampler, Texture2D fg_texture, sampler fg_sampler, inout PSOutput output) {\n"
      "  float4 fg = fg_texture.Sample(fg_sampler, Cg_texcoord);\n"
      "  float4 Cg = Cg_texture.Sample(Cg_sampler, Cg_texcoord);\n"
      "  float4 Co = Co_texture.Sample(Co_sampler, Co_texcoord);\n"
      "  if (fg.r == 0 || fg.a == 0 || Cg.a == 0) {\n"
      "    output.color = float4(0, 0, 0, 0);\n"
      "  } else {\n"
      "    Cg.rgb /= Cg.a;\n"
      "    if (Co.a == 0) {\n"
      "      output.color.rgb = Cg.rgb;\n"
      "    } else {\n"
      "      Co.rgb /= Co.a;\n"
      "      output.color.rgb = Cg.rgb + (Cg.rgb - Co.rgb) * (Co.a / fg.a - Co.a);\n"
      "    }\n"
      "    output.color.a = 1;\n"
      "    output.color *= fg.a / fg.r;\n"
      "  }\n"
      "}",
     {5, 6, 1, 3, 1, 3, 3, 7},
     SCT{}},  // LayerResultComposition
    {"(float4 Cs, float fs, float2 Cg_texcoord, Texture2D Cg_texture, sampler Cg_sampler, Texture2D fg_texture, sampler fg_sampler, inout PSOutput output) {\n"
      "  float4 fg = fg_texture.Sample(fg_sampler, Cg_texcoord);\n"
      "  float4 Cg = Cg_texture.Sample(Cg_sampler, Cg_texcoord);\n"
      "  if (fg.r == 0 || fg.a == 0 || Cg.a == 0) {\n"
      "    output.color = float4(0, 0, 0, 0);\n"
      "  } else {\n"
      "    output.color = float4(Cg.rgb / fg.r, fg.a / fg.r);\n"
      "  }\n"
      "}",
     {5, 6, 1, 3, 3, 7},
     SCT{}},  // IsolatedLayerResultComposition
    {"(float4 Cs, float fs, float2 Co_texcoord, Texture2D Co_texture, sampler Co_sampler, float2 Cg_texcoord, Texture2D Cg_texture, sampler Cg_sampler, Texture2D fg_texture, sampler fg_sampler, inout PSOutput output) {\n"
      "  float4 fg = fg_texture.Sample(fg_sampler, Cg_texcoord);\n"
      "  float4 Cg = Cg_texture.Sample(Cg_sampler, Cg_texcoord);\n"
      "  float4 Co = Co_texture.Sample(Co_sampler, Co_texcoord);\n"
      "  Cs *= fs;\n"
      "  if (Cs.a == 0) {\n"
      "    output.shape = fg;\n"
      "    output.color = Cg;\n"
      "  } else {\n"
      "    float3 Cblend = Cg.a == 0 ? Cs.rgb / Cs.a : Blend(Cg.rgb / Cg.a, Cs.rgb / Cs.a);\n"
      "    output.shape.rgb = fg.rgb + fs * (1 - fg.rgb);\n"
      "    output.shape.a = (1 - Cs.a) * fg.a + Cs.a;\n"
      "    output.color.rgb = (1 - Cs.a) * Cg.rgb + (1 - Cg.a) * Cs.rgb + Cg.a * Cs.a * Cblend;\n"
      "    output.color.a = Co.a + output.shape.a * (1 - Co.a);\n"
      "  }\n"
      "}",
     {5, 6, 1, 3, 1, 3, 3, 7},
     SCT{}},  // LayerComposition
    {"(float4 Cs, float fs, float2 Cg_texcoord, Texture2D Cg_texture, sampler Cg_sampler, Texture2D fg_texture, sampler fg_sampler, inout PSOutput output) {\n"
      "  float4 fg = fg_texture.Sample(fg_sampler, Cg_texcoord);\n"
      "  float4 Cg = Cg_texture.Sample(Cg_sampler, Cg_texcoord);\n"
      "  Cs *= fs;\n"
      "  if (Cs.a == 0) {\n"
      "    output.shape = fg;\n"
      "    output.color = Cg;\n"
      "  } else {\n"
      "    float3 Cblend = Cg.a == 0 ? Cs.rgb / Cs.a : Blend(Cg.rgb / Cg.a, Cs.rgb / Cs.a);\n"
      "    output.shape.rgb = fg.rgb + fs * (1 - fg.rgb);\n"
      "    output.shape.a = (1 - Cs.a) * fg.a + Cs.a;\n"
      "    output.color.rgb = (1 - Cs.a) * Cg.rgb + (1 - Cg.a) * Cs.rgb + Cg.a * Cs.a * Cblend;\n"
      "    output.color.a = output.shape.a;\n"
      "  }\n"
      "}",
     {5, 6, 1, 3, 3, 7},
     SCT{}},  // IsolatedLayerComposition
    {"(float4 Cs, float fs, float2 Co_texcoord, Texture2D Co_texture, sampler Co_sampler, float2 Cg_texcoord, Texture2D Cg_texture, sampler Cg_sampler, Texture2D fg_texture, sampler fg_sampler, inout PSOutput output) {\n"
      "  float4 fg = fg_texture.Sample(fg_sampler, Cg_texcoord);\n"
      "  float4 Cg = Cg_texture.Sample(Cg_sampler, Cg_texcoord);\n"
      "  float4 Co = Co_texture.Sample(Co_sampler, Co_texcoord);\n"
      "  float4 Cb = float4(Co.rgb * Co.a, Co.a);\n"
      "  Cs *= fs;\n"
      "  if (Cs.a == 0) {\n"
      "    output.shape = fg;\n"
      "    output.color = Cg;\n"
      "  } else {\n"
      "    float3 Cblend = Co.a == 0 ? Cs.rgb / Cs.a : Blend(Co.rgb / Co.a, Cs.rgb / Cs.a);\n"
      "    output.shape.rgb = fg.rgb + fs * (1 - fg.rgb);\n"
      "    output.shape.a = (1 - fs) * fg.a + Cs.a;\n"
      "    output.color.rgb = (1 - fs) * Cg.rgb + (fs - Cs.a) * Cb.rgb + (1 - Co.a) * Cs.rgb + Co.a * Cs.a * Cblend;\n"
      "    output.color.a = Co.a + output.shape.a * (1 - Co.a);\n"
      "  }\n"
      "}",
     {5, 6, 1, 3, 1, 3, 3, 7},
     SCT{}},  // KnockoutLayerComposition
    {"(float4 Cs, float fs, float2 Cg_texcoord, Texture2D Cg_texture, sampler Cg_sampler, Texture2D fg_texture, sampler fg_sampler, inout PSOutput output) {\n"
      "  float4 fg = fg_texture.Sample(fg_sampler, Cg_texcoord);\n"
      "  float4 Cg = Cg_texture.Sample(Cg_sampler, Cg_texcoord);\n"
      "  Cs *= fs;\n"
      "  if (Cs.a == 0) {\n"
      "    output.shape = fg;\n"
      "    output.color = Cg;\n"
      "  } else {\n"
      "    output.shape.rgb = fg.rgb + fs * (1 - fg.rgb);\n"
      "    output.shape.a = (1 - fs) * fg.a + Cs.a;\n"
      "    output.color.rgb = (1 - fs) * Cg.rgb + Cs.rgb;\n"
      "    output.color.a = output.shape.a;\n"
      "  }\n"
      "}",
     {5, 6, 1, 3, 3, 7},
     SCT{}},  // IsolatedKnockoutLayerComposition
}};

const std::array<ShaderFragment, GpuShaderLibrary::CompositionCount> compositions{{
    {"BasicFastComposition", nullptr, &compositionPixel[0]},
    {"BasicComposition", &compositionVertex[0], &compositionPixel[1]},
    {"LayerResultComposition", &compositionVertex[1], &compositionPixel[2]},
    {"IsolatedLayerResultComposition", &compositionVertex[2], &compositionPixel[3]},
    {"LayerComposition", &compositionVertex[3], &compositionPixel[4]},
    {"IsolatedLayerComposition", &compositionVertex[4], &compositionPixel[5]},
    {"KnockoutLayerComposition", &compositionVertex[5], &compositionPixel[6]},
    {"IsolatedKnockoutLayerComposition", &compositionVertex[6], &compositionPixel[7]},
}};

// Bodies of Blend(cb, cs), by blend mode; cb and cs are not premultiplied.
const char* const blendBodies[GpuShaderLibrary::BlendModeCount] = {
    "\n"
    "  return cs;",
    "\n"
    "  return cb * cs;",
    "\n"
    "  return cb + cs - cb * cs;",
    "\n"
    "  float3 t = step(cb, 0.5);\n"
    "  return t * (2 * cb * cs) + (1 - t) * (2 * cs + 2 * cb - 2 * cb * cs - 1);",
    "\n"
    "  return min(cb, cs);",
    "\n"
    "  return max(cb, cs);",
    "\n"
    "  float3 k = step(float3(1, 1, 1), cb);\n"
    "  float3 t = step(cs, 0);\n"
    "  return k + (1 - k) * ((1 - t) * (1 - min(1, (1 - cb) / cs)));",
    "\n"
    "  float3 k = step(cb, 0);\n"
    "  float3 t = step(float3(1, 1, 1), cs);\n"
    "  return (1 - k) * (t + (1 - t) * min(1, cb / (1 - cs)));",
    "\n"
    "  float3 t = step(cs, 0.5);\n"
    "  return t * (2 * cb * cs) + (1 - t) * (2 * cs + 2 * cb - 2 * cb * cs - 1);",
    "\n"
    "  float3 dt = step(cb, 0.25);\n"
    "  float3 d = dt * (((16 * cb - 12) * cb + 4) * cb) + (1 - dt) * sqrt(cb);\n"
    "  float3 t = step(cs, 0.5);\n"
    "  return t * (cb - (1 - 2 * cs) * cb * (1 - cb)) + (1 - t) * (cb - (1 - 2 * cs) * (d - cb));",
    "\n"
    "  return abs(cb - cs);",
    "\n"
    "  return cb + cs - 2 * cb * cs;",
    "\n"
    "  return SetLum(SetSat(cs, Saturation(cb)), Luminosity(cb));",
    "\n"
    "  return SetLum(SetSat(cb, Saturation(cs)), Luminosity(cb));",
    "\n"
    "  return SetLum(cs, Luminosity(cb));",
    "\n"
    "  return SetLum(cb, Luminosity(cs));",
};

const char* const luminosityText =
    "\n"
    "float Luminosity(float3 c) {\n"
    "  c *= float3(0.3, 0.59, 0.11);\n"
    "  return c.r + c.g + c.b;\n"
    "}\n";

const char* const saturationText =
    "\n"
    "float Saturation(float3 c) {\n"
    "  return max(c.r, max(c.g, c.b)) - min(c.r, min(c.g, c.b));\n"
    "}\n";

const char* const clipColorText =
    "\n"
    "float3 ClipColor(float3 c) {\n"
    "  float l = Luminosity(c);\n"
    "  float n = min(c.r, min(c.g, c.b));\n"
    "  float x = max(c.r, max(c.g, c.b));\n"
    "  if (n < 0)\n"
    "    c = l + (l * (c - l)/ (l - n));\n"
    "  if (x > 1)\n"
    "    c = l + ((1 - l) * (c - l) / (x - l));\n"
    "  return c;\n"
    "}\n";

const char* const setLumText =
    "\n"
    "float3 SetLum(float3 c, float l) {\n"
    "  float d = l - Luminosity(c);\n"
    "  return ClipColor(c + d);\n"
    "}\n";

const char* const setSatText =
    "\n"
    "float3 SetSat(float3 c, float s) {\n"
    "  float3 result = float3(0, 0, 0);\n"
    "  if (c.r > c.g) {\n"
    "    if (c.r > c.b) {\n"
    "      result.r = s;\n"
    "      if (c.g > c.b) {\n"
    "        result.g = (c.g - c.b) * s / (c.r - c.b);\n"
    "      } else if (c.b > c.g) {\n"
    "        result.b = (c.b - c.g) * s / (c.r - c.g);\n"
    "      }\n"
    "    } else if (c.b > c.r) {\n"
    "      result.r = (c.r - c.g) * s / (c.b - c.g);\n"
    "      result.b = s;\n"
    "    }\n"
    "  } else {\n"
    "    if (c.r > c.b) {\n"
    "      result.r = (c.r - c.b) * s / (c.g - c.b);\n"
    "      result.g = s;\n"
    "    } else if (c.b > c.r) {\n"
    "      if (c.g > c.b) {\n"
    "        result.b = (c.b - c.r) * s / (c.g - c.r);\n"
    "        result.g = s;\n"
    "      } else if (c.b > c.g) {\n"
    "        result.g = (c.g - c.r) * s / (c.b - c.r);\n"
    "        result.b = s;\n"
    "      }\n"
    "    }\n"
    "  }\n"
    "  return result;\n"
    "}\n";

}  // namespace

const ShaderFragment& GpuShaderLibrary::Fragment(int32_t id) { return fragments[id]; }
const ShaderFragment& GpuShaderLibrary::Composition(int32_t kind) { return compositions[kind]; }
const char* GpuShaderLibrary::BlendBody(int32_t mode) { return blendBodies[mode]; }
const char* GpuShaderLibrary::LuminosityFunction() { return luminosityText; }
const char* GpuShaderLibrary::SaturationFunction() { return saturationText; }
const char* GpuShaderLibrary::ClipColorFunction() { return clipColorText; }
const char* GpuShaderLibrary::SetLumFunction() { return setLumText; }
const char* GpuShaderLibrary::SetSatFunction() { return setSatText; }

namespace {

// Which stage is being written: the names, struct suffixes and parameter kinds differ,
// the walk over composition and fragments does not.
enum class Stage { Vertex, Pixel };

const char* VaryingType(int32_t sizeKind) {
    static const char* const types[] = {"float", "float2", "float4"};
    return types[sizeKind];
}

const char* ConstantTypeName(int32_t type) {
    switch (type) {
        case ShaderConstantType::Float: return "float";
        case ShaderConstantType::Float4: return "float4";
        default: return "float4x2";
    }
}

// One function of the shader: the fragment it comes from and its index in the description
// (list position, or the list length for the composition).
struct Entry {
    const ShaderFragment* fragment;
    size_t index;
};

class ShaderWriter {
public:
    ShaderWriter(const ShaderDescription& description, Stage stage)
        : description_(description), stage_(stage) {
        size_t n = description.fragments.size();
        // Registers, varyings and textures count the composition first, then the list.
        ordered_.push_back({&GpuShaderLibrary::Composition(description.compositionKind), n});
        for (size_t a = 0; a < n; ++a) ordered_.push_back({description.fragments[a], a});
    }

    std::string VertexShader() {
        ConstantStructs();
        out_ += "\nstruct VSOutput {\n  float4 position : SV_POSITION;\n  float4 color : COLOR0;";
        size_t k = 0;
        for (const Entry& e : ordered_) {
            const ShaderFunction* f = Function(e);
            if (!f) continue;
            for (size_t p = 0; p < f->kinds.size(); ++p) {
                int32_t kind = f->kinds[p];
                if (kind < VertexParameter::OutVarying1) continue;
                out_ += "\n  " + std::string(VaryingType(kind - VertexParameter::OutVarying1)) + " " +
                        VaryingName(e, p) + " : TEXCOORD" + std::to_string(k++) + ";";
            }
        }
        out_ += "\n};\n";
        Helpers();
        FunctionDefinitions();
        out_ += "\nVSOutput VS(float2 position : POSITION, float4 color : COLOR0) {\n"
                "  VSOutput output;\n  output.position = float4(position, 0, 1);\n"
                "  output.color = color;";
        Calls();
        out_ += "\n  return output;\n}\n";
        return std::move(out_);
    }

    std::string PixelShader() {
        size_t k = 0;
        for (const Entry& e : ordered_) {
            const ShaderFunction* f = Function(e);
            if (!f) continue;
            for (size_t p = 0; p < f->kinds.size(); ++p) {
                if (f->kinds[p] != PixelParameter::Texture) continue;
                std::string index = std::to_string(k++);
                out_ += "\nTexture2D " + ResourceName("texture_", e, p) + " : register(t" + index +
                        ");\nSamplerState " + ResourceName("sampler_", e, p) + " : register(s" +
                        index + ");";
            }
        }
        out_ += "\n";
        ConstantStructs();
        Helpers();
        out_ += "\nstruct PSOutput {\n  float4 color : SV_TARGET0;";
        if (description_.compositionKind > GpuShaderLibrary::IsolatedLayerResultComposition)
            out_ += "\n  float4 shape : SV_TARGET1;";
        out_ += "\n};\n\nfloat3 Blend(float3 cb, float3 cs) {";
        out_ += GpuShaderLibrary::BlendBody(description_.blendMode);
        out_ += "\n}\n";
        FunctionDefinitions();
        out_ += "\nPSOutput PS(float4 position : SV_POSITION, float4 diffuse : COLOR0";
        k = 0;
        for (const Entry& e : ordered_) {
            const ShaderFunction* f = Function(e);
            if (!f) continue;
            for (size_t p = 0; p < f->kinds.size(); ++p) {
                int32_t kind = f->kinds[p];
                if (kind > PixelParameter::Varying4) continue;
                out_ += ", " + std::string(VaryingType(kind)) + " " + VaryingName(e, p) +
                        " : TEXCOORD" + std::to_string(k++);
            }
        }
        out_ += ") {\n  PSOutput output;\n  float4 color = diffuse;\n  float shape = 1;";
        Calls();
        out_ += "\n  return output;\n}\n";
        return std::move(out_);
    }

private:
    const ShaderFunction* Function(const Entry& e) const {
        return stage_ == Stage::Vertex ? e.fragment->vertex : e.fragment->pixel;
    }
    const char* Prefix() const { return stage_ == Stage::Vertex ? "VS" : "PS"; }
    std::string StructName(const ShaderFragment& fragment) const {
        return fragment.name + "_" + Prefix() + "ConstData";
    }
    static std::string Suffix(const Entry& e) {
        return e.fragment->name + "_" + std::to_string(e.index);
    }
    static std::string VaryingName(const Entry& e, size_t p) {
        return "uv_" + std::to_string(e.index) + "_" + std::to_string(p);
    }
    static std::string ResourceName(const char* prefix, const Entry& e, size_t p) {
        return prefix + Suffix(e) + "_" + std::to_string(p);
    }

    // The constant structs of the composition and of each distinct fragment, the stage's
    // record with one member per function that has constants, and its global instance.
    void ConstantStructs() {
        std::vector<const ShaderFragment*> written;
        for (const Entry& e : ordered_) {
            const ShaderFunction* f = Function(e);
            if (!f || f->constants.empty()) continue;
            bool seen = false;
            for (const ShaderFragment* w : written) seen = seen || w == e.fragment;
            if (seen) continue;
            written.push_back(e.fragment);
            out_ += "\nstruct " + StructName(*e.fragment) + " {";
            for (const ShaderConstant& c : f->constants)
                out_ += "\n  " + std::string(ConstantTypeName(c.type)) + " " + c.name + ";";
            out_ += "\n};\n";
        }
        std::string record = std::string(Prefix()) + "ConstData";
        out_ += "\nstruct " + record + " {";
        for (const Entry& e : ordered_) {
            const ShaderFunction* f = Function(e);
            if (!f || f->constants.empty()) continue;
            out_ += "\n  " + StructName(*e.fragment) + " constants_" + Suffix(e) + ";";
        }
        out_ += "\n};\n\n" + record + " " + (stage_ == Stage::Vertex ? "vsData" : "psData") + ";\n";
    }

    void Helpers() {
        int32_t mode = description_.blendMode;
        out_ += GpuShaderLibrary::LuminosityFunction();
        out_ += GpuShaderLibrary::SaturationFunction();
        if (mode > 11) {
            out_ += GpuShaderLibrary::ClipColorFunction();
            out_ += GpuShaderLibrary::SetLumFunction();
        }
        if (mode == 12 || mode == 13) out_ += GpuShaderLibrary::SetSatFunction();
    }

    void FunctionDefinitions() {
        for (const Entry& e : ordered_) {
            const ShaderFunction* f = Function(e);
            if (f) out_ += "\nvoid " + std::string(Prefix()) + "_" + Suffix(e) + f->text + "\n";
        }
    }

    std::string Argument(const Entry& e, size_t p) const {
        int32_t kind = Function(e)->kinds[p];
        std::string constants = std::string(stage_ == Stage::Vertex ? "vsData" : "psData") +
                                ".constants_" + Suffix(e);
        if (stage_ == Stage::Vertex) {
            switch (kind) {
                case VertexParameter::Position: return "position";
                case VertexParameter::Color: return "color";
                case VertexParameter::Constants: return constants;
                case VertexParameter::OutColor: return "output.color";
                case VertexParameter::OutPosition: return "output.position";
                default: return "output." + VaryingName(e, p);
            }
        }
        switch (kind) {
            case PixelParameter::Texture:
                return ResourceName("texture_", e, p) + ", " + ResourceName("sampler_", e, p);
            case PixelParameter::Constants: return constants;
            case PixelParameter::Color: return "color";
            case PixelParameter::Shape: return "shape";
            case PixelParameter::Output: return "output";
            default: return VaryingName(e, p);
        }
    }

    // The calls: fragments in list order, the composition last.
    void Calls() {
        for (size_t i = 1; i <= ordered_.size(); ++i) {
            const Entry& e = ordered_[i % ordered_.size()];
            const ShaderFunction* f = Function(e);
            if (!f) continue;
            out_ += "\n  " + std::string(Prefix()) + "_" + Suffix(e) + "(";
            for (size_t p = 0; p < f->kinds.size(); ++p)
                out_ += (p ? ", " : "") + Argument(e, p);
            out_ += ");";
        }
    }

    const ShaderDescription& description_;
    Stage stage_;
    std::vector<Entry> ordered_;  // the composition, then the fragments in list order
    std::string out_;             // the text written so far
};

}  // namespace

std::string GenerateVertexShader(const ShaderDescription& description) {
    return ShaderWriter(description, Stage::Vertex).VertexShader();
}

std::string GeneratePixelShader(const ShaderDescription& description) {
    return ShaderWriter(description, Stage::Pixel).PixelShader();
}

}  // namespace Graphics
