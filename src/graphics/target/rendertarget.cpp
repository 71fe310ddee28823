#include "graphics/target/rendertarget.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "graphics/bitmap/bitmap.h"
#include "graphics/geometry/devicerect.h"
#include "graphics/geometry/geometry.h"
#include "graphics/geometry/matrix.h"
#include "graphics/geometry/strokestyle.h"
#include "graphics/geometry/transformer.h"
#include "graphics/paint/bitmapbrush.h"
#include "graphics/paint/font.h"
#include "graphics/paint/gradientbrush.h"
#include "graphics/paint/solidbrush.h"
#include "graphics/target/pixelsnapping.h"

namespace Graphics {

namespace {

// 2*pi as the nearest float; RotateCTM reduces angles from here on.
constexpr float kTwoPi = 6.2831855f;
// Below this |determinant| the CTM is treated as having no inverse.
constexpr float kSingularDeterminant = 1.0f / 8388608.0f;  // 2^-23
constexpr int32_t kBlendModeDifference = 10;
// Shape-mask type whose value is 255 - alpha: the brush shows where the mask is clear.
constexpr int32_t kMaskTypeInverseAlpha = 1;

GXMatrix InverseOrIdentity(const GXMatrix& m) {
    const float det = m.a * m.d - m.b * m.c;
    // The negated test also sends a NaN determinant to the identity.
    if (!(std::fabs(det) >= kSingularDeterminant)) return kIdentityMatrix;
    return GXMatrix{m.d / det,
                    -m.b / det,
                    -m.c / det,
                    m.a / det,
                    (m.c * m.f - m.d * m.e) / det,
                    (m.b * m.e - m.a * m.f) / det};
}

// The scale and offset that carry the exact device box onto its snapped pixels.
GXMatrix FitMatrix(const GXRect& exact, const GXIntRect& pixels) {
    const GXRect snapped{float(pixels.left), float(pixels.top), float(pixels.right),
                         float(pixels.bottom)};
    const float sx = (snapped.right - snapped.left) / (exact.right - exact.left);
    const float sy = (snapped.bottom - snapped.top) / (exact.bottom - exact.top);
    return GXMatrix{sx, 0, 0, sy, snapped.left - exact.left * sx, snapped.top - exact.top * sy};
}

// A rectangle with left = right or top = bottom covers nothing; NaN sides count as area,
// as the geometry stage would draw them.
bool HasNoArea(const GXRect& r) {
    return r.left == r.right || r.top == r.bottom;
}

// Runs `body`, then `restore` on every path. When the body throws, its exception is the
// one that leaves; a failure of the restore itself is then dropped.
template <class Body, class Restore>
void WithRestore(Body&& body, Restore&& restore) {
    try {
        body();
    } catch (...) {
        try {
            restore();
        } catch (...) {
        }
        throw;
    }
    restore();
}

std::shared_ptr<Geometry> RectangleGeometry(const GXRect& r) {
    auto geometry = std::make_shared<Geometry>();
    geometry->Rectangle(r);
    return geometry;
}

std::shared_ptr<Geometry> EllipseGeometry(const GXRect& r) {
    auto geometry = std::make_shared<Geometry>();
    geometry->Ellipse(r);
    return geometry;
}

// A CTM that moves by whole pixels and does nothing else.
bool IsWholeTranslation(const GXMatrix& m) {
    return m.a == 1 && m.b == 0 && m.c == 0 && m.d == 1 && m.e == std::floor(m.e) &&
           m.f == std::floor(m.f);
}

// A style (null: the defaults) that strokes solid with mitred right angles. The miter of a
// right angle is sqrt(2) half widths long; limits below 2 are left to the stroker, which
// decides near that length.
bool IsSolidMiter(const GXStrokeStyle* style) {
    return !style ||
           (style->dashCount == 0 && style->lineJoin == GXLineJoinMiter && style->miterLimit >= 2);
}

}  // namespace

RenderTarget::RenderTarget(std::shared_ptr<RenderTargetBase> renderer)
    : ImplementationHolder(std::move(renderer)) {}

bool RenderTarget::IsValidStrokeStyle(const GXStrokeStyle* style) {
    if (!style || style->dashCount == 0) return true;
    const uint64_t count = style->dashCount < 15 ? style->dashCount : 15;
    for (uint64_t i = 0; i < count; ++i)
        if (style->dashes[i] != 0) return true;
    return false;
}

void RenderTarget::Clear(uint32_t argb) {
    if (painting_) impl_->Clear(ColorF::FromARGB(argb));
}

void RenderTarget::BeginPaint() {
    if (painting_) return;
    impl_->BeginPaint();
    painting_ = true;
}

bool RenderTarget::EndPaint() {
    if (!painting_) return true;
    // The renderer ends its levels with the pass, even when it fails to finish it.
    painting_ = false;
    levels_.clear();
    return impl_->EndPaint();
}

void RenderTarget::PushState() {
    levels_.push_back(Level::State);
    try {
        impl_->PushState();
    } catch (...) {
        levels_.pop_back();
        throw;
    }
}

void RenderTarget::PopState() {
    // Only a level PushState opened: the first state stays, and a layer ends by EndLayer.
    if (levels_.empty() || levels_.back() != Level::State) return;
    levels_.pop_back();
    impl_->PopState();
}

void RenderTarget::SetCTM(const GXMatrix* matrix) {
    impl_->SetCTM(matrix ? *matrix : kIdentityMatrix);
}

void RenderTarget::ConcatCTM(const GXMatrix& matrix) {
    impl_->SetCTM(MultiplyMatrix(matrix, impl_->GetCTM()));
}

void RenderTarget::RotateCTM(float radians) {
    if (radians >= kTwoPi) radians = std::fmod(radians, kTwoPi);
    const float cosine = std::cos(radians), sine = std::sin(radians);
    ConcatCTM(GXMatrix{cosine, sine, -sine, cosine, 0, 0});
}

void RenderTarget::ScaleCTM(float sx, float sy) {
    ConcatCTM(GXMatrix{sx, 0, 0, sy, 0, 0});
}

void RenderTarget::TranslateCTM(float tx, float ty) {
    ConcatCTM(GXMatrix{1, 0, 0, 1, tx, ty});
}

void RenderTarget::SetOpacityMask(int32_t type, std::shared_ptr<Brush> brush) {
    if (painting_) impl_->SetOpacityMask(std::move(brush), type);
}

void RenderTarget::SetShapeMask(int32_t type, std::shared_ptr<Brush> brush) {
    if (painting_) impl_->SetShapeMask(std::move(brush), type);
}

void RenderTarget::BeginLayer(const GXLayerParams& params) {
    if (!painting_) return;
    levels_.push_back(Level::Layer);
    try {
        impl_->BeginLayer(params);
    } catch (...) {
        levels_.pop_back();
        throw;
    }
}

void RenderTarget::EndLayer() {
    if (!painting_ || std::find(levels_.begin(), levels_.end(), Level::Layer) == levels_.end())
        return;
    // EndLayer closes the innermost group: the states pushed inside it and never popped end
    // with it.
    while (levels_.back() == Level::State) {
        levels_.pop_back();
        impl_->PopState();
    }
    levels_.pop_back();
    impl_->EndLayer();
}

void RenderTarget::FillOrClip(const std::shared_ptr<Geometry>& geometry,
                              const std::shared_ptr<Brush>& brush) {
    if (geometry->IsEmpty()) {
        // An empty fill draws nothing, but as a clip it leaves nothing visible (a PDF
        // "n W" with no path).
        if (!brush) impl_->ClipPixels(GXIntRect{0, 0, 0, 0});
        return;
    }
    if (impl_->GetStrokeAdjustment()) {
        DeviceRect device;
        GXIntRect pixels;
        if (DeviceRect::FromGeometry(*geometry, impl_->GetCTM(), device) && device.Snap(pixels)) {
            if (brush)
                impl_->FillPixels(pixels, brush);
            else
                impl_->ClipPixels(pixels);
            return;
        }
    }
    if (brush)
        impl_->FillGeometry(geometry, brush);
    else
        impl_->ClipGeometry(geometry);
}

std::shared_ptr<Geometry> RenderTarget::Scratch(std::shared_ptr<Geometry>& slot) {
    // One owner left means the renderer let go of it (a clip, for one, keeps its geometry).
    if (slot && slot.use_count() == 1)
        slot->Reset();
    else
        slot = std::make_shared<Geometry>();
    return slot;
}

void RenderTarget::FillGeometry(const std::shared_ptr<Geometry>& geometry,
                                const std::shared_ptr<Brush>& brush) {
    if (painting_ && geometry && brush) FillOrClip(geometry, brush);
}

void RenderTarget::FillTextGeometry(const std::shared_ptr<Geometry>& geometry,
                                    const std::shared_ptr<Brush>& brush) {
    // Glyphs are never snapped: their straight-edged outlines are not rectangles to align.
    if (painting_ && geometry && brush && !geometry->IsEmpty())
        impl_->FillTextGeometry(geometry, brush);
}

void RenderTarget::FillRect(const GXRect& rect, const std::shared_ptr<Brush>& brush) {
    if (!painting_ || !brush) return;
    // Stroke adjustment snaps the rectangle exactly as FillOrClip snaps its four-corner
    // figure, without building that figure first. A rectangle without area keeps the
    // general path: its figure loses the repeated corner and is not snapped.
    DeviceRect device;
    GXIntRect pixels;
    if (impl_->GetStrokeAdjustment() && !HasNoArea(rect) &&
        DeviceRect::FromUserRect(impl_->GetCTM(), rect, device) && device.Snap(pixels)) {
        impl_->FillPixels(pixels, brush);
        return;
    }
    auto shape = Scratch(scratchShape_);
    shape->Rectangle(rect);
    FillOrClip(shape, brush);
}

void RenderTarget::FillEllipse(const GXRect& rect, const std::shared_ptr<Brush>& brush) {
    if (!painting_ || !brush || HasNoArea(rect)) return;
    auto shape = Scratch(scratchShape_);
    shape->Ellipse(rect);
    FillOrClip(shape, brush);
}

void RenderTarget::Stroke(const Geometry& geometry, const std::shared_ptr<Brush>& brush,
                          float width, const GXStrokeStyle* style) {
    if (geometry.IsEmpty() || std::isnan(width)) return;
    const StrokeStyle strokeStyle(style);
    const GXMatrix ctm = impl_->GetCTM();
    auto outline = Scratch(scratchOutline_);
    if (width != 0) {
        // Flatten to a quarter device pixel, measured in user units through the CTM's mean
        // scale; never thinner than two such tolerances, half a device pixel.
        const float tolerance = 0.25f / std::sqrt(std::fabs(ctm.a * ctm.d - ctm.b * ctm.c));
        const float thinnest = 2 * tolerance;
        geometry.Widen(width > thinnest ? width : thinnest, strokeStyle, tolerance, outline);
        FillOrClip(outline, brush);
        return;
    }
    // A hairline is as wide in device pixels at any scale, so it is widened in device space.
    Geometry device;
    geometry.SendToSinkTransformed(ctm, &device);
    device.Widen(0.75f, strokeStyle, 0.25f, outline);
    impl_->SetCTM(kIdentityMatrix);
    WithRestore([&] { FillOrClip(outline, brush); }, [&] { impl_->SetCTM(ctm); });
}

void RenderTarget::StrokeGeometry(const std::shared_ptr<Geometry>& geometry,
                                  const std::shared_ptr<Brush>& brush, float width,
                                  const GXStrokeStyle* style) {
    if (painting_ && geometry && brush) Stroke(*geometry, brush, width, style);
}

void RenderTarget::StrokeLine(const GXPoint& from, const GXPoint& to,
                              const std::shared_ptr<Brush>& brush, float width,
                              const GXStrokeStyle* style) {
    if (!painting_ || !brush) return;
    auto line = Scratch(scratchShape_);
    line->BeginFigure(from);
    line->LineTo(to);
    line->EndFigure();
    Stroke(*line, brush, width, style);
}

void RenderTarget::StrokeRect(const GXRect& rect, const std::shared_ptr<Brush>& brush, float width,
                              const GXStrokeStyle* style) {
    if (!painting_ || !brush || HasNoArea(rect)) return;
    GXRect path = rect;
    const GXMatrix ctm = impl_->GetCTM();
    const bool keepsAxes = (ctm.b == 0 && ctm.c == 0) || (ctm.a == 0 && ctm.d == 0);
    if (keepsAxes && impl_->GetStrokeAdjustment()) {
        const GXRect box = TransformBounds(ctm, rect);
        // Out-of-range or non-finite bounds are stroked where they are.
        const float limit = kSnapLimit;
        if (std::fabs(box.left) <= limit && std::fabs(box.top) <= limit &&
            std::fabs(box.right) <= limit && std::fabs(box.bottom) <= limit) {
            // Pixel centres, so that a one-pixel centre line covers whole pixels.
            const GXRect centres{std::floor(box.left) + 0.5f, std::floor(box.top) + 0.5f,
                                 std::floor(box.right) + 0.5f, std::floor(box.bottom) + 0.5f};
            // A solid mitred stroke whose edges all fall on pixel boundaries covers whole
            // pixels only: its four bands fill as pixel rectangles, with no outline to build
            // and scan. Only whole translations qualify, so that the user-space outline the
            // general path would build lands on the same device pixels exactly.
            GXIntRect bands[4];
            if (IsWholeTranslation(ctm) && IsSolidMiter(style) &&
                WholePixelFrame(centres, width, bands)) {
                for (const GXIntRect& band : bands) impl_->FillPixels(band, brush);
                return;
            }
            const GXMatrix inverse = InverseOrIdentity(ctm);
            const GXPoint topLeft = TransformPoint(inverse, {centres.left, centres.top});
            const GXPoint bottomRight = TransformPoint(inverse, {centres.right, centres.bottom});
            path = GXRect{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
        }
    }
    auto geometry = Scratch(scratchShape_);
    geometry->Rectangle(path);
    Stroke(*geometry, brush, width, style);
}

void RenderTarget::StrokeEllipse(const GXRect& rect, const std::shared_ptr<Brush>& brush,
                                 float width, const GXStrokeStyle* style) {
    if (!painting_ || !brush || HasNoArea(rect)) return;
    auto ellipse = Scratch(scratchShape_);
    ellipse->Ellipse(rect);
    Stroke(*ellipse, brush, width, style);
}

void RenderTarget::ClipGeometry(const std::shared_ptr<Geometry>& geometry) {
    if (painting_ && geometry) FillOrClip(geometry, nullptr);
}

void RenderTarget::ClipRect(const GXRect& rect) {
    if (painting_ && !HasNoArea(rect)) FillOrClip(RectangleGeometry(rect), nullptr);
}

void RenderTarget::ClipEllipse(const GXRect& rect) {
    if (painting_ && !HasNoArea(rect)) FillOrClip(EllipseGeometry(rect), nullptr);
}

void RenderTarget::DrawBitmap(const std::shared_ptr<Bitmap>& bitmap, float opacity,
                              int32_t samplingMode) {
    if (!painting_ || !bitmap || !(opacity > 0)) return;
    const GXIntSize size = bitmap->GetSize();
    const GXRect rect{0, 0, float(size.width), float(size.height)};
    const GXMatrix ctm = impl_->GetCTM();
    DeviceRect device;
    GXIntRect pixels;
    if (impl_->GetStrokeAdjustment() && DeviceRect::FromUserRect(ctm, rect, device)) {
        if (HasNoArea(device.Box())) return;
        if (device.Snap(pixels)) {
            impl_->FillPixels(
                pixels, std::make_shared<BitmapBrush>(
                            bitmap, opacity, MultiplyMatrix(ctm, FitMatrix(device.Box(), pixels)),
                            samplingMode, BitmapExtendClamp, BitmapExtendClamp));
            return;
        }
    }
    FillOrClip(RectangleGeometry(rect),
               std::make_shared<BitmapBrush>(bitmap, opacity, ctm, samplingMode, BitmapExtendClamp,
                                             BitmapExtendClamp));
}

void RenderTarget::StretchBitmap(const std::shared_ptr<Bitmap>& bitmap, const GXRect& rect,
                                 float opacity, int32_t samplingMode) {
    if (!painting_ || !bitmap || !(opacity > 0)) return;
    const GXIntSize size = bitmap->GetSize();
    if (size.width <= 0 || size.height <= 0) return;
    const float width = float(size.width), height = float(size.height);
    const GXMatrix flip{1, 0, 0, -1, 0, height};
    const GXMatrix scale{(rect.right - rect.left) / width,  0, 0,
                         (rect.bottom - rect.top) / height, 0, 0};
    const GXMatrix translate{1, 0, 0, 1, rect.left, rect.top};
    const GXMatrix matrix =
        MultiplyMatrix(MultiplyMatrix(MultiplyMatrix(flip, scale), translate), impl_->GetCTM());
    FillOrClip(RectangleGeometry(rect),
               std::make_shared<BitmapBrush>(bitmap, opacity, matrix, samplingMode,
                                             BitmapExtendClamp, BitmapExtendClamp));
}

void RenderTarget::DrawGradient(const std::shared_ptr<Gradient>& gradient, float opacity) {
    if (!painting_ || !gradient || !(opacity > 0)) return;
    const GXIntSize size = impl_->GetSize();
    if (size.width <= 0 || size.height <= 0) return;
    const GXMatrix ctm = impl_->GetCTM();
    auto brush = std::make_shared<GradientBrush>(gradient, opacity, ctm);
    auto target = RectangleGeometry({0, 0, float(size.width), float(size.height)});
    impl_->SetCTM(kIdentityMatrix);
    WithRestore([&] { FillOrClip(target, brush); }, [&] { impl_->SetCTM(ctm); });
}

void RenderTarget::FillMask(const std::shared_ptr<Bitmap>& mask,
                            const std::shared_ptr<Brush>& brush, int32_t samplingMode) {
    if (!painting_ || !mask || !brush) return;
    const GXIntSize size = mask->GetSize();
    const GXRect rect{0, 0, float(size.width), float(size.height)};
    const GXMatrix ctm = impl_->GetCTM();
    auto maskBrush = [&](const GXMatrix& matrix) {
        return std::make_shared<BitmapBrush>(mask, 1.0f, matrix, samplingMode, BitmapExtendClamp,
                                             BitmapExtendClamp);
    };
    // The shape mask and the CTM change only inside this level, which PopState ends.
    PushState();
    WithRestore(
        [&] {
            DeviceRect device;
            GXIntRect pixels;
            if (impl_->GetStrokeAdjustment() && DeviceRect::FromUserRect(ctm, rect, device)) {
                if (HasNoArea(device.Box())) return;
                if (device.Snap(pixels)) {
                    impl_->SetShapeMask(
                        maskBrush(MultiplyMatrix(ctm, FitMatrix(device.Box(), pixels))),
                        kMaskTypeInverseAlpha);
                    impl_->FillPixels(pixels, brush);
                    return;
                }
            }
            impl_->SetShapeMask(maskBrush(ctm), kMaskTypeInverseAlpha);
            impl_->FillGeometry(RectangleGeometry(rect), brush);
        },
        [&] { PopState(); });
}

void RenderTarget::InvertRect(const GXRect& rect) {
    if (!painting_) return;
    auto white = std::make_shared<SolidBrush>(ColorF{1, 1, 1, 1}, 1.0f);
    const int32_t mode = impl_->GetBlendMode();
    impl_->SetBlendMode(kBlendModeDifference);
    WithRestore([&] { FillRect(rect, white); }, [&] { impl_->SetBlendMode(mode); });
}

void RenderTarget::FillText(const std::shared_ptr<Font>& face, const uint16_t* text,
                            const std::shared_ptr<Brush>& brush) {
    if (!painting_ || !face || !text || !brush) return;
    size_t length = 0;
    while (text[length] != 0) ++length;
    glyphEntries_.resize(length);
    face->LookupText(text, length, glyphEntries_.data());
    // Each glyph is placed under the CTM moved by the advances before it, composed exactly
    // as ConcatCTM composes it; glyphs without figures (spaces) only advance the pen.
    const GXMatrix ctm = impl_->GetCTM();
    GXMatrix pen = ctm;
    placedGlyphs_.clear();
    for (const GlyphOutlineCache::Glyph* glyph : glyphEntries_) {
        if (glyph->outline) placedGlyphs_.push_back({&glyph->outline, pen});
        pen = MultiplyMatrix(GXMatrix{1, 0, 0, 1, glyph->advance.x, glyph->advance.y}, pen);
    }
    if (placedGlyphs_.empty()) return;
    WithRestore([&] { impl_->FillGlyphRun(placedGlyphs_.data(), placedGlyphs_.size(), brush); },
                [&] { impl_->SetCTM(ctm); });
}

}  // namespace Graphics
