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
    // A solid colour over whole pixels under Normal with no mask and no clip geometry: each
    // pixel has coverage 255, so the rows composite straight into the bitmap with the
    // pipeline's solid compositor. Stroke-adjusted rectangles and their outlines come this
    // way by the thousand.
    bool FillPixelsWithoutPipeline(const GXIntRect& pixels, const SwColorSource& source,
                                   const SwClipping& clip) override;
};

}  // namespace Graphics
