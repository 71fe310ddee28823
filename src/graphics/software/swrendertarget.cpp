#include "graphics/software/swrendertarget.h"

#include "graphics/core/exception.h"
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

SwSubTarget* SwRenderTarget::Innermost() const {
    return subTarget_ ? &subTarget_->Innermost() : nullptr;
}

void SwRenderTarget::ReloadCopies() {
    const SwSubTarget& innermost = *Innermost();
    const SwSubTarget::State& state = innermost.Current();
    blendMode_ = state.blendMode;
    ctm_ = innermost.GetCTM();
    stateValue_ = state.stateValue;
    strokeAdjustment_ = state.strokeAdjustment != 0;
}

GXMatrix SwRenderTarget::GetCTM() const {
    return subTarget_ ? Innermost()->GetCTM() : ctm_;
}

void SwRenderTarget::SetCTM(const GXMatrix& matrix) {
    ctm_ = matrix;
    if (subTarget_) Innermost()->SetCTM(matrix);
}

int32_t SwRenderTarget::GetBlendMode() const {
    return subTarget_ ? Innermost()->Current().blendMode : blendMode_;
}

void SwRenderTarget::SetBlendMode(int32_t mode) {
    blendMode_ = mode;
    if (subTarget_) Innermost()->Current().blendMode = mode;
}

int32_t SwRenderTarget::GetStateValue() const {
    return subTarget_ ? Innermost()->Current().stateValue : stateValue_;
}

void SwRenderTarget::SetStateValue(int32_t value) {
    stateValue_ = value;
    if (subTarget_) Innermost()->Current().stateValue = value;
}

bool SwRenderTarget::GetStrokeAdjustment() const {
    return subTarget_ ? Innermost()->Current().strokeAdjustment != 0 : strokeAdjustment_;
}

void SwRenderTarget::SetStrokeAdjustment(bool flag) {
    strokeAdjustment_ = flag;
    if (subTarget_) Innermost()->Current().strokeAdjustment = flag ? 1 : 0;
}

void SwRenderTarget::BeginPaint() {
    std::shared_ptr<BitmapBase> bitmap = surface_->BeginPaint();
    // Asked after BeginPaint: a window surface follows its window's size there.
    const GXIntSize size = surface_->GetSize();
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
        surface_->AddDirtyRect(subTarget_->DirtyPixels());
        surface_->EndPaint();
        surface_->Present();
    } catch (...) {
        finish();
        throw;
    }
    finish();
    return !surface_->IsDestinationLost();
}

void SwRenderTarget::Flush() {
    if (subTarget_) surface_->AddDirtyRect(subTarget_->DirtyPixels());
    surface_->Present();
}

void SwRenderTarget::PushState() {
    if (subTarget_) Innermost()->PushState();
}

void SwRenderTarget::PopState() {
    if (!subTarget_ || !Innermost()->PopState()) return;
    ReloadCopies();
}

void SwRenderTarget::BeginLayer(const GXLayerParams& params) {
    if (!subTarget_) return;
    subTarget_->BeginLayer(params);
    ReloadCopies();
}

void SwRenderTarget::EndLayer() {
    if (!subTarget_) return;
    // The group is closed even when compositing it raises; the copies follow either way.
    try {
        subTarget_->EndLayer();
    } catch (...) {
        ReloadCopies();
        throw;
    }
    ReloadCopies();
}

void SwRenderTarget::Clear(const ColorF& color) {
    if (!subTarget_) return;
    SwSubTarget* innermost = Innermost();
    innermost->Clear(color);
    // A clear outside every group changes the whole surface.
    if (innermost == subTarget_.get()) {
        const GXIntSize size = surface_->GetSize();
        surface_->AddDirtyRect(GXIntRect{0, 0, size.width, size.height});
    }
}

void SwRenderTarget::SetOpacityMask(std::shared_ptr<Brush> brush, int32_t type) {
    if (subTarget_) Innermost()->SetOpacityMask(brush.get(), type);
}

void SwRenderTarget::SetShapeMask(std::shared_ptr<Brush> brush, int32_t type) {
    if (subTarget_) Innermost()->SetShapeMask(brush.get(), type);
}

void SwRenderTarget::ClipGeometry(std::shared_ptr<Geometry> geometry) {
    if (subTarget_ && geometry) Innermost()->ClipGeometry(geometry);
}

void SwRenderTarget::ResetClip() {
    if (subTarget_) Innermost()->ResetClip();
}

void SwRenderTarget::FillGeometry(std::shared_ptr<Geometry> geometry,
                                  std::shared_ptr<Brush> brush) {
    if (subTarget_ && geometry && brush) Innermost()->FillGeometry(geometry, *brush);
}

void SwRenderTarget::FillPixels(const GXIntRect& pixels, std::shared_ptr<Brush> brush) {
    if (subTarget_ && brush) Innermost()->FillPixels(pixels, *brush);
}

void SwRenderTarget::ClipPixels(const GXIntRect& pixels) {
    if (subTarget_) Innermost()->ClipPixels(pixels);
}

void SwRenderTarget::FillTextGeometry(std::shared_ptr<Geometry> geometry,
                                      std::shared_ptr<Brush> brush) {
    if (!subTarget_ || !geometry || !brush) return;
    const PlacedGlyph glyph{&geometry, GetCTM()};
    glyphs_.FillRun(*Innermost(), &glyph, 1, *brush);
}

void SwRenderTarget::FillGlyphRun(const PlacedGlyph* glyphs, size_t count,
                                  const std::shared_ptr<Brush>& brush) {
    if (count == 0) return;
    if (subTarget_ && brush) glyphs_.FillRun(*Innermost(), glyphs, count, *brush);
    SetCTM(glyphs[count - 1].ctm);
}

}  // namespace Graphics
