#include "graphics/gpu/gpusubtarget.h"

#include <algorithm>
#include <cmath>

#include "graphics/core/exception.h"
#include "graphics/geometry/geometry.h"
#include "graphics/geometry/transformer.h"
#include "graphics/gpu/gpuclipping.h"
#include "graphics/gpu/gpudevice.h"
#include "graphics/gpu/gpudrawstate.h"
#include "graphics/gpu/gpulayersubtarget.h"
#include "graphics/gpu/gpurasterizationsink.h"
#include "graphics/gpu/gpurendertexture.h"
#include "graphics/gpu/gpuvertexbuffer.h"
#include "graphics/paint/brush.h"
#include "graphics/raster/rasterizer.h"

namespace Graphics {

namespace {

// A batch is drawn before it holds this many triangles.
constexpr uint32_t kBatchVertexLimit = 4096;

bool Overlap(const GXRect& a, const GXRect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

bool IsEmpty(const GXIntRect& r) {
    return r.left >= r.right || r.top >= r.bottom;
}

}  // namespace

GpuSubTarget::GpuSubTarget(std::shared_ptr<GpuDevice> device, const GXIntRect& deviceRect,
                           std::shared_ptr<GpuRenderTexture> colorTarget)
    : device_(std::move(device)),
      deviceRect_(deviceRect),
      colorTarget_(std::move(colorTarget)),
      vertices_(std::make_shared<GpuVertexBuffer>(device_)) {}

GpuSubTarget::~GpuSubTarget() = default;

void GpuSubTarget::BeginPaint(const GpuState& state) {
    states_.assign(1, state);
    std::lock_guard lock(device_->Tracker().Mutex());
    device_->Tracker().BeginFrame();
}

void GpuSubTarget::EndPaint() {
    Flush();
    {
        std::lock_guard lock(device_->Tracker().Mutex());
        device_->Tracker().EndFrame();
    }
    states_.clear();
}

bool GpuSubTarget::PopState() {
    if (states_.size() < 2) return false;
    states_.pop_back();
    return true;
}

GXMatrix GpuSubTarget::DrawingMatrix() const {
    GXMatrix m = states_.back().matrix;
    m.e -= float(deviceRect_.left);
    m.f -= float(deviceRect_.top);
    return m;
}

GXIntRect GpuSubTarget::PixelCover(const GXRect& bound) const {
    const int32_t w = Width(), h = Height();
    // The negated test also refuses NaN bounds.
    if (!(bound.left < float(w) && bound.top < float(h) && bound.right > 0 && bound.bottom > 0))
        return GXIntRect{0, 0, 0, 0};
    auto at = [](float v, int32_t limit, float (*round)(float)) {
        return int32_t(round(std::clamp(v, 0.0f, float(limit))));
    };
    return GXIntRect{at(bound.left, w, std::floor), at(bound.top, h, std::floor),
                     at(bound.right, w, std::ceil), at(bound.bottom, h, std::ceil)};
}

GXRect GpuSubTarget::ClipBounds() const {
    const GpuState& state = states_.back();
    return state.clipping ? state.clipping->Bounds() : GXRect{0, 0, float(Width()), float(Height())};
}

GXIntRect GpuSubTarget::ClipBox() const {
    return PixelCover(ClipBounds());
}

void GpuSubTarget::Clear(const ColorF& color) {
    Flush();
    colorTarget_->ColorFill(nullptr, color);
}

std::shared_ptr<GpuMaskSource> GpuSubTarget::MakeMask(const Brush* brush, int32_t kind) const {
    if (!brush) return nullptr;
    const GXIntPoint origin{deviceRect_.left, deviceRect_.top};
    const GXIntRect all{0, 0, Width(), Height()};
    // Solid masks are one value everywhere; any other is painted as the software renderer
    // paints it, opacity included, so that the mask value is taken from the same pixels.
    std::shared_ptr<GpuColorSource> source =
        brush->GetType() == BrushKind::Solid ? GpuColorSource::Create(device_, origin, all, *brush)
                                             : GpuColorSource::Rendered(device_, origin, all, *brush);
    if (!source) return nullptr;
    return std::make_shared<GpuMaskSource>(GpuMaskSource{std::move(source), kind});
}

void GpuSubTarget::SetOpacityMask(const Brush* brush, int32_t kind) {
    Current().opacityMask = MakeMask(brush, kind);
}

void GpuSubTarget::SetShapeMask(const Brush* brush, int32_t kind) {
    Current().shapeMask = MakeMask(brush, kind);
}

void GpuSubTarget::ClipGeometry(const std::shared_ptr<Geometry>& geometry) {
    ClipUnder(geometry, DrawingMatrix(), Current().strokeAdjustment);
}

void GpuSubTarget::ClipPixels(const GXIntRect& pixels) {
    // The clip keeps its geometry: a rectangle of its own.
    auto rectangle = std::make_shared<Geometry>();
    rectangle->Rectangle(OwnPixels(pixels));
    ClipUnder(rectangle, kIdentityMatrix, true);
}

void GpuSubTarget::ClipUnder(const std::shared_ptr<Geometry>& geometry, const GXMatrix& matrix,
                             bool snapRectangles) {
    GpuState& state = Current();
    auto clipping = state.clipping ? std::make_shared<GpuClipping>(*state.clipping)
                                   : std::make_shared<GpuClipping>(device_, GXIntSize{Width(), Height()});
    clipping->ClipGeometry(geometry, matrix, snapRectangles);
    state.clipping = std::move(clipping);
}

GXRect GpuSubTarget::OwnPixels(const GXIntRect& pixels) const {
    return GXRect{float(double(pixels.left) - deviceRect_.left),
                  float(double(pixels.top) - deviceRect_.top),
                  float(double(pixels.right) - deviceRect_.left),
                  float(double(pixels.bottom) - deviceRect_.top)};
}

void GpuSubTarget::ResetClip() {
    Current().clipping.reset();
}

void GpuSubTarget::FillGeometry(const std::shared_ptr<Geometry>& geometry,
                                const std::shared_ptr<Brush>& brush, bool strokeAdjustment) {
    FillUnder(geometry, DrawingMatrix(), brush, strokeAdjustment);
}

void GpuSubTarget::FillPixels(const GXIntRect& pixels, const std::shared_ptr<Brush>& brush) {
    // Reused once nothing else holds the last one: no heap call per fill.
    if (pixelRectangle_ && pixelRectangle_.use_count() == 1)
        pixelRectangle_->Reset();
    else
        pixelRectangle_ = std::make_shared<Geometry>();
    pixelRectangle_->Rectangle(OwnPixels(pixels));
    FillUnder(pixelRectangle_, kIdentityMatrix, brush, true);
}

void GpuSubTarget::FillUnder(const std::shared_ptr<Geometry>& geometry, const GXMatrix& matrix,
                             const std::shared_ptr<Brush>& brush, bool strokeAdjustment) {
    if (geometry->IsEmpty()) return;
    const GXRect bound = TransformBounds(matrix, geometry->Bound().Box());
    const GXRect clip = ClipBounds();
    if (!Overlap(bound, clip)) return;
    const GXIntRect visible = PixelCover(GXRect{std::max(bound.left, clip.left), std::max(bound.top, clip.top),
                                                std::min(bound.right, clip.right),
                                                std::min(bound.bottom, clip.bottom)});
    if (IsEmpty(visible)) return;
    // Fills of one solid brush share its source, so that they may share a batch in any mode.
    std::shared_ptr<GpuColorSource> source;
    if (batch_.source && batch_.brush == brush && brush->GetType() == BrushKind::Solid)
        source = batch_.source;
    else
        source = GpuColorSource::Create(device_, GXIntPoint{deviceRect_.left, deviceRect_.top}, visible, *brush);
    if (!source) return;
    FillWithSource(geometry, matrix, bound, clip, std::move(source), brush, nullptr, strokeAdjustment);
}

void GpuSubTarget::CompositeLayer(GpuLayerSubTarget& layer) {
    const GXIntRect& rect = layer.DeviceRect();
    const GXIntSize size{rect.right - rect.left, rect.bottom - rect.top};
    const float dx = float(rect.left - deviceRect_.left), dy = float(rect.top - deviceRect_.top);
    const GXRect area{dx, dy, dx + float(size.width), dy + float(size.height)};
    const GXRect clip = ClipBounds();
    if (!Overlap(area, clip)) return;
    const GXMatrix toLayer = GpuColorSource::PixelsToTexture(dx, dy, size);
    auto source = GpuColorSource::OverTexture(layer.ColorTarget(), toLayer, layer.Opacity());
    // The group's shape is in the red, green and blue channels alike: its luminosity.
    auto shape = std::make_shared<GpuMaskSource>(
        GpuMaskSource{GpuColorSource::OverTexture(layer.ShapeTarget(), toLayer, 1.0f), 2});
    auto geometry = std::make_shared<Geometry>();
    geometry->Rectangle(area);
    FillWithSource(geometry, GXMatrix{1, 0, 0, 1, 0, 0}, area, clip, std::move(source), nullptr,
                   std::move(shape), true);
}

void GpuSubTarget::FillWithSource(const std::shared_ptr<Geometry>& geometry, const GXMatrix& matrix,
                                  const GXRect& bound, const GXRect& clipBounds,
                                  std::shared_ptr<GpuColorSource> source,
                                  std::shared_ptr<Brush> brush,
                                  std::shared_ptr<GpuMaskSource> group, bool strokeAdjustment) {
    const GpuState& state = Current();
    if (group || !batch_.source || !CanBatch(*source, bound)) {
        Flush();
        batch_.blendMode = state.blendMode;
        batch_.opacityMask = state.opacityMask;
        batch_.shapeMask = state.shapeMask;
        batch_.clipping = state.clipping;
        batch_.source = source;
        batch_.brush = std::move(brush);
        batch_.group = std::move(group);
    }
    const GXRect cut{std::max(bound.left, clipBounds.left), std::max(bound.top, clipBounds.top),
                     std::min(bound.right, clipBounds.right), std::min(bound.bottom, clipBounds.bottom)};
    if (cut.left < cut.right && cut.top < cut.bottom) {
        const bool empty = batchRects_.empty();
        batchRects_.push_back(cut);
        batchBounds_ = empty ? cut
                             : GXRect{std::min(batchBounds_.left, cut.left), std::min(batchBounds_.top, cut.top),
                                      std::max(batchBounds_.right, cut.right),
                                      std::max(batchBounds_.bottom, cut.bottom)};
    }
    // Backdrop-reading draws take the colour in the shader; the vertices carry coverage.
    static const float white[4] = {1, 1, 1, 1};
    const float* c = ReadsBackdrop() ? white : source->color;
    RasterizeGeometry(*geometry, matrix, clipBounds, strokeAdjustment,
                      std::make_shared<GpuRasterizationSink>(vertices_, c[0], c[1], c[2], c[3]));
}

bool GpuSubTarget::SharesState() const {
    const GpuState& state = states_.back();
    const uint32_t count = vertices_->VertexCount();
    if ((count > 2 ? count - 2 : 0) >= kBatchVertexLimit || batch_.group) return false;
    if (state.blendMode != batch_.blendMode || state.opacityMask != batch_.opacityMask ||
        state.shapeMask != batch_.shapeMask)
        return false;
    if (!state.clipping || !batch_.clipping) return state.clipping == batch_.clipping;
    return *state.clipping == *batch_.clipping;
}

bool GpuSubTarget::DisjointWithSameSource(const GpuColorSource& source, const GXRect& bounds) const {
    if (&source != batch_.source.get()) return false;
    return std::none_of(batchRects_.begin(), batchRects_.end(),
                        [&](const GXRect& r) { return Overlap(r, bounds); });
}

bool GpuSubTarget::CanBatch(const GpuColorSource& source, const GXRect& bounds) const {
    if (!SharesState()) return false;
    return batch_.blendMode == 0 ? source.SamplesLike(*batch_.source)
                                 : DisjointWithSameSource(source, bounds);
}

void GpuSubTarget::Flush() {
    const uint32_t count = vertices_->VertexCount();
    if (count > 2 && !batchRects_.empty() && batch_.source) {
        try {
            batch_.clipMask = batch_.clipping ? batch_.clipping->CreateMask() : nullptr;
            Draw();
        } catch (const Exception&) {
            // A batch that cannot be drawn is dropped; the paint goes on.
        }
    }
    vertices_->Reset();
    batchRects_.clear();
    batchBounds_ = GXRect{0, 0, 0, 0};
    batch_ = Batch{};
    // What the batch used may now be evicted (evicting submits the recorded work first
    // when it needs the memory back).
    std::lock_guard lock(device_->Tracker().Mutex());
    device_->Tracker().EndFrame();
    device_->Tracker().BeginFrame();
}

void GpuSubTarget::ApplyBatch(GpuDrawState& draw) const {
    draw.AddColorSource(*batch_.source);
    if (batch_.group) draw.AddShapeMask(*batch_.group);
    if (batch_.clipMask) draw.AddShapeMask(*batch_.clipMask);
    if (batch_.shapeMask) draw.AddShapeMask(*batch_.shapeMask);
    if (batch_.opacityMask) draw.AddOpacityMask(*batch_.opacityMask);
}

std::shared_ptr<GpuRenderTexture> GpuSubTarget::DrawCoverage(const GXIntRect& rect) {
    auto coverage = std::make_shared<GpuRenderTexture>(
        device_, GXIntSize{rect.right - rect.left, rect.bottom - rect.top}, GXPixelFormatPARGB32, 96, 96);
    const float transparent[4] = {0, 0, 0, 0};
    if (std::shared_ptr<GpuImage> image = coverage->Image()) device_->ColorFill(image, nullptr, transparent);
    GpuDrawState pass(device_, 0, 0, rect);
    pass.Draw(*coverage, nullptr, *vertices_);
    return coverage;
}

std::shared_ptr<GpuRenderTexture> GpuSubTarget::CopyOf(const GpuRenderTexture& texture,
                                                       const GXIntRect& rect) {
    auto copy = std::make_shared<GpuRenderTexture>(
        device_, GXIntSize{rect.right - rect.left, rect.bottom - rect.top}, texture.GetPixelFormat(), 96, 96);
    std::shared_ptr<GpuImage> from = texture.Image(), to = copy->Image();
    if (from && to) device_->CopyRect(from, &rect, to, 0, nullptr);
    return copy;
}

void GpuSubTarget::DrawQuad(GpuDrawState& draw, const GXIntRect& rect, GpuRenderTexture& colour,
                            GpuRenderTexture* shape) {
    const float transparent[4] = {0, 0, 0, 0};
    for (GpuRenderTexture* target : {&colour, shape})
        if (std::shared_ptr<GpuImage> image = target ? target->Image() : nullptr)
            device_->ColorFill(image, &rect, transparent);
    GpuVertexBuffer quad(device_);
    const float l = float(rect.left), t = float(rect.top), r = float(rect.right), b = float(rect.bottom);
    quad.AddVertex(l, t, 0xFFFFFFFFu);
    quad.AddVertex(r, t, 0xFFFFFFFFu);
    quad.AddVertex(l, b, 0xFFFFFFFFu);
    quad.AddVertex(r, b, 0xFFFFFFFFu);
    draw.Draw(colour, shape, quad);
}

void GpuSubTarget::Draw() {
    const GXIntRect all{0, 0, Width(), Height()};
    if (!ReadsBackdrop()) {
        GpuDrawState draw(device_, 0, 0, all);
        ApplyBatch(draw);
        draw.Draw(*colorTarget_, nullptr, *vertices_);
        return;
    }
    const GXIntRect rect = BatchPixels();
    if (IsEmpty(rect)) return;
    const GXIntSize size{rect.right - rect.left, rect.bottom - rect.top};
    std::shared_ptr<GpuRenderTexture> coverage = DrawCoverage(rect);
    std::shared_ptr<GpuRenderTexture> backdrop = CopyOf(*colorTarget_, rect);
    const GXMatrix toRect = GpuColorSource::PixelsToTexture(float(rect.left), float(rect.top), size);
    GpuDrawState draw(device_, 1, batch_.blendMode, all);
    draw.AddCompositionTexture(backdrop, &toRect);
    draw.AddShapeMask(GpuMaskSource{GpuColorSource::OverTexture(coverage, toRect, 1.0f), 0});
    ApplyBatch(draw);
    DrawQuad(draw, rect, *colorTarget_, nullptr);
}

}  // namespace Graphics
