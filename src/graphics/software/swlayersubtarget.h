#pragma once

#include <memory>

#include "graphics/software/swsubtarget.h"

namespace Graphics {

// An open transparency group: its colour (the inherited target bitmap, premultiplied, alpha
// byte = group alpha united with the backdrop alpha), its shape and alpha (A8), and for a
// non-isolated group the backdrop it started from (a window on the parent's pixels, which
// stay as they are while the group is open). All have the size of the group's rectangle
// and are allocated only when it is not empty. Fills composite into the group
// with the group compositors; when the group ends, its finished colour is composited into
// the parent like a fill, weighed by its shape and opacity.
class SwLayerSubTarget : public SwSubTarget {
public:
    // `placement` is the rectangle's top-left in the pixels of the parent, whose bitmap (or
    // backdrop, inside a knockout group) Attach receives.
    SwLayerSubTarget(const GXIntRect& deviceRect, const GXIntPoint& placement,
                     const GXMatrix& ctm, float dpiX, float dpiY, float opacity,
                     bool isolated, bool knockout);

    // Called once, right after construction. Shape and alpha start at 0. An isolated group
    // (or one over a transparent parent, null) starts transparent; another takes the
    // parent's pixels under it as its backdrop and copies them into its colour.
    void Attach(std::shared_ptr<BitmapBase> parentPixels) override;
    // Also clears the group's shape and alpha.
    void Clear(const ColorF& color) override;

protected:
    void AddTargetAndCompositor(SwPipeLine& pipeline) const override;
    // Inside a knockout group every object composites with the initial backdrop, nested
    // groups included.
    std::shared_ptr<BitmapBase> ChildBackdrop() const override {
        return knockout_ ? backdrop_ : targetBitmap_;
    }
    // Turns the group colour into the group's own result where anything was drawn: the
    // backdrop's share taken out, alpha set to the group alpha, divided by the shape (which
    // the parent applies again as a mask).
    std::shared_ptr<BitmapBase> GetResultBitmap() override;
    std::shared_ptr<BitmapBase> GetShapeBitmap() const override { return shape_; }
    float GetOpacity() const override { return opacity_; }

private:
    float opacity_;                         // weighs the result in the parent
    bool isolated_;                         // starts transparent, no backdrop kept
    bool knockout_;                         // objects composite with the initial backdrop
    GXIntPoint placement_;                  // top-left in the parent's pixels
    std::shared_ptr<BitmapBase> backdrop_;  // PARGB32; null when transparent
    std::shared_ptr<BitmapBase> alpha_;     // A8 group alpha
    std::shared_ptr<BitmapBase> shape_;     // A8 group shape
};

}  // namespace Graphics
