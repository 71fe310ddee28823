#include "graphics/software/swsubtarget.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "graphics/bitmap/bitmapbase.h"
#include "graphics/geometry/devicerect.h"
#include "graphics/geometry/geometry.h"
#include "graphics/geometry/matrix.h"
#include "graphics/geometry/transformer.h"
#include "graphics/paint/brush.h"
#include "graphics/software/swbitmapcolorsource.h"
#include "graphics/software/swclipping.h"
#include "graphics/software/swcolorsource.h"
#include "graphics/software/swlayersubtarget.h"
#include "graphics/software/swpipeline.h"
#include "graphics/software/swrecordpool.h"
#include "graphics/software/swsoftmask.h"

namespace Graphics {

namespace {

// The box of `box`'s four corners under `m`; all NaN when a corner is NaN, so that every
// comparison made with it fails. Infinite coordinates (a group "everywhere") are first cut
// to a huge finite range and the products taken in double, so that no 0 x inf or inf - inf
// turns an unbounded box into NaN.
GXRect TransformBox(const GXRect& box, const GXMatrix& m) {
    static constexpr double kHuge = 1e30;
    auto cut = [](double v) { return std::clamp(v, -kHuge, kHuge); };
    const double xs[2] = {cut(box.left), cut(box.right)}, ys[2] = {cut(box.top), cut(box.bottom)};
    const float inf = std::numeric_limits<float>::infinity();
    GXRect out{inf, inf, -inf, -inf};
    for (double px : xs)
        for (double py : ys) {
            const double x = cut(double(m.a) * px + double(m.c) * py + double(m.e));
            const double y = cut(double(m.b) * px + double(m.d) * py + double(m.f));
            if (std::isnan(x) || std::isnan(y)) {
                const float nan = std::numeric_limits<float>::quiet_NaN();
                return GXRect{nan, nan, nan, nan};
            }
            out = GXRect{std::min(out.left, float(x)), std::min(out.top, float(y)),
                         std::max(out.right, float(x)), std::max(out.bottom, float(y))};
        }
    return out;
}

// `v` rounded by `round` and clamped to [0, limit]; the float is clamped first, so no
// conversion can overflow.
template <class Round>
int32_t ToPixel(float v, int32_t limit, Round round) {
    return int32_t(round(std::clamp(v, 0.0f, float(limit))));
}

// Colour sources and masks are evaluated in the sub-target's own pixels, brushes are placed
// in device space: the translation from the one to the other.
GXMatrix DeviceToOwnPixels(const GXIntRect& deviceRect) {
    return GXMatrix{1, 0, 0, 1, -float(deviceRect.left), -float(deviceRect.top)};
}

bool IsEmpty(const GXIntRect& r) {
    return r.left >= r.right || r.top >= r.bottom;
}

}  // namespace

SwSubTarget::SwSubTarget(const GXIntRect& deviceRect, const GXMatrix& ctm, float dpiX,
                         float dpiY)
    : dpiX_(dpiX),
      dpiY_(dpiY),
      dirtyRect_{0, 0, 0, 0},
      nonEmpty_(deviceRect.right > deviceRect.left && deviceRect.bottom > deviceRect.top),
      deviceRect_(deviceRect) {
    const GXIntSize size{std::max(0, deviceRect.right - deviceRect.left),
                         std::max(0, deviceRect.bottom - deviceRect.top)};
    states_.push_back(State{ctm, 0, 0, 1, nullptr, nullptr,
                            std::make_shared<SwClipping>(size, dpiX, dpiY)});
}

SwSubTarget::~SwSubTarget() = default;

void SwSubTarget::Clear(const ColorF& color) {
    if (nonEmpty_ && targetBitmap_) targetBitmap_->ColorFill(nullptr, color);
}

void SwSubTarget::Fill(const std::shared_ptr<Geometry>& geometry,
                       const std::shared_ptr<SwColorSource>& source, const GXMatrix& matrix) {
    FillWithin(geometry, source, matrix, TransformBox(geometry->Bound().Box(), matrix));
}

void SwSubTarget::FillWithin(const std::shared_ptr<Geometry>& geometry,
                             const std::shared_ptr<SwColorSource>& source, const GXMatrix& matrix,
                             const GXRect& bound) {
    SwClipping& clip = SyncClip();
    if (!nonEmpty_ || geometry->IsEmpty()) return;
    AddDirty(bound);
    // A caller's own rectangle on pixel edges covers whole pixels whatever the stroke
    // adjustment, so it may take the shorter way too.
    DeviceRect device;
    GXIntRect pixels;
    if (DeviceRect::FromGeometry(*geometry, matrix, device) && device.WholePixels(pixels) &&
        FillPixelsWithoutPipeline(pixels, *source, clip))
        return;
    auto pipeline = MakePipeline(geometry, source, clip);
    pipeline->SetCTM(matrix);
    pipeline->Execute();
}

void SwSubTarget::FillMasks(const SwPlacedMask* masks, size_t count, const GXIntRect& box,
                            const Brush& brush) {
    if (!nonEmpty_) return;
    const GXRect bound{float(box.left), float(box.top), float(box.right), float(box.bottom)};
    const GXIntRect covered = PixelCover(bound);
    if (IsEmpty(covered)) return;
    auto source = SwColorSource::CreateFromBrush(brush, covered, DeviceToOwnPixels(deviceRect_));
    SwClipping& clip = SyncClip();
    AddDirty(bound);
    MakePipeline(nullptr, source, clip)->ExecuteMasks(masks, count);
}

void SwSubTarget::FillPixels(const GXIntRect& pixels, const Brush& brush) {
    if (!nonEmpty_) return;
    const GXRect bound = OwnPixels(pixels);
    const GXIntRect covered = PixelCover(bound);
    if (IsEmpty(covered)) return;
    auto source = SwColorSource::CreateFromBrush(brush, covered, DeviceToOwnPixels(deviceRect_));
    SwClipping& clip = SyncClip();
    AddDirty(bound);
    if (FillPixelsWithoutPipeline(covered, *source, clip)) return;
    // The pixels outside the sub-target are never drawn: the pipeline fills only the
    // covered ones.
    if (pixelRectangle_ && pixelRectangle_.use_count() == 1)
        pixelRectangle_->Reset();
    else
        pixelRectangle_ = std::make_shared<Geometry>();
    pixelRectangle_->Rectangle(GXRect{float(covered.left), float(covered.top),
                                      float(covered.right), float(covered.bottom)});
    auto pipeline = MakePipeline(pixelRectangle_, source, clip);
    pipeline->SetCTM(kIdentityMatrix);
    pipeline->Execute();
}

GXRect SwSubTarget::OwnPixels(const GXIntRect& device) const {
    return GXRect{float(double(device.left) - deviceRect_.left),
                  float(double(device.top) - deviceRect_.top),
                  float(double(device.right) - deviceRect_.left),
                  float(double(device.bottom) - deviceRect_.top)};
}

void SwSubTarget::AddDirty(const GXRect& bound) {
    const GXRect cut{std::max(bound.left, 0.0f), std::max(bound.top, 0.0f),
                     std::min(bound.right, float(Width())),
                     std::min(bound.bottom, float(Height()))};
    const bool empty = dirtyRect_.left >= dirtyRect_.right || dirtyRect_.top >= dirtyRect_.bottom;
    dirtyRect_ =
        empty ? cut
              : GXRect{std::min(dirtyRect_.left, cut.left), std::min(dirtyRect_.top, cut.top),
                       std::max(dirtyRect_.right, cut.right),
                       std::max(dirtyRect_.bottom, cut.bottom)};
}

std::shared_ptr<SwPipeLine> SwSubTarget::MakePipeline(const std::shared_ptr<Geometry>& geometry,
                                                      const std::shared_ptr<SwColorSource>& source,
                                                      SwClipping& clip) {
    const State& state = Current();
    auto pipeline = MakePooled<SwPipeLine>(geometry, deviceRect_);
    pipeline->SetBlendMode(state.blendMode);
    pipeline->SetSnapRectangles(state.strokeAdjustment != 0);
    pipeline->AddShapeMask(state.shapeMask);
    pipeline->AddOpacityMask(state.opacityMask);
    pipeline->AddShapeMask(layerShapeMask_);
    pipeline->AddClipMask(clip);
    pipeline->AddSourceColor(source);
    AddTargetAndCompositor(*pipeline);
    return pipeline;
}

SwSubTarget& SwSubTarget::Innermost() {
    return layers_.empty() ? *this : *layers_.back();
}

void SwSubTarget::BeginLayer(const GXLayerParams& params) {
    SwSubTarget& parent = Innermost();
    const GXMatrix drawing = parent.DrawingMatrix();
    const GXRect& bounds = params.bounds;
    // Inverted bounds hold nothing; NaN ones fail the test too.
    GXIntRect cover{0, 0, 0, 0};
    if (bounds.left <= bounds.right && bounds.top <= bounds.bottom) {
        cover = parent.PixelCover(TransformBox(bounds, drawing));
        // Nothing outside the parent's clip can reach the parent, so the group need not
        // hold it.
        const GXIntRect clip = parent.Current().clipping->PixelBox();
        cover = GXIntRect{std::max(cover.left, clip.left), std::max(cover.top, clip.top),
                          std::min(cover.right, clip.right), std::min(cover.bottom, clip.bottom)};
        if (IsEmpty(cover)) cover = GXIntRect{0, 0, 0, 0};
    }
    const GXIntRect deviceRect{
        parent.deviceRect_.left + cover.left, parent.deviceRect_.top + cover.top,
        parent.deviceRect_.left + cover.right, parent.deviceRect_.top + cover.bottom};
    // The group starts with the parent's CTM; its own pixels are placed by deviceRect.
    auto layer = std::make_shared<SwLayerSubTarget>(
        deviceRect, GXIntPoint{cover.left, cover.top}, parent.Current().matrix, parent.dpiX_,
        parent.dpiY_,
        params.opacity, params.isolated != 0, params.knockout != 0);
    if (layer->nonEmpty_) layer->Attach(parent.ChildBackdrop());
    layers_.push_back(std::move(layer));
}

void SwSubTarget::EndLayer() {
    if (layers_.empty()) return;
    // Detached first, so that the group is closed however compositing ends.
    const std::shared_ptr<SwSubTarget> layer = std::move(layers_.back());
    layers_.pop_back();
    Innermost().Composite(*layer);
}

void SwSubTarget::Composite(SwSubTarget& layer) {
    if (!nonEmpty_ || !layer.nonEmpty_) return;
    // Only what the group drew can show: elsewhere its shape is 0.
    const GXIntRect drawn = layer.PixelCover(layer.dirtyRect_);
    if (IsEmpty(drawn)) return;
    // Layer pixel (0, 0) is the parent's pixel at the layer's top-left.
    GXMatrix placement = kIdentityMatrix;
    placement.e = float(layer.deviceRect_.left - deviceRect_.left);
    placement.f = float(layer.deviceRect_.top - deviceRect_.top);
    auto result = std::make_shared<SwBitmapColorSource>(layer.GetResultBitmap(), placement,
                                                        layer.GetOpacity());
    auto shape = std::make_shared<SwBitmapColorSource>(layer.GetShapeBitmap(), placement, 1.0f);
    auto area = std::make_shared<Geometry>();
    area->Rectangle(GXRect{placement.e + float(drawn.left), placement.f + float(drawn.top),
                           placement.e + float(drawn.right), placement.f + float(drawn.bottom)});
    layerShapeMask_ = std::make_shared<SwSoftMask>(SwSoftMask{std::move(shape), kSwSoftMaskAlpha});
    try {
        Fill(area, result, kIdentityMatrix);
    } catch (...) {
        layerShapeMask_.reset();
        throw;
    }
    layerShapeMask_.reset();
}

GXIntRect SwSubTarget::PixelCover(const GXRect& bound) const {
    const int32_t width = Width(), height = Height();
    // The negated test also refuses NaN bounds.
    if (!(bound.left < float(width) && bound.top < float(height) && bound.right > 0 &&
          bound.bottom > 0))
        return GXIntRect{0, 0, 0, 0};
    return GXIntRect{ToPixel(bound.left, width, [](float v) { return std::floor(v); }),
                     ToPixel(bound.top, height, [](float v) { return std::floor(v); }),
                     ToPixel(bound.right, width, [](float v) { return std::ceil(v); }),
                     ToPixel(bound.bottom, height, [](float v) { return std::ceil(v); })};
}

GXMatrix SwSubTarget::DrawingMatrix() const {
    // Device space to the sub-target's own pixels is a whole-pixel translation; it is
    // applied here, when drawing, so that the stored CTM stays exactly as the caller set it.
    GXMatrix m = Current().matrix;
    m.e -= float(deviceRect_.left);
    m.f -= float(deviceRect_.top);
    return m;
}

bool SwSubTarget::PopState() {
    if (states_.size() < 2) return false;
    states_.pop_back();
    return true;
}

std::shared_ptr<SwSoftMask> SwSubTarget::MakeMask(const Brush* brush, int32_t kind) const {
    // An empty sub-target draws nothing, so it needs no mask either.
    if (!brush || !nonEmpty_) return nullptr;
    auto source = SwColorSource::CreateFromBrush(*brush, GXIntRect{0, 0, Width(), Height()},
                                                 DeviceToOwnPixels(deviceRect_));
    return std::make_shared<SwSoftMask>(SwSoftMask{std::move(source), kind});
}

void SwSubTarget::SetOpacityMask(const Brush* brush, int32_t kind) {
    Current().opacityMask = MakeMask(brush, kind);
}

void SwSubTarget::SetShapeMask(const Brush* brush, int32_t kind) {
    Current().shapeMask = MakeMask(brush, kind);
}

void SwSubTarget::ClipGeometry(const std::shared_ptr<Geometry>& geometry) {
    if (!nonEmpty_) return;
    State& state = Current();
    auto clipping = std::make_shared<SwClipping>(*state.clipping);
    clipping->ClipGeometry(geometry, DrawingMatrix(), state.strokeAdjustment != 0);
    state.clipping = std::move(clipping);
}

void SwSubTarget::ClipPixels(const GXIntRect& pixels) {
    if (!nonEmpty_) return;
    State& state = Current();
    auto clipping = std::make_shared<SwClipping>(*state.clipping);
    clipping->ClipPixels(OwnPixels(pixels));
    state.clipping = std::move(clipping);
}

void SwSubTarget::ResetClip() {
    if (!nonEmpty_) return;
    State& state = Current();
    auto clipping = std::make_shared<SwClipping>(*state.clipping);
    clipping->Reset();
    state.clipping = std::move(clipping);
}

SwClipping& SwSubTarget::SyncClip() {
    const std::shared_ptr<SwClipping>& current = Current().clipping;
    if (!activeClip_ || !(*activeClip_ == *current)) activeClip_ = current;
    return *activeClip_;
}

void SwSubTarget::FillGeometry(const std::shared_ptr<Geometry>& geometry, const Brush& brush) {
    if (!nonEmpty_) return;
    const GXMatrix matrix = DrawingMatrix();
    const GXRect bound = TransformBox(geometry->Bound().Box(), matrix);
    const GXIntRect covered = PixelCover(bound);
    if (IsEmpty(covered)) return;
    FillWithin(geometry,
               SwColorSource::CreateFromBrush(brush, covered, DeviceToOwnPixels(deviceRect_)),
               matrix, bound);
}

}  // namespace Graphics
