#include "graphics/print/printrendertarget.h"

#include <cmath>

#include "graphics/bitmap/bitmap.h"
#include "graphics/geometry/geometry.h"
#include "graphics/geometry/matrix.h"
#include "graphics/geometry/transformer.h"
#include "graphics/paint/brush.h"
#include "graphics/print/printbitmap.h"
#include "graphics/print/printclipping.h"
#include "graphics/print/printcolorsource.h"
#include "graphics/print/printdevicesurface.h"
#include "graphics/print/printpath.h"
#include "graphics/print/printsoftmask.h"
#include "graphics/software/swbitmapsurface.h"
#include "graphics/software/swrendertarget.h"
#include "platform/printcanvas.h"

namespace Graphics {
namespace {

Host::PrintImageFilter FilterOf(int32_t stateValue) {
    switch (stateValue) {
        case 1:
            return Host::PrintImageFilter::Good;
        case 2:
            return Host::PrintImageFilter::Best;
        default:
            return Host::PrintImageFilter::Nearest;
    }
}

// `box` cut to `limit`; an empty or non-finite result comes back false.
bool Intersect(const GXRect& box, const GXRect& limit, GXRect& out) {
    out = GXRect{std::fmax(box.left, limit.left), std::fmax(box.top, limit.top),
                 std::fmin(box.right, limit.right), std::fmin(box.bottom, limit.bottom)};
    return std::isfinite(out.left) && std::isfinite(out.top) && std::isfinite(out.right) &&
           std::isfinite(out.bottom) && out.right > out.left && out.bottom > out.top;
}

// The device-space rectangle on the edges of `pixels`.
std::shared_ptr<Geometry> PixelRectangle(const GXIntRect& pixels) {
    auto rectangle = std::make_shared<Geometry>();
    rectangle->Rectangle(GXRect{float(pixels.left), float(pixels.top), float(pixels.right),
                                float(pixels.bottom)});
    return rectangle;
}

}  // namespace

PrintRenderTarget::PrintRenderTarget(std::shared_ptr<PrintDeviceSurface> surface)
    : surface_(std::move(surface)) {
    ResetFields();
}

PrintRenderTarget::~PrintRenderTarget() = default;

void PrintRenderTarget::ResetFields() {
    ctm_ = kIdentityMatrix;
    blendMode_ = 0;
    stateValue_ = 0;
    strokeAdjustment_ = true;
}

void PrintRenderTarget::ReloadFields() {
    const DrawingState& state = Current();
    ctm_ = state.matrix;
    blendMode_ = state.blendMode;
    stateValue_ = state.stateValue;
    strokeAdjustment_ = state.strokeAdjustment;
}

GXPixelFormat PrintRenderTarget::GetPixelFormat() const {
    return surface_->GetPixelFormat();
}
GXIntSize PrintRenderTarget::GetSize() const {
    return surface_->GetSize();
}
float PrintRenderTarget::GetDpiX() const {
    return surface_->GetDpiX();
}
float PrintRenderTarget::GetDpiY() const {
    return surface_->GetDpiY();
}

GXMatrix PrintRenderTarget::GetCTM() const {
    return Painting() ? Current().matrix : ctm_;
}
void PrintRenderTarget::SetCTM(const GXMatrix& matrix) {
    ctm_ = matrix;
    if (Painting()) Current().matrix = matrix;
}

int32_t PrintRenderTarget::GetBlendMode() const {
    return Painting() ? Current().blendMode : blendMode_;
}
void PrintRenderTarget::SetBlendMode(int32_t mode) {
    blendMode_ = mode;
    if (Painting()) Current().blendMode = mode;
}

int32_t PrintRenderTarget::GetStateValue() const {
    return Painting() ? Current().stateValue : stateValue_;
}
void PrintRenderTarget::SetStateValue(int32_t value) {
    stateValue_ = value;
    if (Painting()) Current().stateValue = value;
}

bool PrintRenderTarget::GetStrokeAdjustment() const {
    return Painting() ? Current().strokeAdjustment : strokeAdjustment_;
}
void PrintRenderTarget::SetStrokeAdjustment(bool flag) {
    strokeAdjustment_ = flag;
    if (Painting()) Current().strokeAdjustment = flag;
}

void PrintRenderTarget::BeginPaint() {
    if (Painting()) return;
    states_.clear();
    states_.push_back(DrawingState{1.0f,
                                   ctm_,
                                   blendMode_,
                                   stateValue_,
                                   strokeAdjustment_,
                                   {},
                                   {},
                                   std::make_shared<PrintClipping>(surface_->GetPageRect())});
    canvas_ = &surface_->BeginPaint();
    // One user unit is one point on the device: the canvas's own unit.
    canvas_->SetTransform(kIdentityMatrix);
}

bool PrintRenderTarget::EndPaint() {
    if (!Painting()) return true;
    surface_->Flush();
    canvas_ = nullptr;
    states_.clear();
    ResetFields();
    return surface_->EndPaint();
}

void PrintRenderTarget::Flush() {
    if (Painting()) surface_->Flush();
}

void PrintRenderTarget::PushState() {
    if (!Painting()) return;
    DrawingState copy = Current();
    copy.clipping = std::make_shared<PrintClipping>(*copy.clipping);
    states_.push_back(std::move(copy));
}

void PrintRenderTarget::PopState() {
    if (!Painting() || states_.size() < 2) return;
    states_.pop_back();
    ReloadFields();
}

void PrintRenderTarget::BeginLayer(const GXLayerParams& params) {
    if (!Painting()) return;
    PushState();
    DrawingState& state = Current();
    state.opacity *= std::fmin(std::fmax(params.opacity, 0.0f), 1.0f);
    if (state.blendMode != 0) state.opacity *= kBlendLayerOpacity;
}

void PrintRenderTarget::EndLayer() {
    PopState();
}

void PrintRenderTarget::Clear(const ColorF& color) {
    if (Painting()) canvas_->Clear(color.red, color.green, color.blue, color.alpha);
}

void PrintRenderTarget::SetOpacityMask(std::shared_ptr<Brush> brush, int32_t type) {
    if (!Painting()) return;
    Current().opacityMask =
        brush ? std::make_shared<PrintSoftMask>(std::move(brush), type) : nullptr;
}

void PrintRenderTarget::SetShapeMask(std::shared_ptr<Brush> brush, int32_t type) {
    if (!Painting()) return;
    Current().shapeMask = brush ? std::make_shared<PrintSoftMask>(std::move(brush), type) : nullptr;
}

void PrintRenderTarget::ClipGeometry(std::shared_ptr<Geometry> geometry) {
    if (!Painting() || !geometry || geometry->IsEmpty()) return;
    Current().clipping->Clip(*geometry, Current().matrix);
}

void PrintRenderTarget::ResetClip() {
    if (Painting()) Current().clipping->Reset();
}

void PrintRenderTarget::ApplyClip(const DrawingState& state) {
    if (const auto& clip = state.clipping->GetGeometry())
        canvas_->ClipPath(PrintPath::Build(*clip, kIdentityMatrix));
}

double PrintRenderTarget::OffscreenFactor(double width, double height) {
    const double factor = width * height > kLargeFillPixels ? kCoarseFactor : kFineFactor;
    // Past the pixel budget the coarse factor comes first, then any lower resolution.
    return PrintBitmap::BoundedScale(
        width, height,
        PrintBitmap::BoundedScale(width, height, factor) < factor ? kCoarseFactor : factor);
}

void PrintRenderTarget::ClipPixels(const GXIntRect& pixels) {
    if (Painting()) Current().clipping->Clip(*PixelRectangle(pixels), kIdentityMatrix);
}

void PrintRenderTarget::FillGeometry(std::shared_ptr<Geometry> geometry,
                                     std::shared_ptr<Brush> brush) {
    if (Painting() && geometry && brush) FillUnder(geometry, brush, Current().matrix);
}

void PrintRenderTarget::FillPixels(const GXIntRect& pixels, std::shared_ptr<Brush> brush) {
    if (Painting() && brush) FillUnder(PixelRectangle(pixels), brush, kIdentityMatrix);
}

void PrintRenderTarget::FillUnder(const std::shared_ptr<Geometry>& geometry,
                                  const std::shared_ptr<Brush>& brush, const GXMatrix& matrix) {
    if (geometry->IsEmpty()) return;
    const DrawingState& state = Current();
    if (!IsFiniteMatrix(matrix)) return;
    const auto& clip = state.clipping->GetGeometry();
    if (clip && clip->IsEmpty()) return;  // clipped away entirely

    float opacity = brush->GetOpacity() * state.opacity;
    if (state.blendMode != 0) opacity *= kBlendOpacity;
    auto source = PrintColorSource::CreateFromBrush(brush, opacity);

    GXRect bound;
    if (!Intersect(TransformBounds(matrix, geometry->Bound().Box()), surface_->GetPageRect(),
                   bound))
        return;
    const Host::PrintCanvasPath path = PrintPath::Build(*geometry, matrix);

    canvas_->Save();
    if (state.shapeMask || state.opacityMask || state.blendMode != 0) {
        FillOffscreen(state, geometry, matrix, *source, bound, path);
    } else {
        const PrintPaint paint =
            source->MakePaint(bound, std::fmax(GetDpiX(), GetDpiY()), FilterOf(state.stateValue));
        ApplyClip(state);
        if (paint.solid) {
            canvas_->FillSolid(path, paint.color.red, paint.color.green, paint.color.blue,
                               paint.color.alpha);
        } else if (paint.imageHasAlpha && paint.image.extend == Host::PrintImageExtend::Pad) {
            // An image with transparency is placed whole inside the fill's outline rather
            // than painted as a pattern, which many printers render poorly.
            canvas_->ClipPath(path);
            canvas_->DrawImage(paint.image);
        } else {
            canvas_->FillImage(path, paint.image);
        }
    }
    canvas_->Restore();
}

void PrintRenderTarget::FillOffscreen(const DrawingState& state,
                                      const std::shared_ptr<Geometry>& geometry,
                                      const GXMatrix& matrix, const PrintColorSource& source,
                                      const GXRect& bound,
                                      const Host::PrintCanvasPath& path) {
    const double width = double(bound.right) - bound.left;
    const double height = double(bound.bottom) - bound.top;
    const double factor = OffscreenFactor(width, height);
    const GXIntSize size{int32_t(std::ceil(width * factor)), int32_t(std::ceil(height * factor))};

    // Device points to offscreen pixels, the bound's corner at the origin.
    const GXMatrix offscreen{float(factor),
                             0,
                             0,
                             float(factor),
                             float(-bound.left * factor),
                             float(-bound.top * factor)};
    // The software renderer paints straight into the image the page will show.
    auto image = std::make_shared<PrintBitmap>(size, true);
    SwRenderTarget target(std::make_shared<SwBitmapSurface>(std::make_shared<Bitmap>(image)));
    target.BeginPaint();
    target.Clear(ColorF{0, 0, 0, 0});
    target.SetStateValue(state.stateValue);
    if (state.opacityMask)
        target.SetOpacityMask(state.opacityMask->ForOffscreen(offscreen),
                              state.opacityMask->GetType());
    if (state.shapeMask)
        target.SetShapeMask(state.shapeMask->ForOffscreen(offscreen), state.shapeMask->GetType());
    if (const auto& clip = state.clipping->GetGeometry()) {
        target.SetCTM(offscreen);
        target.ClipGeometry(clip);
    }
    // The blend mode is not applied: the canvas cannot blend with what lies below.
    target.SetCTM(MultiplyMatrix(matrix, offscreen));
    target.FillGeometry(
        geometry, PrintColorSource::RemapBrush(*source.GetBrush(), source.GetBrush()->GetOpacity(),
                                               offscreen));
    target.EndPaint();
    image->MarkWritten();

    ApplyClip(state);
    canvas_->ClipPath(path);
    const GXMatrix imageToDevice{float(1 / factor), 0, 0, float(1 / factor), bound.left, bound.top};
    canvas_->DrawImage(image->Paint(imageToDevice, Host::PrintImageExtend::None,
                                    FilterOf(state.stateValue), 1.0f));
}

void PrintRenderTarget::FillTextGeometry(std::shared_ptr<Geometry> geometry,
                                         std::shared_ptr<Brush> brush) {
    FillGeometry(std::move(geometry), std::move(brush));
}

}  // namespace Graphics
