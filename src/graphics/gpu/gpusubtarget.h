#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "graphics/bitmap/colorf.h"
#include "graphics/gpu/gpucolorsource.h"
#include "gx.h"

namespace Graphics {

class Brush;
class Geometry;
class GpuClipping;
class GpuDevice;
class GpuDrawState;
class GpuLayerSubTarget;
class GpuRenderTexture;
class GpuVertexBuffer;

// One level of a GPU paint's state stack.
struct GpuState {
    GXMatrix matrix{1, 0, 0, 1, 0, 0};        // the CTM: user space -> device, as set
    int32_t blendMode = 0;                    // blend-mode code 0..15
    int32_t stateValue = 0;                   // kept for the caller
    bool strokeAdjustment = true;             // lone rectangles fill whole pixels
    std::shared_ptr<GpuClipping> clipping;    // none: the whole sub-target; never modified
    std::shared_ptr<GpuMaskSource> opacityMask;
    std::shared_ptr<GpuMaskSource> shapeMask;
};

// One drawing destination of a GPU paint: the target texture, or an open transparency
// group. Fills are batched: consecutive fills that share the state and a compatible colour
// source are rasterized into one vertex stream and drawn with one call. Normal-mode fills
// outside groups blend straight into the colour target; everything else reads the backdrop,
// drawing the batch's coverage first and then one quad over the batch's bounds that composes
// coverage, source and backdrop copy in the shader.
//
// Coordinates: the sub-target's own pixels run from (0, 0) at the top-left of its device
// rectangle; colour sources, masks and clips all work in them.
class GpuSubTarget {
public:
    GpuSubTarget(std::shared_ptr<GpuDevice> device, const GXIntRect& deviceRect,
                 std::shared_ptr<GpuRenderTexture> colorTarget);
    virtual ~GpuSubTarget();
    GpuSubTarget(const GpuSubTarget&) = delete;
    GpuSubTarget& operator=(const GpuSubTarget&) = delete;

    // Starts a paint on this sub-target with `state` as its first state.
    void BeginPaint(const GpuState& state);
    // Draws what is pending; the state stack is emptied.
    virtual void EndPaint();
    // Draws the pending batch; errors inside are swallowed and the batch dropped. The draw
    // is recorded, not submitted: whoever needs the result (a read-back, the end of the
    // frame, the target's own Flush) submits it with the rest of the frame.
    void Flush();

    GpuState& Current() { return states_.back(); }
    void PushState() { states_.push_back(states_.back()); }
    // False, with nothing changed, when only the first state is left.
    bool PopState();
    // User space -> own pixels.
    GXMatrix DrawingMatrix() const;

    // Fills the whole colour target, flushing first so that earlier fills stay beneath.
    virtual void Clear(const ColorF& color);
    void SetOpacityMask(const Brush* brush, int32_t kind);
    void SetShapeMask(const Brush* brush, int32_t kind);
    void ClipGeometry(const std::shared_ptr<Geometry>& geometry);
    // Whole device pixels, the CTM not applied.
    void ClipPixels(const GXIntRect& pixels);
    void ResetClip();
    void FillGeometry(const std::shared_ptr<Geometry>& geometry,
                      const std::shared_ptr<Brush>& brush, bool strokeAdjustment);
    // Whole device pixels, the CTM not applied: the rasterization sink takes them as the
    // whole-pixel rectangle they are.
    void FillPixels(const GXIntRect& pixels, const std::shared_ptr<Brush>& brush);
    // Draws `layer`, a group just finished inside this sub-target, into it: its result
    // weighed by its opacity, limited by its shape, under this sub-target's state.
    void CompositeLayer(GpuLayerSubTarget& layer);

    // The pixel box of `bound` (own pixels) rounded out and cut to the sub-target.
    GXIntRect PixelCover(const GXRect& bound) const;
    // The visible part of the sub-target under the current clip, in own pixels.
    GXIntRect ClipBox() const;
    const GXIntRect& DeviceRect() const { return deviceRect_; }
    const std::shared_ptr<GpuRenderTexture>& ColorTarget() const { return colorTarget_; }
    // The pixels a group opened inside this one starts from; null for transparent.
    virtual std::shared_ptr<GpuRenderTexture> ChildBackdrop() const { return colorTarget_; }

protected:
    // What the fills of one batch share.
    struct Batch {
        int32_t blendMode = 0;
        std::shared_ptr<GpuMaskSource> opacityMask;
        std::shared_ptr<GpuMaskSource> shapeMask;
        std::shared_ptr<GpuClipping> clipping;
        std::shared_ptr<GpuColorSource> source;  // none: no batch is open
        std::shared_ptr<Brush> brush;            // the brush `source` was made from, if one
        std::shared_ptr<GpuMaskSource> group;    // the shape of a group being composed
        std::shared_ptr<GpuMaskSource> clipMask; // made from `clipping` when drawn
    };

    // Whether a fill of `source` over `bounds` may join the open batch.
    virtual bool CanBatch(const GpuColorSource& source, const GXRect& bounds) const;
    // Draws the batch's vertices.
    virtual void Draw();
    // True when the vertices carry only coverage and the colour enters in the shader.
    virtual bool ReadsBackdrop() const { return batch_.blendMode != 0; }
    // The state rules every sub-target applies (vertex limit, no group, same state).
    bool SharesState() const;
    // Same source object and no overlap with the batch's fills.
    bool DisjointWithSameSource(const GpuColorSource& source, const GXRect& bounds) const;
    // The batch's source, group and masks, in the order the fragments multiply.
    void ApplyBatch(GpuDrawState& draw) const;
    // The batch's coverage over `rect`, drawn into a new texture of the rectangle's size
    // (alpha = coverage), for the backdrop-reading quad to apply as a shape mask.
    std::shared_ptr<GpuRenderTexture> DrawCoverage(const GXIntRect& rect);
    // A copy of `rect` of `texture` in a new texture of the rectangle's size.
    std::shared_ptr<GpuRenderTexture> CopyOf(const GpuRenderTexture& texture, const GXIntRect& rect);
    // One quad over `rect` (own pixels) through `draw` into the targets, after clearing
    // that rectangle of them: the composition writes every pixel of it whole.
    void DrawQuad(GpuDrawState& draw, const GXIntRect& rect, GpuRenderTexture& colour,
                  GpuRenderTexture* shape);
    GXIntRect BatchPixels() const { return PixelCover(batchBounds_); }
    int32_t Width() const { return deviceRect_.right - deviceRect_.left; }
    int32_t Height() const { return deviceRect_.bottom - deviceRect_.top; }

    std::shared_ptr<GpuDevice> device_;
    GXIntRect deviceRect_;                        // own pixels in device space
    std::shared_ptr<GpuRenderTexture> colorTarget_;  // PARGB32, the size of deviceRect_
    std::deque<GpuState> states_;                 // the back is current; empty outside a paint
    Batch batch_;
    std::vector<GXRect> batchRects_;              // device bounds of the batch's fills
    GXRect batchBounds_{0, 0, 0, 0};              // their union
    std::shared_ptr<GpuVertexBuffer> vertices_;
    std::shared_ptr<Geometry> pixelRectangle_;    // FillPixels' rectangle, reused

private:
    // Device `pixels` as own pixels (exact below 2^24).
    GXRect OwnPixels(const GXIntRect& pixels) const;
    // ClipGeometry and FillGeometry with `matrix` (to own pixels) in place of the drawing
    // matrix.
    void ClipUnder(const std::shared_ptr<Geometry>& geometry, const GXMatrix& matrix,
                   bool snapRectangles);
    void FillUnder(const std::shared_ptr<Geometry>& geometry, const GXMatrix& matrix,
                   const std::shared_ptr<Brush>& brush, bool strokeAdjustment);
    void FillWithSource(const std::shared_ptr<Geometry>& geometry, const GXMatrix& matrix,
                        const GXRect& bound, const GXRect& clipBounds,
                        std::shared_ptr<GpuColorSource> source, std::shared_ptr<Brush> brush,
                        std::shared_ptr<GpuMaskSource> group, bool strokeAdjustment);
    std::shared_ptr<GpuMaskSource> MakeMask(const Brush* brush, int32_t kind) const;
    GXRect ClipBounds() const;
};

}  // namespace Graphics
