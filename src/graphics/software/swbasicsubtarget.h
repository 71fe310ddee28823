#pragma once

#include <memory>

#include "graphics/software/swsubtarget.h"

namespace Graphics {

// The sub-target of the surface bitmap itself: fills composite straight into it.
class SwBasicSubTarget : public SwSubTarget {
public:
    using SwSubTarget::SwSubTarget;

    void Attach(std::shared_ptr<BitmapBase> bitmap) override { targetBitmap_ = std::move(bitmap); }
    // Nothing for an empty geometry; else one pipeline through the current state.
    void Fill(const std::shared_ptr<Geometry>& geometry,
              const std::shared_ptr<SwColorSource>& source, const GXMatrix& matrix) override;
};

}  // namespace Graphics
