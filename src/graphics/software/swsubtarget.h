#pragma once

#include <cstdint>
#include <deque>
#include <memory>

#include "graphics/bitmap/colorf.h"
#include "gx.h"

namespace Graphics {

class BitmapBase;
class Brush;
class Geometry;
class SwClipping;
class SwColorSource;
struct SwSoftMask;

// One drawing destination of a software paint, with its own stack of drawing states. The
// render target routes every call of a paint to it; each fill becomes one pipeline.
class SwSubTarget {
public:
    // One level of the state stack.
    struct State {
        GXMatrix matrix;                          // user space -> sub-target pixels
        int32_t blendMode;                        // blend-mode code; 1..15 blend, others Normal
        int32_t stateValue;                       // kept for the caller, not used in drawing
        int32_t strokeAdjustment;                 // non-zero: lone rectangles fill whole pixels
        std::shared_ptr<SwSoftMask> shapeMask;    // empty: none
        std::shared_ptr<SwSoftMask> opacityMask;  // empty: none
        // Never empty; shared between levels until one of them clips (copy on write).
        std::shared_ptr<SwClipping> clipping;
    };

    // `deviceRect` is the sub-target's pixel rectangle in device space; `baseMatrix` maps
    // the sub-target's own space to device space before the offset of the rectangle.
    SwSubTarget(const GXIntRect& deviceRect, const GXMatrix& baseMatrix, float dpiX, float dpiY);
    virtual ~SwSubTarget();
    SwSubTarget(const SwSubTarget&) = delete;
    SwSubTarget& operator=(const SwSubTarget&) = delete;

    // Fills the whole target bitmap; transform, clip, masks and blend mode do not apply.
    virtual void Clear(const ColorF& color);
    virtual void Attach(std::shared_ptr<BitmapBase> bitmap) = 0;
    // Extends the dirty rectangle by the geometry's bound under `matrix`, cut to the device
    // rectangle. Derived versions then draw.
    virtual void Fill(const std::shared_ptr<Geometry>& geometry,
                      const std::shared_ptr<SwColorSource>& source, const GXMatrix& matrix);

    State& Current() { return states_.back(); }
    const State& Current() const { return states_.back(); }
    // The device matrix of the sub-target: base matrix then the offset of its rectangle.
    GXMatrix DeviceMatrix() const;
    // The CTM seen by the caller, and its inverse setter.
    GXMatrix GetCTM() const;
    void SetCTM(const GXMatrix& ctm);

    void PushState() { states_.push_back(states_.back()); }
    // False, with nothing changed, when only the first state is left.
    bool PopState();

    // The brush placed in device pixels, as a mask of `kind`; no brush removes the mask.
    void SetOpacityMask(const Brush* brush, int32_t kind);
    void SetShapeMask(const Brush* brush, int32_t kind);
    void ClipGeometry(const std::shared_ptr<Geometry>& geometry);
    void ResetClip();
    // Culls, builds the colour source and calls Fill.
    void FillGeometry(const std::shared_ptr<Geometry>& geometry, const Brush& brush);

    GXRect DirtyRect() const { return dirtyRect_; }

protected:
    std::shared_ptr<SwSoftMask> MakeMask(const Brush* brush, int32_t kind) const;
    // The clipping the next pipeline uses: the current state's, unless the one already
    // active equals it (its coverage mask is then reused).
    SwClipping& SyncClip();

    std::shared_ptr<BitmapBase> targetBitmap_;  // PARGB32 paint target; set by Attach
    float dpiX_, dpiY_;                         // resolution of the surface
    GXRect dirtyRect_;                          // union of filled device bounds; empty: 0,0,0,0
    bool nonEmpty_;                             // the device rectangle has width and height
    GXIntRect deviceRect_;                      // sub-target pixels in device space
    GXMatrix baseMatrix_;                       // sub-target space -> device, before offset
    std::deque<State> states_;                  // never empty; the back is current
    std::shared_ptr<SwClipping> activeClip_;    // clipping last handed to a pipeline
};

}  // namespace Graphics
