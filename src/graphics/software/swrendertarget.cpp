#include "graphics/software/swrendertarget.h"

#include "graphics/api/exception.h"
#include "graphics/bitmap/bitmapbase.h"
#include "graphics/geometry/transformer.h"
#include "graphics/software/swbasicsubtarget.h"
#include "graphics/software/swsurface.h"

namespace Graphics {

SwRenderTarget::SwRenderTarget(std::shared_ptr<SwSurface> surface) : surface_(std::move(surface)) {
    ResetCopies();
}

SwRenderTarget::~SwRenderTarget() = default;

void SwRenderTarget::ResetCopies() {
    ctm_ = kIdentityMatrix;
    blendMode_ = 0;
    stateValue_ = 0;
    strokeAdjustment_ = true;
}

GXPixelFormat SwRenderTarget::GetPixelFormat() const {
    return surface_->GetPixelFormat();
}
GXIntSize SwRenderTarget::GetSize() const {
    return surface_->GetSize();
}
float SwRenderTarget::GetDpiX() const {
    return surface_->GetDpiX();
}
float SwRenderTarget::GetDpiY() const {
    return surface_->GetDpiY();
}

GXMatrix SwRenderTarget::GetCTM() const {
    return subTarget_ ? subTarget_->GetCTM() : ctm_;
}

void SwRenderTarget::SetCTM(const GXMatrix& matrix) {
    ctm_ = matrix;
    if (subTarget_) subTarget_->SetCTM(matrix);
}

int32_t SwRenderTarget::GetBlendMode() const {
    return subTarget_ ? subTarget_->Current().blendMode : blendMode_;
}

void SwRenderTarget::SetBlendMode(int32_t mode) {
    blendMode_ = mode;
    if (subTarget_) subTarget_->Current().blendMode = mode;
}

int32_t SwRenderTarget::GetStateValue() const {
    return subTarget_ ? subTarget_->Current().stateValue : stateValue_;
}

void SwRenderTarget::SetStateValue(int32_t value) {
    stateValue_ = value;
    if (subTarget_) subTarget_->Current().stateValue = value;
}

bool SwRenderTarget::GetStrokeAdjustment() const {
    return subTarget_ ? subTarget_->Current().strokeAdjustment != 0 : strokeAdjustment_;
}

void SwRenderTarget::SetStrokeAdjustment(bool flag) {
    strokeAdjustment_ = flag;
    if (subTarget_) subTarget_->Current().strokeAdjustment = flag ? 1 : 0;
}

void SwRenderTarget::BeginPaint() {
    const GXIntSize size = surface_->GetSize();
    std::shared_ptr<BitmapBase> bitmap = surface_->BeginPaint();
    // The pipeline composites premultiplied pixels only; surfaces lend RGB32 bitmaps
    // through a PARGB32 view of the same pixels.
    if (!bitmap || bitmap->GetPixelFormat() != GXPixelFormatPARGB32)
        GX_RAISE("Unsuported pixel format");
    auto subTarget = std::make_shared<SwBasicSubTarget>(GXIntRect{0, 0, size.width, size.height},
                                                        kIdentityMatrix, surface_->GetDpiX(),
                                                        surface_->GetDpiY());
    SwSubTarget::State& state = subTarget->Current();
    state.blendMode = blendMode_;
    subTarget->SetCTM(ctm_);
    state.stateValue = stateValue_;
    state.strokeAdjustment = strokeAdjustment_ ? 1 : 0;
    subTarget->Attach(bitmap);
    paintBitmap_ = std::move(bitmap);
    subTarget_ = std::move(subTarget);
}

bool SwRenderTarget::EndPaint() {
    if (!subTarget_) return true;
    auto finish = [this] {
        subTarget_.reset();
        paintBitmap_.reset();
        ResetCopies();
    };
    try {
        surface_->EndPaint();
        surface_->Present();
    } catch (...) {
        finish();
        throw;
    }
    finish();
    return true;
}

void SwRenderTarget::Flush() {
    surface_->Present();
}

void SwRenderTarget::PushState() {
    if (subTarget_) subTarget_->PushState();
}

void SwRenderTarget::PopState() {
    if (!subTarget_ || !subTarget_->PopState()) return;
    const SwSubTarget::State& state = subTarget_->Current();
    blendMode_ = state.blendMode;
    ctm_ = subTarget_->GetCTM();
    stateValue_ = state.stateValue;
    strokeAdjustment_ = state.strokeAdjustment != 0;
}

void SwRenderTarget::BeginLayer(const GXLayerParams&) {
    GX_RAISE("Not implemented");
}

void SwRenderTarget::EndLayer() {
    GX_RAISE("Not implemented");
}

void SwRenderTarget::Clear(const ColorF& color) {
    if (subTarget_) subTarget_->Clear(color);
}

void SwRenderTarget::SetOpacityMask(std::shared_ptr<Brush> brush, int32_t type) {
    if (subTarget_) subTarget_->SetOpacityMask(brush.get(), type);
}

void SwRenderTarget::SetShapeMask(std::shared_ptr<Brush> brush, int32_t type) {
    if (subTarget_) subTarget_->SetShapeMask(brush.get(), type);
}

void SwRenderTarget::ClipGeometry(std::shared_ptr<Geometry> geometry) {
    if (subTarget_ && geometry) subTarget_->ClipGeometry(geometry);
}

void SwRenderTarget::ResetClip() {
    if (subTarget_) subTarget_->ResetClip();
}

void SwRenderTarget::FillGeometry(std::shared_ptr<Geometry> geometry,
                                  std::shared_ptr<Brush> brush) {
    if (subTarget_ && geometry && brush) subTarget_->FillGeometry(geometry, *brush);
}

void SwRenderTarget::FillTextGeometry(std::shared_ptr<Geometry> geometry,
                                      std::shared_ptr<Brush> brush) {
    if (!subTarget_) return;
    SwSubTarget::State& state = subTarget_->Current();
    const int32_t saved = state.strokeAdjustment;
    state.strokeAdjustment = 0;
    try {
        FillGeometry(std::move(geometry), std::move(brush));
    } catch (...) {
        state.strokeAdjustment = saved;
        throw;
    }
    state.strokeAdjustment = saved;
}

}  // namespace Graphics
