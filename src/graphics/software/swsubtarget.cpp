#include "graphics/software/swsubtarget.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "graphics/bitmap/bitmapbase.h"
#include "graphics/geometry/geometry.h"
#include "graphics/geometry/transformer.h"
#include "graphics/paint/brush.h"
#include "graphics/software/swclipping.h"
#include "graphics/software/swcolorsource.h"
#include "graphics/software/swmatrix.h"
#include "graphics/software/swsoftmask.h"

namespace Graphics {

namespace {

// The box of `box`'s four corners under `m`; all NaN when a corner is NaN, so that every
// comparison made with it fails.
GXRect TransformBox(const GXRect& box, const GXMatrix& m) {
    const float xs[2] = {box.left, box.right}, ys[2] = {box.top, box.bottom};
    const float inf = std::numeric_limits<float>::infinity();
    GXRect out{inf, inf, -inf, -inf};
    for (float px : xs)
        for (float py : ys) {
            const float x = m.a * px + m.c * py + m.e;
            const float y = m.b * px + m.d * py + m.f;
            if (std::isnan(x) || std::isnan(y)) {
                const float nan = std::numeric_limits<float>::quiet_NaN();
                return GXRect{nan, nan, nan, nan};
            }
            out = GXRect{std::min(out.left, x), std::min(out.top, y), std::max(out.right, x),
                         std::max(out.bottom, y)};
        }
    return out;
}

// `v` rounded by `round` and clamped to [0, limit]; the float is clamped first, so no
// conversion can overflow.
template <class Round>
int32_t ToPixel(float v, int32_t limit, Round round) {
    return int32_t(round(std::clamp(v, 0.0f, float(limit))));
}

}  // namespace

SwSubTarget::SwSubTarget(const GXIntRect& deviceRect, const GXMatrix& baseMatrix, float dpiX,
                         float dpiY)
    : dpiX_(dpiX),
      dpiY_(dpiY),
      dirtyRect_{0, 0, 0, 0},
      nonEmpty_(deviceRect.right > deviceRect.left && deviceRect.bottom > deviceRect.top),
      deviceRect_(deviceRect),
      baseMatrix_(baseMatrix) {
    const GXIntSize size{std::max(0, deviceRect.right - deviceRect.left),
                         std::max(0, deviceRect.bottom - deviceRect.top)};
    states_.push_back(State{kIdentityMatrix, 0, 0, 1, nullptr, nullptr,
                            std::make_shared<SwClipping>(size, dpiX, dpiY)});
}

SwSubTarget::~SwSubTarget() = default;

void SwSubTarget::Clear(const ColorF& color) {
    if (nonEmpty_ && targetBitmap_) targetBitmap_->ColorFill(nullptr, color);
}

void SwSubTarget::Fill(const std::shared_ptr<Geometry>& geometry,
                       const std::shared_ptr<SwColorSource>&, const GXMatrix& matrix) {
    const GXRect bound = TransformBox(geometry->Bound().Box(), matrix);
    const float width = float(deviceRect_.right - deviceRect_.left);
    const float height = float(deviceRect_.bottom - deviceRect_.top);
    const GXRect cut{std::max(bound.left, 0.0f), std::max(bound.top, 0.0f),
                     std::min(bound.right, width), std::min(bound.bottom, height)};
    const bool empty = dirtyRect_.left >= dirtyRect_.right || dirtyRect_.top >= dirtyRect_.bottom;
    dirtyRect_ =
        empty ? cut
              : GXRect{std::min(dirtyRect_.left, cut.left), std::min(dirtyRect_.top, cut.top),
                       std::max(dirtyRect_.right, cut.right),
                       std::max(dirtyRect_.bottom, cut.bottom)};
}

GXMatrix SwSubTarget::DeviceMatrix() const {
    GXMatrix m = baseMatrix_;
    m.e += float(deviceRect_.left);
    m.f += float(deviceRect_.top);
    return m;
}

GXMatrix SwSubTarget::GetCTM() const {
    return MultiplyMatrix(Current().matrix, DeviceMatrix());
}

void SwSubTarget::SetCTM(const GXMatrix& ctm) {
    GXMatrix inverse = kIdentityMatrix;
    InvertMatrix(DeviceMatrix(), inverse);
    Current().matrix = MultiplyMatrix(ctm, inverse);
}

bool SwSubTarget::PopState() {
    if (states_.size() < 2) return false;
    states_.pop_back();
    return true;
}

std::shared_ptr<SwSoftMask> SwSubTarget::MakeMask(const Brush* brush, int32_t kind) const {
    if (!brush) return nullptr;
    GXMatrix offset = kIdentityMatrix;
    offset.e = float(deviceRect_.left);
    offset.f = float(deviceRect_.top);
    auto source = SwColorSource::CreateFromBrush(*brush, deviceRect_, offset);
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
    clipping->ClipGeometry(geometry, MultiplyMatrix(state.matrix, baseMatrix_));
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
    SyncClip();
    if (!nonEmpty_) return;
    const GXMatrix matrix = MultiplyMatrix(Current().matrix, baseMatrix_);
    const GXRect bound = TransformBox(geometry->Bound().Box(), matrix);
    const int32_t width = deviceRect_.right - deviceRect_.left;
    const int32_t height = deviceRect_.bottom - deviceRect_.top;
    // The negated tests also skip NaN bounds.
    if (!(bound.left < float(width) && bound.top < float(height) && bound.right > 0 &&
          bound.bottom > 0))
        return;
    const GXIntRect covered{
        deviceRect_.left + ToPixel(bound.left, width, [](float v) { return std::floor(v); }),
        deviceRect_.top + ToPixel(bound.top, height, [](float v) { return std::floor(v); }),
        deviceRect_.left + ToPixel(bound.right, width, [](float v) { return std::ceil(v); }),
        deviceRect_.top + ToPixel(bound.bottom, height, [](float v) { return std::ceil(v); })};
    GXMatrix offset = kIdentityMatrix;
    offset.e = float(deviceRect_.left);
    offset.f = float(deviceRect_.top);
    Fill(geometry, SwColorSource::CreateFromBrush(brush, covered, offset), matrix);
}

}  // namespace Graphics
