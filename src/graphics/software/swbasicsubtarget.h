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
};

}  // namespace Graphics
