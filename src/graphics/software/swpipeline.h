#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include <boost/container/small_vector.hpp>

#include "graphics/raster/rasterizationsink.h"
#include "graphics/software/swoperation.h"
#include "graphics/software/swrecordpool.h"
#include "gx.h"

namespace Graphics {

class BitmapBase;
class Geometry;
class SwClipping;
class SwColorSource;
struct SwPlacedMask;
struct SwSoftMask;

// One software draw: fills a geometry through an ordered list of per-span operations
// (target pointers and source shape, shape masks, source colour, backdrop, opacity masks,
// compositor). The rasterizer hands coverage to it; every span runs every operation once.
// Use: create as a shared object, set the state, add operations, Execute once.
class SwPipeLine : public std::enable_shared_from_this<SwPipeLine>, public RasterizationSink {
public:
    // Covers `deviceRect` of the device: pipeline pixel (0, 0) is its top-left. An empty or
    // inverted rectangle makes a pipeline that draws nothing.
    SwPipeLine(std::shared_ptr<Geometry> geometry, const GXIntRect& deviceRect);
    ~SwPipeLine() override;

    void SetCTM(const GXMatrix& ctm) { ctm_ = ctm; }
    void SetSnapRectangles(bool snap) { snapRectangles_ = snap; }
    // Blend-mode code 0..15; any other code composites as Normal.
    void SetBlendMode(int32_t blendMode);

    // Each of these wraps its argument in a new operation inserted by order key. A target
    // also narrows the clip box to the bitmap, so no span can address a pixel outside it.
    // Raise "Unsuported pixel format" for a PARGB32 target / A8 shape of another format.
    void AddTargetColor(std::shared_ptr<BitmapBase> target);
    void AddTargetShape(std::shared_ptr<BitmapBase> shape);
    // A group's A8 alpha bitmap, and its PARGB32 backdrop (null for an isolated group,
    // whose backdrop is transparent: nothing is added then).
    void AddTargetAlpha(std::shared_ptr<BitmapBase> alpha);
    void AddBackdropColor(std::shared_ptr<BitmapBase> backdrop);
    void AddSourceColor(std::shared_ptr<SwColorSource> source);
    // Nothing for an absent mask; "Unsupported soft mask type." for a kind outside 0..3.
    void AddShapeMask(const std::shared_ptr<SwSoftMask>& mask);
    void AddOpacityMask(const std::shared_ptr<SwSoftMask>& mask);
    // Narrows the clip box to the clip's pixel box and, for a clip with geometries, adds
    // its coverage mask as a shape mask (the mask is built on first use).
    void AddClipMask(SwClipping& clipping);
    // The source shape, then the compositor of the blend mode set so far; added last. A
    // source alone over the target under Normal is composited at each span's coverage,
    // with no shape row (and, when solid, no source row).
    void AddBasicComposite();
    // The source shape, then the group compositor of the blend mode set so far; needs the
    // group's target colour, shape, alpha and (unless isolated) backdrop.
    void AddLayerComposite(bool knockout, bool isolated);
    // Writes the coverage into the target shape (clip-mask rendering).
    void AddShapeFiller();

    // Rasterizes the geometry through the operations, with the target locked for reading
    // and writing throughout. Nothing without a geometry or with an empty clip box. Raises
    // std::bad_weak_ptr when the pipeline is not shared-owned.
    void Execute();
    // Composites the coverage of `masks` instead of a geometry's, one mask after another
    // as if each were filled by a pipeline of its own, through the same operations and
    // clip box. Needs no geometry; the same shared ownership as Execute.
    void ExecuteMasks(const SwPlacedMask* masks, size_t count);

    // Clip box in pipeline pixels, [x0, x1) x [y0, y1); empty when x0 >= x1 or y0 >= y1.
    GXIntRect ClipBox() const { return GXIntRect{clipX0_, clipY0_, clipX1_, clipY1_}; }
    // Narrows the clip box to its intersection with `rect` (pipeline pixels).
    void IntersectClipBox(const GXIntRect& rect);
    GXIntPoint Origin() const { return origin_; }

    void AddCoverageRow(int32_t row, const CoverageBuffer& coverage) override;
    void FillPixelRect(int32_t x0, int32_t y0, int32_t x1, int32_t y1) override;
    bool AcceptsTrapezoids(int32_t, int32_t) override { return false; }
    void AddTrapezoid(float, float, float, float, float, float, float, float) override {}

private:
    void Insert(std::shared_ptr<SwOperation> operation);
    // Inserts an Operation made from `bitmap` and keeps the clip box inside the bitmap.
    template <class Operation>
    void InsertBitmapOperation(std::shared_ptr<BitmapBase> bitmap);
    // Runs every operation on [x0, x1) of `row` (pipeline pixels, x0 < x1, inside the
    // clip box).
    void RunSpan(int32_t row, int32_t x0, int32_t x1, uint8_t coverage);
    // Runs `produce` with the target locked, keeping the pipeline alive throughout.
    template <class Produce>
    void WithTargetLocked(Produce&& produce);

    SwSpanState state_;                          // the record the operations share
    int32_t clipX0_, clipY0_, clipX1_, clipY1_;  // clip box, pipeline pixels, half-open
    GXIntPoint origin_;                          // device position of pipeline pixel (0, 0)
    GXMatrix ctm_;                               // geometry to pipeline pixels; identity at first
    bool snapRectangles_;                        // fill a lone axis-aligned rectangle whole
    int32_t blendMode_;                          // 0..15, chooses the compositor
    std::shared_ptr<Geometry> geometry_;         // what Execute fills; may be null
    // Sorted by order key; equal keys in insertion order. The most a draw adds (target
    // colour, shape and alpha, backdrop, three shape masks, opacity mask, source, source
    // shape, compositor) fits in place: no heap call.
    boost::container::small_vector<std::shared_ptr<SwOperation>, 12> operations_;
    std::shared_ptr<BitmapBase> targetBitmap_;  // PARGB32 locked by Execute; may be null
    std::shared_ptr<SwColorSource> source_;     // the source colour's; null until added
    // Set when the operations are the target's and a solid Normal compositor of this
    // premultiplied colour alone: masks then composite without running the operations.
    std::optional<uint32_t> solidNormalPixel_;
    // The source colour row (one pixel per pipeline column), then at a 16-byte boundary
    // the source shape row (one byte per column); state_ points into it. A block the
    // thread kept from an earlier draw, as a rule.
    SwScratchBuffer rowBuffers_;
};

}  // namespace Graphics
