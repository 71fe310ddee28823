#pragma once

#include <memory>
#include <vector>

#include "graphics/gpu/gpucolorsource.h"
#include "gx.h"

namespace Graphics {

class Geometry;
class GpuDevice;
class GpuRenderTexture;

// The clip of one drawing state: the clip geometries in the order they were set, each with
// the matrix that maps it to the sub-target's pixels. When a clipped batch is drawn, their
// anti-aliased coverages are rendered on the GPU into one coverage texture (the product of
// the coverages, as the software renderer multiplies them), which the draw applies as a
// shape mask. The texture is kept until the clip changes.
class GpuClipping {
public:
    GpuClipping(std::shared_ptr<GpuDevice> device, GXIntSize size);

    // Intersects with `geometry` under `matrix`. `snapRectangles`: a lone upright rectangle
    // clips whole pixels, those a fill of it covers under stroke adjustment.
    void ClipGeometry(const std::shared_ptr<Geometry>& geometry, const GXMatrix& matrix,
                      bool snapRectangles);
    // Same geometries (the same objects) under equal matrices and snapping, in order.
    bool operator==(const GpuClipping& other) const;
    // The box the clip leaves visible, within the sub-target; may be empty.
    const GXRect& Bounds() const { return bounds_; }
    // The coverage texture over the whole sub-target as an alpha mask; made on first
    // request after a change (and again after the device dropped it).
    std::shared_ptr<GpuMaskSource> CreateMask();

private:
    struct Entry {
        std::shared_ptr<Geometry> geometry;
        GXMatrix matrix;
        bool snapRectangles;
    };

    std::shared_ptr<GpuDevice> device_;
    GXIntSize size_;                      // of the sub-target
    std::vector<Entry> entries_;
    GXRect bounds_;                       // visible box in sub-target pixels
    std::shared_ptr<GpuMaskSource> mask_;  // the last mask made, until entries_ change
};

}  // namespace Graphics
