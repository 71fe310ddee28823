#include "graphics/gpu/gpuwindowrendertarget.h"

#include "graphics/core/exception.h"
#include "graphics/gpu/gpucontext.h"
#include "graphics/gpu/gpudevice.h"
#include "graphics/gpu/gpurendertarget.h"
#include "graphics/gpu/gpuwindowsurface.h"

namespace Graphics {

GpuWindowRenderTarget::GpuWindowRenderTarget(std::shared_ptr<GpuContext> context,
                                             std::shared_ptr<GpuWindowSurface> surface)
    : context_(std::move(context)),
      device_(context_->Device()),
      surface_(std::move(surface)),
      target_(std::make_shared<GpuRenderTarget>(device_, surface_->PaintTexture())) {}

// The render target and the surface go before the context, which releases the device's
// objects when it ends.
GpuWindowRenderTarget::~GpuWindowRenderTarget() {
    target_.reset();
    surface_.reset();
}

GXPixelFormat GpuWindowRenderTarget::GetPixelFormat() const { return surface_->GetPixelFormat(); }
GXIntSize GpuWindowRenderTarget::GetSize() const { return surface_->GetSize(); }
float GpuWindowRenderTarget::GetDpiX() const { return surface_->GetDpiX(); }
float GpuWindowRenderTarget::GetDpiY() const { return surface_->GetDpiY(); }

GXMatrix GpuWindowRenderTarget::GetCTM() const { return target_->GetCTM(); }
void GpuWindowRenderTarget::SetCTM(const GXMatrix& matrix) { target_->SetCTM(matrix); }
int32_t GpuWindowRenderTarget::GetBlendMode() const { return target_->GetBlendMode(); }
void GpuWindowRenderTarget::SetBlendMode(int32_t mode) { target_->SetBlendMode(mode); }
int32_t GpuWindowRenderTarget::GetStateValue() const { return target_->GetStateValue(); }
void GpuWindowRenderTarget::SetStateValue(int32_t value) { target_->SetStateValue(value); }
bool GpuWindowRenderTarget::GetStrokeAdjustment() const { return target_->GetStrokeAdjustment(); }
void GpuWindowRenderTarget::SetStrokeAdjustment(bool flag) { target_->SetStrokeAdjustment(flag); }

void GpuWindowRenderTarget::BeginPaint() {
    if (painting_) return;
    std::shared_ptr<GpuRenderTexture> texture = surface_->BeginPaint();
    if (texture != target_->Target()) {
        auto next = std::make_shared<GpuRenderTarget>(device_, texture);
        next->SetCTM(target_->GetCTM());
        next->SetBlendMode(target_->GetBlendMode());
        next->SetStateValue(target_->GetStateValue());
        next->SetStrokeAdjustment(target_->GetStrokeAdjustment());
        target_ = std::move(next);
    }
    target_->BeginPaint();
    painting_ = true;
}

bool GpuWindowRenderTarget::EndPaint() {
    if (!painting_) return target_->EndPaint();
    painting_ = false;
    // The paint, the copy into the back buffer and the present reach the GPU as one
    // submission. A paint the render target could not finish is not shown: its work is still
    // submitted (after a loss the device is made anew), the window keeps its last frame, and
    // the caller paints again.
    try {
        if (target_->FinishPaint() && surface_->EndPaint()) {
            surface_->Present();
            return surface_->IsValid();
        }
        device_->Present();
    } catch (const Exception&) {
        // The window went away or cannot be presented to: the frame is not shown.
    }
    return false;
}

void GpuWindowRenderTarget::Flush() { target_->Flush(); }
void GpuWindowRenderTarget::PushState() { target_->PushState(); }
void GpuWindowRenderTarget::PopState() { target_->PopState(); }
void GpuWindowRenderTarget::BeginLayer(const GXLayerParams& params) { target_->BeginLayer(params); }
void GpuWindowRenderTarget::EndLayer() { target_->EndLayer(); }
void GpuWindowRenderTarget::Clear(const ColorF& color) { target_->Clear(color); }
void GpuWindowRenderTarget::SetOpacityMask(std::shared_ptr<Brush> brush, int32_t type) {
    target_->SetOpacityMask(std::move(brush), type);
}
void GpuWindowRenderTarget::SetShapeMask(std::shared_ptr<Brush> brush, int32_t type) {
    target_->SetShapeMask(std::move(brush), type);
}
void GpuWindowRenderTarget::ClipGeometry(std::shared_ptr<Geometry> geometry) {
    target_->ClipGeometry(std::move(geometry));
}
void GpuWindowRenderTarget::ResetClip() { target_->ResetClip(); }
void GpuWindowRenderTarget::FillGeometry(std::shared_ptr<Geometry> geometry,
                                         std::shared_ptr<Brush> brush) {
    target_->FillGeometry(std::move(geometry), std::move(brush));
}
void GpuWindowRenderTarget::FillTextGeometry(std::shared_ptr<Geometry> geometry,
                                             std::shared_ptr<Brush> brush) {
    target_->FillTextGeometry(std::move(geometry), std::move(brush));
}
void GpuWindowRenderTarget::FillPixels(const GXIntRect& pixels, std::shared_ptr<Brush> brush) {
    target_->FillPixels(pixels, std::move(brush));
}
void GpuWindowRenderTarget::ClipPixels(const GXIntRect& pixels) { target_->ClipPixels(pixels); }

}  // namespace Graphics
