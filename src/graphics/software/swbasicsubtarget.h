#pragma once

#include <memory>

#include "graphics/software/swsubtarget.h"

namespace Graphics {

// The sub-target of the surface bitmap itself: fills composite straight into it.
class SwBasicSubTarget : public SwSubTarget {
public:
    using SwSubTarget::SwSubTarget;

    void Attach(std::shared_ptr<BitmapBase> bitmap) override { targetBitmap_ = std::move(bitmap); }

protected:
    void AddTargetAndCompositor(SwPipeLine& pipeline) const override;
    // A solid colour over whole device pixels (a rectangle on pixel edges) under Normal with
    // no mask and no clip geometry: each pixel has coverage 255, so the rows composite
    // straight into the bitmap with the pipeline's solid compositor. Stroke-adjusted
    // rectangles and their outlines come this way by the thousand.
    bool FillWithoutPipeline(const Geometry& geometry, const SwColorSource& source,
                             const GXMatrix& matrix, const SwClipping& clip) override;
};

}  // namespace Graphics
