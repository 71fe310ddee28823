#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "graphics/bitmap/colorf.h"
#include "gx.h"

namespace Graphics {

class BitmapBase;
class Brush;
class Geometry;
class SwClipping;
class SwColorSource;
class SwPipeLine;
struct SwPlacedMask;
struct SwSoftMask;

// One drawing destination of a software paint, with its own stack of drawing states: the
// surface bitmap, or an open transparency group. Open groups form a chain of children; the
// render target routes every call of a paint to the innermost one, and each fill becomes
// one pipeline.
//
// Coordinates: the sub-target's own pixels run from (0, 0) at the top-left of its device
// rectangle. Each state keeps the CTM (user space -> device) exactly as the caller set it;
// the drawing matrix (the CTM less the rectangle's offset) maps user space to the own
// pixels, in which pipelines, colour sources, masks and clips all work.
class SwSubTarget {
public:
    // One level of the state stack.
    struct State {
        GXMatrix matrix;                          // the CTM: user space -> device, as set
        int32_t blendMode;                        // blend-mode code; 1..15 blend, others Normal
        int32_t stateValue;                       // kept for the caller, not used in drawing
        int32_t strokeAdjustment;                 // non-zero: lone rectangles fill whole pixels
        std::shared_ptr<SwSoftMask> shapeMask;    // empty: none
        std::shared_ptr<SwSoftMask> opacityMask;  // empty: none
        // Never empty; shared between levels until one of them clips (copy on write).
        std::shared_ptr<SwClipping> clipping;
    };

    // `deviceRect` is the sub-target's pixel rectangle in device space; `ctm` is the CTM of
    // its first state.
    SwSubTarget(const GXIntRect& deviceRect, const GXMatrix& ctm, float dpiX, float dpiY);
    virtual ~SwSubTarget();
    SwSubTarget(const SwSubTarget&) = delete;
    SwSubTarget& operator=(const SwSubTarget&) = delete;

    // Fills the whole target bitmap; transform, clip, masks and blend mode do not apply.
    virtual void Clear(const ColorF& color);
    // Takes the bitmap drawn into (the surface's), or for a group the parent's pixels it
    // starts from; null stands for transparent pixels.
    virtual void Attach(std::shared_ptr<BitmapBase> bitmap) = 0;
    // Nothing for an empty geometry. Otherwise extends the dirty rectangle by the
    // geometry's bound under `matrix` (cut to the sub-target) and runs one pipeline through
    // the current state, the pending group shape mask and the active clip.
    void Fill(const std::shared_ptr<Geometry>& geometry,
              const std::shared_ptr<SwColorSource>& source, const GXMatrix& matrix);

    // The innermost open sub-target: this one, or its innermost open group.
    SwSubTarget& Innermost();
    // Opens a group inside the innermost sub-target. `params.bounds` are in the user space
    // of its current state; the group covers their device box rounded out to whole pixels,
    // cut to the sub-target and its clip.
    void BeginLayer(const GXLayerParams& params);
    // Composites the innermost group into its parent and closes it; nothing when no group
    // is open. The group is closed even when compositing raises.
    void EndLayer();

    State& Current() { return states_.back(); }
    const State& Current() const { return states_.back(); }
    // The CTM seen by the caller: the one last set, bit for bit.
    GXMatrix GetCTM() const { return Current().matrix; }
    void SetCTM(const GXMatrix& ctm) { Current().matrix = ctm; }
    // User space -> the sub-target's own pixels: the CTM less the rectangle's offset.
    GXMatrix DrawingMatrix() const;

    void PushState() { states_.push_back(states_.back()); }
    // False, with nothing changed, when only the first state is left.
    bool PopState();

    // The brush placed in device pixels, as a mask of `kind`; no brush removes the mask.
    void SetOpacityMask(const Brush* brush, int32_t kind);
    void SetShapeMask(const Brush* brush, int32_t kind);
    void ClipGeometry(const std::shared_ptr<Geometry>& geometry);
    // Intersects the clip with whole device pixels.
    void ClipPixels(const GXIntRect& pixels);
    void ResetClip();
    // Culls, builds the colour source and calls Fill.
    void FillGeometry(const std::shared_ptr<Geometry>& geometry, const Brush& brush);
    // Fills whole device pixels: as FillGeometry fills a rectangle on their edges, through
    // FillPixelsWithoutPipeline where it applies.
    void FillPixels(const GXIntRect& pixels, const Brush& brush);
    // Composites coverage masks (the sub-target's own pixels) with the brush, in order, as
    // fills of their outlines would be composited: one pipeline through the current state,
    // the pending group shape mask and the active clip. `box` covers every mask's pixels.
    void FillMasks(const SwPlacedMask* masks, size_t count, const GXIntRect& box,
                   const Brush& brush);

    // The pixels filled so far, rounded out to whole pixels.
    GXIntRect DirtyPixels() const { return PixelCover(dirtyRect_); }

protected:
    // Adds the target operations and the compositor of this kind of sub-target.
    virtual void AddTargetAndCompositor(SwPipeLine& pipeline) const = 0;
    // Fills the own pixels `pixels` (those outside the sub-target are not drawn) without a
    // pipeline when this kind of sub-target knows a shorter way to the same pixels; false
    // leaves it to the pipeline.
    virtual bool FillPixelsWithoutPipeline(const GXIntRect&, const SwColorSource&,
                                           const SwClipping&) {
        return false;
    }
    // The bitmap a group opened inside this one starts from.
    virtual std::shared_ptr<BitmapBase> ChildBackdrop() const { return targetBitmap_; }
    // The finished colour of a group as it is composited into its parent, with the opacity
    // and the shape that weigh it; the base sub-target is not a group.
    virtual std::shared_ptr<BitmapBase> GetResultBitmap() { return targetBitmap_; }
    virtual std::shared_ptr<BitmapBase> GetShapeBitmap() const { return nullptr; }
    virtual float GetOpacity() const { return 1.0f; }

    // The pixel box of `bound` (the sub-target's own pixels) rounded out to whole pixels and
    // cut to the sub-target; empty for a bound that misses it or is NaN.
    GXIntRect PixelCover(const GXRect& bound) const;
    int32_t Width() const { return deviceRect_.right - deviceRect_.left; }
    int32_t Height() const { return deviceRect_.bottom - deviceRect_.top; }

    std::shared_ptr<SwSoftMask> MakeMask(const Brush* brush, int32_t kind) const;
    // Fill with the geometry's bound under `matrix` already known.
    void FillWithin(const std::shared_ptr<Geometry>& geometry,
                    const std::shared_ptr<SwColorSource>& source, const GXMatrix& matrix,
                    const GXRect& bound);
    // Device pixels as the sub-target's own (exact: both stay far below 2^24).
    GXRect OwnPixels(const GXIntRect& device) const;
    // Extends the dirty rectangle by `bound` cut to the sub-target.
    void AddDirty(const GXRect& bound);
    // The pipeline of the current state, the group shape mask and `clip`, ready to run.
    std::shared_ptr<SwPipeLine> MakePipeline(const std::shared_ptr<Geometry>& geometry,
                                             const std::shared_ptr<SwColorSource>& source,
                                             SwClipping& clip);
    // The clipping the next pipeline uses: the current state's, unless the one already
    // active equals it (its coverage mask is then reused).
    SwClipping& SyncClip();
    // Composites `layer`, a group just closed inside this sub-target, into it.
    void Composite(SwSubTarget& layer);

    // The open groups, outermost first, each inside the one before it (the first inside
    // this one). Held flat so that finding the innermost is O(1) and dropping a deep nest
    // recurses nowhere; only the sub-target the groups were opened from holds any.
    std::vector<std::shared_ptr<SwSubTarget>> layers_;
    std::shared_ptr<SwSoftMask> layerShapeMask_;  // the child's shape while it is composited
    std::shared_ptr<BitmapBase> targetBitmap_;    // PARGB32 paint target; set by Attach
    float dpiX_, dpiY_;                           // resolution of the surface
    GXRect dirtyRect_;                            // union of filled device bounds; empty: 0,0,0,0
    bool nonEmpty_;                               // the device rectangle has width and height
    GXIntRect deviceRect_;                        // sub-target pixels in device space
    std::deque<State> states_;                    // never empty; the back is current
    std::shared_ptr<SwClipping> activeClip_;      // clipping last handed to a pipeline
    // The rectangle FillPixels hands a pipeline, reused once the last pipeline let go of it.
    std::shared_ptr<Geometry> pixelRectangle_;
};

}  // namespace Graphics
