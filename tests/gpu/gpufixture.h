#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "graphics/gpu/gpuconstanttable.h"
#include "graphics/gpu/gpucontext.h"
#include "graphics/gpu/gpudevice.h"
#include "graphics/gpu/gpurendertexture.h"
#include "graphics/gpu/gpusamplerstate.h"
#include "graphics/gpu/gpushader.h"
#include "graphics/gpu/gpushadercache.h"

// Tests that need a Vulkan device. Where the machine has none they are skipped, saying why.
class GpuTest : public ::testing::Test {
protected:
    void SetUp() override {
        // One context for the process, never destroyed: lavapipe's JIT-compiled code makes
        // a few allocations that only its live device reaches, and tearing the device down
        // at exit would report them as leaks with no frame to suppress them by.
        static auto* shared = new std::shared_ptr<Graphics::GpuContext>(Graphics::GpuContext::Create());
        context_ = *shared;
        if (!context_)
            GTEST_SKIP() << "no Vulkan 1.3 device with dynamic rendering here (Vulkan loader, "
                            "driver such as lavapipe from mesa-vulkan-drivers, or device missing)";
        device_ = context_->Device();
    }
    void TearDown() override {
        if (device_) device_->SetMemoryBudget(UINT64_MAX);
        device_.reset();
        context_.reset();
    }

    std::shared_ptr<Graphics::GpuRenderTexture> RenderTexture(int32_t w, int32_t h,
                                                              GXPixelFormat f = GXPixelFormatPARGB32) {
        return std::make_shared<Graphics::GpuRenderTexture>(device_, GXIntSize{w, h}, f, 96, 96);
    }

    // Draws `vertices` (x, y, r, g, b, a per vertex, target pixels) as one triangle strip
    // through the shader of `key` into `target`.
    void DrawStrip(const Graphics::ShaderKey& key, const std::vector<float>& vertices,
                   Graphics::GpuRenderTexture& target, const Graphics::GpuConstantTable& vs,
                   const Graphics::GpuConstantTable& ps, Graphics::GpuSamplerState* samplers) {
        device_->SetRenderTarget(0, target.Image());
        device_->GetShaderCache()->GetShader(key)->Apply(*device_);
        if (samplers) samplers->ApplyBindings();
        vs.Apply(*device_);
        ps.Apply(*device_);
        uint32_t bytes = uint32_t(vertices.size() * sizeof(float));
        std::shared_ptr<Graphics::GpuBuffer> buffer = device_->CreateVertexBuffer(bytes);
        if (buffer) std::memcpy(device_->MapBuffer(*buffer), vertices.data(), bytes);
        device_->SetVertexBuffer(buffer);
        device_->Draw(uint32_t(vertices.size() / 6));
    }

    // The transform that maps target pixels (y down) to clip space (y up).
    static void SetPixelToClip(Graphics::GpuConstantTable& table, uint32_t reg, float w, float h) {
        table.Set(reg, 2 / w, 0, -1, 0);
        table.Set(reg + 1, 0, -2 / h, 1, 0);
    }

    // A rectangle as a four-vertex strip in one colour.
    static std::vector<float> Quad(float x0, float y0, float x1, float y1, const float rgba[4]) {
        std::vector<float> v;
        const float corners[4][2] = {{x0, y0}, {x1, y0}, {x0, y1}, {x1, y1}};
        for (const auto& c : corners) v.insert(v.end(), {c[0], c[1], rgba[0], rgba[1], rgba[2], rgba[3]});
        return v;
    }

    // Every 32-bit pixel of a 32-bit texture, rows top to bottom.
    static std::vector<uint32_t> Pixels(Graphics::BitmapSource& texture) {
        GXIntSize size = texture.GetSize();
        std::vector<uint32_t> pixels(size_t(size.width) * size.height);
        texture.CopyPixels(nullptr, reinterpret_cast<uint8_t*>(pixels.data()), size.width * 4,
                           size.width * 4);
        return pixels;
    }

    std::shared_ptr<Graphics::GpuContext> context_;
    std::shared_ptr<Graphics::GpuDevice> device_;
};
