#include <cstdlib>

#include "exceptionmessage.h"
#include "gpufixture.h"
#include "graphics/gpu/gpushaderlibrary.h"
#include "graphics/gpu/gpuvidmemtexture.h"

using namespace Graphics;

namespace {

// Channels of a BGRA pixel as read back: byte 0 blue ... byte 3 alpha.
int Channel(uint32_t pixel, int shift) { return int(pixel >> shift & 0xFF); }

void ExpectNear(uint32_t pixel, int r, int g, int b, int a, const char* where) {
    EXPECT_NEAR(Channel(pixel, 16), r, 1) << where;
    EXPECT_NEAR(Channel(pixel, 8), g, 1) << where;
    EXPECT_NEAR(Channel(pixel, 0), b, 1) << where;
    EXPECT_NEAR(Channel(pixel, 24), a, 1) << where;
}

}  // namespace

// The transform's two registers (a, c, e) and (b, d, f) must map a point as written, and
// clip-space y must point up: a quad given in pixels covers exactly its pixel centres.
TEST_F(GpuTest, TransformRegistersAndClipSpaceMapPixelsExactly) {
    auto target = RenderTexture(8, 6);
    target->ColorFill(nullptr, ColorF{0, 0, 0, 0});
    GpuVertexShaderConstantTable vs;
    GpuPixelShaderConstantTable ps;
    SetPixelToClip(vs, 0, 8, 6);
    const float red[4] = {1, 0, 0, 1};
    DrawStrip({0, 0, {GpuShaderLibrary::T2D}}, Quad(2, 1, 5, 3, red), *target, vs, ps, nullptr);
    std::vector<uint32_t> pixels = Pixels(*target);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(pixels[y * 8 + x], x >= 2 && x < 5 && y >= 1 && y < 3 ? 0xFFFF0000u : 0u)
                << x << "," << y;
}

TEST_F(GpuTest, FastCompositionBlendsPremultipliedSourceOver) {
    auto target = RenderTexture(4, 4);
    target->ColorFill(nullptr, ColorF{0, 0, 1, 1});
    GpuVertexShaderConstantTable vs;
    GpuPixelShaderConstantTable ps;
    SetPixelToClip(vs, 0, 4, 4);
    const float halfRed[4] = {0.5f, 0, 0, 0.5f};  // premultiplied
    DrawStrip({0, 0, {GpuShaderLibrary::T2D}}, Quad(0, 0, 4, 4, halfRed), *target, vs, ps, nullptr);
    for (uint32_t pixel : Pixels(*target)) ExpectNear(pixel, 128, 0, 128, 255, "source over");
}

// Multiply through the backdrop-reading composition: the colour enters through SC, the
// backdrop through texture slot 0 with its own transform in the first two registers.
TEST_F(GpuTest, BasicCompositionMultipliesWithTheBackdrop) {
    auto backdrop = RenderTexture(4, 4);
    backdrop->ColorFill(nullptr, ColorF{128 / 255.f, 128 / 255.f, 128 / 255.f, 1});
    auto target = RenderTexture(4, 4);
    target->CopyFromTexture(nullptr, *backdrop, nullptr);
    GpuVertexShaderConstantTable vs;
    vs.Set(0, 0.25f, 0, 0, 0);  // Cb: pixels to texture coordinates
    vs.Set(1, 0, 0.25f, 0, 0);
    SetPixelToClip(vs, 2, 4, 4);
    GpuPixelShaderConstantTable ps;
    ps.Set(0, 1, 0.5f, 0, 1);  // SC colour
    GpuSamplerState samplers(device_);
    samplers.SetTexture(backdrop, 0, 0, 0);
    const float white[4] = {1, 1, 1, 1};
    ShaderKey key{GpuShaderLibrary::BasicComposition, 1, {GpuShaderLibrary::T2D, GpuShaderLibrary::SC}};
    DrawStrip(key, Quad(0, 0, 4, 4, white), *target, vs, ps, &samplers);
    for (uint32_t pixel : Pixels(*target)) ExpectNear(pixel, 128, 64, 0, 255, "multiply");
}

// A 2x1 texture (red, green) drawn across 4x1 pixels with texture coordinates 0..2 (for the
// address modes) or 0..1 (for the filters), through BCP.
TEST_F(GpuTest, TextureFetchFollowsEachSamplerMode) {
    auto source = std::make_shared<GpuVidMemTexture>(device_, GXIntSize{2, 1}, GXPixelFormatPARGB32,
                                                     96, 96, true);
    const uint32_t texels[2] = {0xFFFF0000, 0xFF00FF00};
    {
        BitmapLock lock(*source, nullptr, LockMode::Write);
        std::memcpy(lock.Data().data, texels, sizeof(texels));
    }
    struct Case {
        int32_t address, filter;
        float span;  // texture coordinates across the 4 pixels
        uint32_t expected[4];
    };
    const uint32_t R = texels[0], G = texels[1];
    const Case cases[] = {
        {0, 0, 2, {R, G, G, G}},  // clamp
        {1, 0, 2, {R, G, R, G}},  // wrap
        {2, 0, 2, {R, G, G, R}},  // mirror
    };
    const float white[4] = {1, 1, 1, 1};
    ShaderKey key{0, 0, {GpuShaderLibrary::T2D, GpuShaderLibrary::BCP}};
    for (const Case& c : cases) {
        auto target = RenderTexture(4, 1);
        target->ColorFill(nullptr, ColorF{0, 0, 0, 0});
        GpuVertexShaderConstantTable vs;
        SetPixelToClip(vs, 0, 4, 1);
        vs.Set(2, c.span / 4, 0, 0, 0);
        vs.Set(3, 0, 1, 0, 0);
        GpuPixelShaderConstantTable ps;
        GpuSamplerState samplers(device_);
        samplers.SetTexture(source, c.address, c.address, c.filter);
        DrawStrip(key, Quad(0, 0, 4, 1, white), *target, vs, ps, &samplers);
        std::vector<uint32_t> pixels = Pixels(*target);
        for (int x = 0; x < 4; ++x) EXPECT_EQ(pixels[x], c.expected[x]) << c.address << " " << x;
    }
    // Linear filters (with and without mipmaps) mix neighbours: the centre of pixel 1 lies a
    // quarter texel right of texel 0's centre; pixel 0 is clamped to texel 0.
    for (int32_t filter : {1, 2}) {
        auto target = RenderTexture(4, 1);
        target->ColorFill(nullptr, ColorF{0, 0, 0, 0});
        GpuVertexShaderConstantTable vs;
        SetPixelToClip(vs, 0, 4, 1);
        vs.Set(2, 0.25f, 0, 0, 0);
        vs.Set(3, 0, 1, 0, 0);
        GpuPixelShaderConstantTable ps;
        GpuSamplerState samplers(device_);
        samplers.SetTexture(source, 0, 0, filter);
        DrawStrip(key, Quad(0, 0, 4, 1, white), *target, vs, ps, &samplers);
        std::vector<uint32_t> pixels = Pixels(*target);
        ExpectNear(pixels[0], 255, 0, 0, 255, "clamped");
        ExpectNear(pixels[1], 191, 64, 0, 255, "bilinear");
    }
}

TEST_F(GpuTest, NinthSamplerIsOutOfRange) {
    GpuSamplerState samplers(device_);
    for (int i = 0; i < 8; ++i) samplers.SetTexture(nullptr, 0, 0, 0);
    EXPECT_EQ(MessageOf([&] { samplers.SetTexture(nullptr, 0, 0, 0); }), "Sampler index is out of range");
}

// A blend over a transparent backdrop gives the source itself (the backdrop's own colour,
// 0 / 0, must not reach the result), and a texture in slot 1 is read from slot 1.
TEST_F(GpuTest, BlendOverTransparentBackdropReadsTheSecondSlot) {
    auto backdrop = RenderTexture(4, 4);
    backdrop->ColorFill(nullptr, ColorF{0, 0, 0, 0});
    auto source = RenderTexture(4, 4);
    source->ColorFill(nullptr, ColorF{0, 128 / 255.f, 1, 1});
    auto target = RenderTexture(4, 4);
    target->ColorFill(nullptr, ColorF{0, 0, 0, 0});
    GpuVertexShaderConstantTable vs;
    for (uint32_t reg : {0u, 4u}) {  // Cb and BCP: pixels to texture coordinates
        vs.Set(reg, 0.25f, 0, 0, 0);
        vs.Set(reg + 1, 0, 0.25f, 0, 0);
    }
    SetPixelToClip(vs, 2, 4, 4);
    GpuPixelShaderConstantTable ps;
    GpuSamplerState samplers(device_);
    samplers.SetTexture(backdrop, 0, 0, 0);
    samplers.SetTexture(source, 0, 0, 0);
    const float white[4] = {1, 1, 1, 1};
    for (int32_t mode : {1, 12}) {  // multiply; hue (the helpers divide too)
        ShaderKey key{GpuShaderLibrary::BasicComposition, mode, {GpuShaderLibrary::T2D, GpuShaderLibrary::BCP}};
        DrawStrip(key, Quad(0, 0, 4, 4, white), *target, vs, ps, &samplers);
        for (uint32_t pixel : Pixels(*target)) ExpectNear(pixel, 0, 128, 255, 255, "source over nothing");
    }
}
