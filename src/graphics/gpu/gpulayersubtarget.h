#pragma once

#include "graphics/gpu/gpusubtarget.h"

namespace Graphics {

// An open transparency group: its colour (premultiplied, the backdrop included for a
// non-isolated group), its shape and alpha (a texture holding the shape in red, green and
// blue alike and the group alpha in alpha), and for a non-isolated group the backdrop Co
// it started from. Every draw inside reads these buffers through the group compositions;
// at the end the group's result (backdrop taken out, divided by the shape) replaces the
// colour, and the parent draws it weighed by the opacity and limited by the shape.
class GpuLayerSubTarget : public GpuSubTarget {
public:
    // `deviceRect` in device pixels; `backdrop` (the parent's pixels, null for transparent)
    // is read over `backdropRect`, the same rectangle in the backdrop's pixels.
    GpuLayerSubTarget(std::shared_ptr<GpuDevice> device, const GXIntRect& deviceRect,
                      const GXLayerParams& params,
                      const std::shared_ptr<GpuRenderTexture>& backdrop,
                      const GXIntRect& backdropRect);

    // Draws what is pending, then turns the colour into the group's result.
    void EndPaint() override;
    // Also clears the shape and alpha.
    void Clear(const ColorF& color) override;
    // Inside a knockout group every object, nested groups included, composites with the
    // group's initial backdrop.
    std::shared_ptr<GpuRenderTexture> ChildBackdrop() const override {
        return knockout_ ? backdrop_ : colorTarget_;
    }

    const std::shared_ptr<GpuRenderTexture>& ShapeTarget() const { return shape_; }
    float Opacity() const { return opacity_; }

protected:
    bool CanBatch(const GpuColorSource& source, const GXRect& bounds) const override;
    void Draw() override;
    bool ReadsBackdrop() const override { return true; }

private:
    float opacity_;                             // clamped to 0..1
    bool isolated_;
    bool knockout_;
    std::shared_ptr<GpuRenderTexture> shape_;     // shape in r, g, b; group alpha in a
    std::shared_ptr<GpuRenderTexture> backdrop_;  // Co; null for an isolated group
};

}  // namespace Graphics
