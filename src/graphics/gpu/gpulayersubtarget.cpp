#include "graphics/gpu/gpulayersubtarget.h"

#include <algorithm>

#include "graphics/gpu/gpudevice.h"
#include "graphics/gpu/gpudrawstate.h"
#include "graphics/gpu/gpurendertexture.h"
#include "graphics/gpu/gpushaderlibrary.h"

namespace Graphics {

namespace {

using Lib = GpuShaderLibrary;

std::shared_ptr<GpuRenderTexture> Transparent(const std::shared_ptr<GpuDevice>& device, GXIntSize size) {
    auto texture = std::make_shared<GpuRenderTexture>(device, size, GXPixelFormatPARGB32, 96, 96);
    const float transparent[4] = {0, 0, 0, 0};
    if (std::shared_ptr<GpuImage> image = texture->Image()) device->ColorFill(image, nullptr, transparent);
    return texture;
}

}  // namespace

GpuLayerSubTarget::GpuLayerSubTarget(std::shared_ptr<GpuDevice> device, const GXIntRect& deviceRect,
                                     const GXLayerParams& params,
                                     const std::shared_ptr<GpuRenderTexture>& backdrop,
                                     const GXIntRect& backdropRect)
    : GpuSubTarget(device, deviceRect, nullptr),
      opacity_(params.opacity > 0 ? std::min(params.opacity, 1.0f) : 0.0f),
      isolated_(params.isolated != 0),
      knockout_(params.knockout != 0) {
    const GXIntSize size{Width(), Height()};
    shape_ = Transparent(device_, size);
    if (isolated_) {
        colorTarget_ = Transparent(device_, size);
        return;
    }
    backdrop_ = backdrop ? CopyOf(*backdrop, backdropRect) : Transparent(device_, size);
    colorTarget_ = CopyOf(*backdrop_, GXIntRect{0, 0, size.width, size.height});
}

void GpuLayerSubTarget::Clear(const ColorF& color) {
    GpuSubTarget::Clear(color);
    const float transparent[4] = {0, 0, 0, 0};
    if (std::shared_ptr<GpuImage> image = shape_->Image()) device_->ColorFill(image, nullptr, transparent);
}

bool GpuLayerSubTarget::CanBatch(const GpuColorSource& source, const GXRect& bounds) const {
    // Every draw in a group reads the group's buffers, so fills must not overlap.
    return SharesState() && DisjointWithSameSource(source, bounds);
}

void GpuLayerSubTarget::Draw() {
    const GXIntRect rect = BatchPixels();
    if (rect.left >= rect.right || rect.top >= rect.bottom) return;
    const GXIntSize size{rect.right - rect.left, rect.bottom - rect.top};
    const GXIntRect all{0, 0, Width(), Height()};
    std::shared_ptr<GpuRenderTexture> coverage = DrawCoverage(rect);
    std::shared_ptr<GpuRenderTexture> colour = CopyOf(*colorTarget_, rect);
    std::shared_ptr<GpuRenderTexture> shape = CopyOf(*shape_, rect);
    const int32_t kind = isolated_ ? (knockout_ ? Lib::IsolatedKnockoutLayerComposition
                                                : Lib::IsolatedLayerComposition)
                                   : (knockout_ ? Lib::KnockoutLayerComposition : Lib::LayerComposition);
    const GXMatrix toRect = GpuColorSource::PixelsToTexture(float(rect.left), float(rect.top), size);
    const GXMatrix toAll = GpuColorSource::PixelsToTexture(0, 0, GXIntSize{all.right, all.bottom});
    GpuDrawState draw(device_, kind, batch_.blendMode, all);
    if (!isolated_) draw.AddCompositionTexture(backdrop_, &toAll);
    draw.AddCompositionTexture(colour, &toRect);
    draw.AddCompositionTexture(shape, nullptr);
    draw.AddShapeMask(GpuMaskSource{GpuColorSource::OverTexture(coverage, toRect, 1.0f), 0});
    ApplyBatch(draw);
    DrawQuad(draw, rect, *colorTarget_, shape_.get());
}

void GpuLayerSubTarget::EndPaint() {
    GpuSubTarget::EndPaint();
    // The group's result: where it painted, its own colour with the backdrop's share taken
    // out and alpha the group alpha, divided by the shape that the parent applies again.
    const GXIntRect all{0, 0, Width(), Height()};
    const GXMatrix toAll = GpuColorSource::PixelsToTexture(0, 0, GXIntSize{all.right, all.bottom});
    auto result = Transparent(device_, GXIntSize{all.right, all.bottom});
    GpuDrawState draw(device_, isolated_ ? Lib::IsolatedLayerResultComposition : Lib::LayerResultComposition,
                      0, all);
    if (!isolated_) draw.AddCompositionTexture(backdrop_, &toAll);
    draw.AddCompositionTexture(colorTarget_, &toAll);
    draw.AddCompositionTexture(shape_, nullptr);
    DrawQuad(draw, all, *result, nullptr);
    colorTarget_ = std::move(result);
}

}  // namespace Graphics
