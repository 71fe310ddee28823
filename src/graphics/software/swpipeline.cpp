#include "graphics/software/swpipeline.h"

#include <algorithm>
#include <optional>

#include "graphics/core/exception.h"
#include "graphics/bitmap/bitmapbase.h"
#include "graphics/geometry/geometry.h"
#include "graphics/raster/coveragebuffer.h"
#include "graphics/raster/rasterizer.h"
#include "graphics/software/shapefillerop.h"
#include "graphics/software/swbasiccompositenormalsse2op.h"
#include "graphics/software/swbasiccompositeop.h"
#include "graphics/software/swbitmapcolorsource.h"
#include "graphics/software/swclipping.h"
#include "graphics/software/swcoveragecompositenormalop.h"
#include "graphics/software/swcoveragemask.h"
#include "graphics/software/swgetbackdropcolorop.h"
#include "graphics/software/swlayercompositeop.h"
#include "graphics/software/swpixel.h"
#include "graphics/software/swrecordpool.h"
#include "graphics/software/swsoftmask.h"
#include "graphics/software/swsoftopacitymaskop.h"
#include "graphics/software/swsoftshapemaskop.h"
#include "graphics/software/swsolidcompositenormalop.h"
#include "graphics/software/swsourcecolorop.h"
#include "graphics/software/swsourceshapeop.h"
#include "graphics/software/swtargetalphaop.h"
#include "graphics/software/swtargetcolorop.h"
#include "graphics/software/swtargetshapeop.h"

namespace Graphics {

namespace {

// Extent of [from, to) in 64 bits (no overflow for any two ints), cut to 0..INT32_MAX:
// an inverted range is empty.
int32_t Extent(int32_t from, int32_t to) {
    return static_cast<int32_t>(std::clamp<int64_t>(int64_t(to) - from, 0, INT32_MAX));
}

// Pixels in each row buffer: the width, or one for a pipeline that draws nothing (so that
// every pipeline owns a real block).
size_t RowWidth(int32_t width, int32_t height) {
    return width == 0 || height == 0 ? 1 : size_t(width);
}

// Both rows share one block, the pixels first and the shape bytes from the next 16-byte
// boundary.
size_t ShapeRowOffset(size_t width) {
    return (width * 4 + 15) & ~size_t(15);
}

size_t RowBytes(int32_t width, int32_t height) {
    const size_t pixels = RowWidth(width, height);
    return ShapeRowOffset(pixels) + pixels;
}

}  // namespace

SwPipeLine::SwPipeLine(std::shared_ptr<Geometry> geometry, const GXIntRect& deviceRect)
    : state_{},
      clipX0_(0),
      clipY0_(0),
      clipX1_(Extent(deviceRect.left, deviceRect.right)),
      clipY1_(Extent(deviceRect.top, deviceRect.bottom)),
      origin_{deviceRect.left, deviceRect.top},
      ctm_{1, 0, 0, 1, 0, 0},
      snapRectangles_(false),
      blendMode_(0),
      geometry_(std::move(geometry)),
      rowBuffers_(RowBytes(clipX1_, clipY1_)) {
    // A rectangle empty on either axis draws nothing.
    if (clipX1_ == 0 || clipY1_ == 0) clipX1_ = clipY1_ = 0;
    state_.sourceColor = static_cast<uint32_t*>(rowBuffers_.Get());
    state_.sourceShape =
        static_cast<uint8_t*>(rowBuffers_.Get()) + ShapeRowOffset(RowWidth(clipX1_, clipY1_));
}

SwPipeLine::~SwPipeLine() = default;

void SwPipeLine::SetBlendMode(int32_t blendMode) {
    blendMode_ = blendMode >= 0 && blendMode <= 15 ? blendMode : 0;
    state_.blendMode = blendMode_;
}

void SwPipeLine::IntersectClipBox(const GXIntRect& rect) {
    clipX0_ = std::max(clipX0_, rect.left);
    clipY0_ = std::max(clipY0_, rect.top);
    clipX1_ = std::min(clipX1_, rect.right);
    clipY1_ = std::min(clipY1_, rect.bottom);
}

void SwPipeLine::Insert(std::shared_ptr<SwOperation> operation) {
    // After every operation of the same key, so equal keys run in the order they came.
    auto at = std::upper_bound(
        operations_.begin(), operations_.end(), operation->OrderKey(),
        [](int32_t key, const std::shared_ptr<SwOperation>& op) { return key < op->OrderKey(); });
    operations_.insert(at, std::move(operation));
}

void SwPipeLine::AddTargetColor(std::shared_ptr<BitmapBase> target) {
    if (!target || target->GetPixelFormat() != GXPixelFormatPARGB32) {
        GX_RAISE("Unsuported pixel format");
    }
    const GXIntSize size = target->GetSize();
    IntersectClipBox(GXIntRect{0, 0, size.width, size.height});
    Insert(MakePooled<SwTargetColorOp>(target));
    targetBitmap_ = std::move(target);
}

template <class Operation>
void SwPipeLine::InsertBitmapOperation(std::shared_ptr<BitmapBase> bitmap) {
    // The operation checks the format (and that there is a bitmap) before it is measured.
    auto operation = MakePooled<Operation>(bitmap);
    const GXIntSize size = bitmap->GetSize();
    IntersectClipBox(GXIntRect{0, 0, size.width, size.height});
    Insert(std::move(operation));
}

void SwPipeLine::AddTargetShape(std::shared_ptr<BitmapBase> shape) {
    InsertBitmapOperation<SwTargetShapeOp>(std::move(shape));
}

void SwPipeLine::AddTargetAlpha(std::shared_ptr<BitmapBase> alpha) {
    InsertBitmapOperation<SwTargetAlphaOp>(std::move(alpha));
}

void SwPipeLine::AddBackdropColor(std::shared_ptr<BitmapBase> backdrop) {
    if (backdrop) InsertBitmapOperation<SwGetBackdropColorOp>(std::move(backdrop));
}

void SwPipeLine::AddSourceColor(std::shared_ptr<SwColorSource> source) {
    source_ = source;
    Insert(MakePooled<SwSourceColorOp>(std::move(source)));
}

void SwPipeLine::AddShapeMask(const std::shared_ptr<SwSoftMask>& mask) {
    if (mask) Insert(MakePooled<SwSoftShapeMaskOp>(*mask));
}

void SwPipeLine::AddOpacityMask(const std::shared_ptr<SwSoftMask>& mask) {
    if (mask) Insert(MakePooled<SwSoftOpacityMaskOp>(*mask));
}

void SwPipeLine::AddClipMask(SwClipping& clipping) {
    IntersectClipBox(clipping.PixelBox());
    if (!clipping.HasGeometries()) return;
    const std::shared_ptr<BitmapBase>& mask = clipping.Mask();
    // No mask means an empty pixel box, which has emptied the clip box already.
    if (!mask) return;
    auto source = std::make_shared<SwBitmapColorSource>(mask, clipping.MaskMatrix(), 1.0f);
    AddShapeMask(std::make_shared<SwSoftMask>(SwSoftMask{std::move(source), kSwSoftMaskAlpha}));
}

void SwPipeLine::AddBasicComposite() {
    // A source going straight onto the target under Normal, with no mask, has the span's
    // coverage for its shape throughout: no shape row is needed, and a solid colour needs
    // no source row either (nor, at whole coverage, an opaque one: it is written straight
    // into the target). One operation composites at the coverage instead.
    // With a target and a source, two operations mean nothing else: the target's (key 1)
    // and then the source's.
    if (blendMode_ == 0 && targetBitmap_ && source_ && operations_.size() == 2) {
        uint32_t pixel = 0;
        if (source_->GetSolidPixel(pixel)) {
            operations_.back() = MakePooled<SwSolidCompositeNormalOp>(pixel);
            solidNormalPixel_ = pixel;
        } else if (source_->IsOpaque()) {
            operations_.back() = MakePooled<SwCoverageCompositeNormalOp>(source_);
        } else {
            Insert(MakePooled<SwCoverageCompositeNormalOp>());
        }
        return;
    }
    Insert(MakePooled<SwSourceShapeOp>());
    if (blendMode_ != 0) {
        Insert(MakePooled<SwBasicCompositeOp>());
    } else {
        Insert(MakePooled<SwBasicCompositeNormalSSE2Op>());
    }
}

void SwPipeLine::AddLayerComposite(bool knockout, bool isolated) {
    Insert(MakePooled<SwSourceShapeOp>());
    if (blendMode_ != 0) {
        Insert(MakePooled<SwLayerCompositeOp>(knockout, isolated));
    } else {
        Insert(MakePooled<SwLayerCompositeNormalOp>(knockout, isolated));
    }
}

void SwPipeLine::AddShapeFiller() {
    Insert(MakePooled<ShapeFillerOp>());
}

template <class Produce>
void SwPipeLine::WithTargetLocked(Produce&& produce) {
    std::shared_ptr<SwPipeLine> self = shared_from_this();
    if (clipX0_ >= clipX1_ || clipY0_ >= clipY1_) return;
    std::optional<BitmapLock> lock;
    if (targetBitmap_) {
        lock.emplace(*targetBitmap_, nullptr, LockMode::ReadWrite);
        state_.targetLock = lock->Data();
    }
    produce(std::move(self));
    state_.targetLock = GXBitmapData{};
}

void SwPipeLine::Execute() {
    if (!geometry_) return;
    WithTargetLocked([this](std::shared_ptr<SwPipeLine> self) {
        const GXRect clip{float(clipX0_), float(clipY0_), float(clipX1_), float(clipY1_)};
        RasterizeGeometry(*geometry_, ctm_, clip, snapRectangles_, std::move(self));
    });
}

void SwPipeLine::ExecuteMasks(const SwPlacedMask* masks, size_t count) {
    // A colour of alpha 0 leaves the target as it is under the direct path.
    if (solidNormalPixel_ && SwAlpha(*solidNormalPixel_) == 0) return;
    const auto maskRows = SwSolidCompositeNormalOp::kCompositeMaskForms.Active();
    WithTargetLocked([&](std::shared_ptr<SwPipeLine>) {
        for (size_t i = 0; i < count; ++i) {
            const SwCoverageMask& mask = *masks[i].mask;
            const int32_t x = masks[i].x, y = masks[i].y;
            if (x + mask.box.right <= clipX0_ || x + mask.box.left >= clipX1_ ||
                y + mask.box.bottom <= clipY0_ || y + mask.box.top >= clipY1_)
                continue;
            // Whole rows keep each span's split into four-wide groups and single pixels only
            // where the clip cuts no span short.
            if (solidNormalPixel_ && !mask.coverage.empty() && x + mask.box.left >= clipX0_ &&
                x + mask.box.right <= clipX1_) {
                const int32_t left = x + mask.box.left;
                // The padding composites as it is where it lies inside the clip too.
                const int32_t width = left + mask.rowStride <= clipX1_
                                          ? mask.rowStride
                                          : mask.box.right - mask.box.left;
                const int32_t top = std::max(y + mask.box.top, clipY0_);
                const int32_t bottom = std::min(y + mask.box.bottom, clipY1_);
                const size_t offset = size_t((top - y - mask.box.top) * mask.rowStride);
                maskRows(static_cast<uint8_t*>(state_.targetLock.data) +
                             ptrdiff_t(top) * state_.targetLock.stride + 4 * ptrdiff_t(left),
                         state_.targetLock.stride, *solidNormalPixel_,
                         mask.coverage.data() + offset, mask.lone.data() + offset, mask.rowStride,
                         width, bottom - top);
                continue;
            }
            for (const SwCoverageSpan& span : mask.spans) {
                const int32_t row = y + span.y;
                if (row < clipY0_ || row >= clipY1_) continue;
                const int32_t x0 = std::max(x + span.x0, clipX0_);
                const int32_t x1 = std::min(x + span.x1, clipX1_);
                if (x0 >= x1) continue;
                if (solidNormalPixel_) {
                    // What the target's operation and the compositor do, without the calls.
                    auto* pixels = reinterpret_cast<uint32_t*>(
                        static_cast<uint8_t*>(state_.targetLock.data) +
                        ptrdiff_t(row) * state_.targetLock.stride);
                    SwSolidCompositeNormalOp::CompositeRow(pixels + x0, *solidNormalPixel_,
                                                           span.coverage, x1 - x0);
                } else {
                    RunSpan(row, x0, x1, span.coverage);
                }
            }
        }
    });
}

void SwPipeLine::RunSpan(int32_t row, int32_t x0, int32_t x1, uint8_t coverage) {
    state_.span = SwSpan{row, x0, x1, coverage};
    for (const auto& operation : operations_) operation->Process(state_);
}

void SwPipeLine::AddCoverageRow(int32_t row, const CoverageBuffer& coverage) {
    if (row < clipY0_ || row >= clipY1_) return;
    for (const CoverageRun* run = coverage.First(); run != coverage.End(); run = run->next) {
        if (run->value == 0) continue;
        // The last run has value 0, so a run with coverage always has a real successor.
        const int32_t x0 = std::max(run->x, clipX0_);
        const int32_t x1 = std::min(run->next->x, clipX1_);
        if (x0 < x1) RunSpan(row, x0, x1, CoverageBuffer::CoverageByte(run->value));
    }
}

void SwPipeLine::FillPixelRect(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    if (clipY0_ >= y1 || y0 >= clipY1_ || clipX0_ >= x1 || x0 >= clipX1_) return;
    const int32_t left = std::max(x0, clipX0_), right = std::min(x1, clipX1_);
    const int32_t bottom = std::min(y1, clipY1_);
    for (int32_t row = std::max(y0, clipY0_); row < bottom; ++row) RunSpan(row, left, right, 255);
}

}  // namespace Graphics
