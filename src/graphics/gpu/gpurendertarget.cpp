#include "graphics/gpu/gpurendertarget.h"

#include <algorithm>

#include "graphics/core/exception.h"
#include "graphics/geometry/transformer.h"
#include "graphics/gpu/gpudevice.h"
#include "graphics/gpu/gpulayersubtarget.h"
#include "graphics/gpu/gpurendertexture.h"

namespace Graphics {

GpuRenderTarget::GpuRenderTarget(std::shared_ptr<GpuDevice> device,
                                 std::shared_ptr<GpuRenderTexture> target)
    : device_(std::move(device)), target_(std::move(target)) {}

GpuRenderTarget::~GpuRenderTarget() {
    // A paint left open still ends, so that the device's paint depth stays balanced.
    if (!current_) return;
    try {
        EndPaint();
    } catch (...) {
        // Nothing can be reported from here.
    }
}

GXPixelFormat GpuRenderTarget::GetPixelFormat() const { return target_->GetPixelFormat(); }
GXIntSize GpuRenderTarget::GetSize() const { return target_->GetSize(); }
float GpuRenderTarget::GetDpiX() const { return target_->GetDpiX(); }
float GpuRenderTarget::GetDpiY() const { return target_->GetDpiY(); }

void GpuRenderTarget::SetCTM(const GXMatrix& matrix) {
    if (ignoreDepth_ == 0) State().matrix = matrix;
}

void GpuRenderTarget::SetBlendMode(int32_t mode) {
    if (ignoreDepth_ == 0) State().blendMode = mode >= 0 && mode < 16 ? mode : 0;
}

void GpuRenderTarget::SetStateValue(int32_t value) {
    if (ignoreDepth_ == 0) State().stateValue = value;
}

void GpuRenderTarget::SetStrokeAdjustment(bool flag) {
    if (ignoreDepth_ == 0) State().strokeAdjustment = flag;
}

void GpuRenderTarget::BeginPaint() {
    if (current_) return;
    const GXIntSize size = target_->GetSize();
    auto basic = std::make_shared<GpuSubTarget>(device_, GXIntRect{0, 0, size.width, size.height}, target_);
    basic->BeginPaint(rest_);
    current_ = std::move(basic);
}

bool GpuRenderTarget::EndPaint() {
    if (!current_) return true;
    const bool finished = FinishPaint();
    // Submits the paint; after a loss, makes the device anew.
    device_->Present();
    return finished;
}

bool GpuRenderTarget::FinishPaint() {
    if (!current_) return true;
    bool ok = true;
    try {
        // Groups left open are dropped, as the software renderer drops them.
        while (!stack_.empty()) {
            current_->EndPaint();
            current_ = std::move(stack_.back());
            stack_.pop_back();
        }
        current_->EndPaint();
    } catch (const Exception&) {
        ok = false;
    }
    current_.reset();
    stack_.clear();
    ignoreDepth_ = 0;
    rest_ = GpuState{};
    return ok && !device_->IsLost();
}

void GpuRenderTarget::Flush() {
    GpuSubTarget* target = Drawing();
    if (!target) return;
    target->Flush();
    device_->Flush();
}

void GpuRenderTarget::PushState() {
    if (GpuSubTarget* target = Drawing()) target->PushState();
}

void GpuRenderTarget::PopState() {
    if (GpuSubTarget* target = Drawing()) target->PopState();
}

void GpuRenderTarget::BeginLayer(const GXLayerParams& params) {
    GpuSubTarget* parent = Drawing();
    if (!parent) {
        if (current_) ++ignoreDepth_;
        return;
    }
    parent->Flush();
    GXIntRect cover{0, 0, 0, 0};
    const GXRect& b = params.bounds;
    if (b.left <= b.right && b.top <= b.bottom) {
        cover = parent->PixelCover(TransformBounds(parent->DrawingMatrix(), b));
        // Nothing outside the parent's clip reaches the parent.
        const GXIntRect clip = parent->ClipBox();
        cover = GXIntRect{std::max(cover.left, clip.left), std::max(cover.top, clip.top),
                          std::min(cover.right, clip.right), std::min(cover.bottom, clip.bottom)};
    }
    if (cover.left >= cover.right || cover.top >= cover.bottom) {
        ++ignoreDepth_;
        return;
    }
    const GXIntRect& origin = parent->DeviceRect();
    const GXIntRect deviceRect{origin.left + cover.left, origin.top + cover.top,
                               origin.left + cover.right, origin.top + cover.bottom};
    auto layer = std::make_shared<GpuLayerSubTarget>(device_, deviceRect, params,
                                                     parent->ChildBackdrop(), cover);
    GpuState state;
    state.matrix = parent->Current().matrix;
    layer->BeginPaint(state);
    stack_.push_back(std::move(current_));
    current_ = std::move(layer);
}

void GpuRenderTarget::EndLayer() {
    if (ignoreDepth_ > 0) {
        --ignoreDepth_;
        return;
    }
    if (stack_.empty()) return;
    // Detached first, so that the group is closed however compositing ends.
    std::shared_ptr<GpuSubTarget> layer = std::move(current_);
    current_ = std::move(stack_.back());
    stack_.pop_back();
    layer->EndPaint();
    current_->CompositeLayer(static_cast<GpuLayerSubTarget&>(*layer));
}

void GpuRenderTarget::Clear(const ColorF& color) {
    if (GpuSubTarget* target = Drawing()) target->Clear(color);
}

void GpuRenderTarget::SetOpacityMask(std::shared_ptr<Brush> brush, int32_t type) {
    if (GpuSubTarget* target = Drawing()) target->SetOpacityMask(brush.get(), type);
}

void GpuRenderTarget::SetShapeMask(std::shared_ptr<Brush> brush, int32_t type) {
    if (GpuSubTarget* target = Drawing()) target->SetShapeMask(brush.get(), type);
}

void GpuRenderTarget::ClipGeometry(std::shared_ptr<Geometry> geometry) {
    GpuSubTarget* target = Drawing();
    if (target && geometry) target->ClipGeometry(geometry);
}

void GpuRenderTarget::ResetClip() {
    if (GpuSubTarget* target = Drawing()) target->ResetClip();
}

void GpuRenderTarget::Fill(const std::shared_ptr<Geometry>& geometry,
                           const std::shared_ptr<Brush>& brush, bool strokeAdjustment) {
    GpuSubTarget* target = Drawing();
    if (target && geometry && brush) target->FillGeometry(geometry, brush, strokeAdjustment);
}

void GpuRenderTarget::FillGeometry(std::shared_ptr<Geometry> geometry, std::shared_ptr<Brush> brush) {
    Fill(geometry, brush, State().strokeAdjustment);
}

void GpuRenderTarget::FillPixels(const GXIntRect& pixels, std::shared_ptr<Brush> brush) {
    GpuSubTarget* target = Drawing();
    if (target && brush) target->FillPixels(pixels, brush);
}

void GpuRenderTarget::ClipPixels(const GXIntRect& pixels) {
    if (GpuSubTarget* target = Drawing()) target->ClipPixels(pixels);
}

void GpuRenderTarget::FillTextGeometry(std::shared_ptr<Geometry> geometry,
                                       std::shared_ptr<Brush> brush) {
    Fill(geometry, brush, false);
}

}  // namespace Graphics
