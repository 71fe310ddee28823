#include "graphics/gpu/gpudrawstate.h"

#include "graphics/gpu/gpucolorsource.h"
#include "graphics/gpu/gpudevice.h"
#include "graphics/gpu/gpushader.h"
#include "graphics/gpu/gpushadercache.h"
#include "graphics/gpu/gpushaderlibrary.h"
#include "graphics/gpu/gputexture.h"
#include "graphics/gpu/gpuvertexbuffer.h"

namespace Graphics {

namespace {

using Lib = GpuShaderLibrary;

// A float4x2 constant: (a, c, e) then (b, d, f).
void SetTransform(GpuConstantTable& table, uint32_t reg, const GXMatrix& m) {
    table.Set(reg, m.a, m.c, m.e, 0);
    table.Set(reg + 1, m.b, m.d, m.f, 0);
}

// The mask fragments by kind (alpha, inverted alpha, luminosity, inverted luminosity).
// Luminosity is taken from the premultiplied colour, as the software renderer takes it.
constexpr int32_t kOpacityFragments[4] = {Lib::BOAlpha, Lib::BOIAlpha, Lib::BOLum, Lib::BOILum};
constexpr int32_t kShapeFragments[4] = {Lib::BSAlpha, Lib::BSIAlpha, Lib::BSLum, Lib::BSILum};

}  // namespace

GpuDrawState::GpuDrawState(std::shared_ptr<GpuDevice> device, int32_t compositionKind,
                           int32_t blendMode, const GXIntRect& view)
    : device_(std::move(device)), compositionKind_(compositionKind), blendMode_(blendMode) {
    // Positions in `view` to clip space, whose y points up.
    const float w = float(view.right - view.left), h = float(view.bottom - view.top);
    Fragment t2d{Lib::T2D, true,
                 GXMatrix{2 / w, 0, 0, -2 / h, -1 - 2 * float(view.left) / w,
                          1 + 2 * float(view.top) / h},
                 false, {}, nullptr, 0, 0, 0};
    fragments_.push_back(t2d);
}

void GpuDrawState::AddCompositionTexture(std::shared_ptr<GpuTexture> texture,
                                         const GXMatrix* transform) {
    composition_.push_back({std::move(texture), transform != nullptr,
                            transform ? *transform : GXMatrix{}});
}

void GpuDrawState::AddTextureFragment(int32_t id, const GpuColorSource& source) {
    fragments_.push_back({id, true, source.transform, false, {}, source.texture, source.addressU,
                          source.addressV, source.filter});
}

void GpuDrawState::AddColorSource(const GpuColorSource& source) {
    const float* c = source.color;
    if (compositionKind_ != Lib::BasicFastComposition && !(c[0] == 1 && c[1] == 1 && c[2] == 1 && c[3] == 1))
        fragments_.push_back({Lib::SC, false, {}, true, {c[0], c[1], c[2], c[3]}, nullptr, 0, 0, 0});
    if (source.texture)
        AddTextureFragment(source.texture->GetPixelFormat() == GXPixelFormatPARGB32 ? Lib::BCP : Lib::BC,
                           source);
}

void GpuDrawState::AddMask(const GpuMaskSource& mask, bool shape) {
    const GpuColorSource& source = *mask.source;
    const int32_t kind = mask.kind & 3;
    const float* c = source.color;
    // A mask without a texture is one value everywhere, worked out here; a textured one
    // carries its opacity in its colour's alpha.
    float factor = c[3];
    if (!source.texture) {
        const float luminosity = 0.3f * c[0] + 0.59f * c[1] + 0.11f * c[2];
        const float values[4] = {c[3], 1 - c[3], luminosity, 1 - luminosity};
        factor = values[kind];
    }
    if (factor != 1)
        fragments_.push_back({shape ? Lib::SS : Lib::SO, false, {}, true, {factor, 0, 0, 0}, nullptr, 0, 0, 0});
    if (source.texture) AddTextureFragment((shape ? kShapeFragments : kOpacityFragments)[kind], source);
}

void GpuDrawState::Draw(GpuTexture& colour, GpuTexture* shape, GpuVertexBuffer& vertices) {
    std::shared_ptr<GpuImage> target = colour.Image();
    if (!target || device_->IsLost() || vertices.VertexCount() < 3) return;
    ShaderKey key{compositionKind_, blendMode_, {}};
    GpuVertexShaderConstantTable vs;
    GpuPixelShaderConstantTable ps;
    GpuSamplerState samplers(device_);
    uint32_t vertexRegister = 0, pixelRegister = 0;
    for (const CompositionTexture& t : composition_) {
        if (t.hasTransform) {
            SetTransform(vs, vertexRegister, t.transform);
            vertexRegister += 2;
        }
        samplers.SetTexture(t.texture, 0, 0, 0);
    }
    for (const Fragment& f : fragments_) {
        key.fragmentIds.push_back(f.id);
        if (f.hasTransform) {
            SetTransform(vs, vertexRegister, f.transform);
            vertexRegister += 2;
        }
        if (f.hasPixelConstant) {
            ps.Set(pixelRegister++, f.constant[0], f.constant[1], f.constant[2], f.constant[3]);
        }
        if (f.texture) samplers.SetTexture(f.texture, f.addressU, f.addressV, f.filter);
    }
    device_->SetRenderTarget(0, std::move(target));
    device_->SetRenderTarget(1, shape ? shape->Image() : nullptr);
    device_->GetShaderCache()->GetShader(key)->Apply(*device_);
    samplers.ApplyBindings();
    vs.Apply(*device_);
    ps.Apply(*device_);
    vertices.Bind();
    device_->Draw(vertices.VertexCount());
    // The draw holds what it uses until it has run; the slots need not.
    device_->SetRenderTarget(0, nullptr);
    device_->SetRenderTarget(1, nullptr);
}

}  // namespace Graphics
