#pragma once

#include <cstdint>
#include <memory>

#include "graphics/raster/rasterizationsink.h"

namespace Graphics {

class GpuVertexBuffer;

// Turns what the scan converter produces into one triangle strip whose vertex colours carry
// the coverage: a coverage run becomes one triangle from its left edge's mid-row point to
// its right edge spanning the row (covering exactly the run's pixel centres), a
// whole-pixel rectangle two triangles, a trapezoid a band with a linear fringe ramp on each
// side. Degenerate triangles stitch the pieces together, so that a whole fill is one strip.
class GpuRasterizationSink : public RasterizationSink {
public:
    // The colour is packed by truncation: alpha 0.5 gives byte 127.
    GpuRasterizationSink(std::shared_ptr<GpuVertexBuffer> vertices, float r, float g, float b,
                         float a);

    void AddCoverageRow(int32_t row, const CoverageBuffer& coverage) override;
    void FillPixelRect(int32_t x0, int32_t y0, int32_t x1, int32_t y1) override;
    bool AcceptsTrapezoids(int32_t, int32_t) override { return true; }
    void AddTrapezoid(float yTop, float xTopLeft, float xTopRight, float yBottom,
                      float xBottomLeft, float xBottomRight, float fringeLeft,
                      float fringeRight) override;

    // `argb` with each byte times coverage / 256 (coverage 0..256; 256 keeps it).
    static uint32_t ScaleColor(uint32_t argb, uint32_t coverage);

private:
    std::shared_ptr<GpuVertexBuffer> vertices_;
    uint32_t color_;           // 0xAARRGGBB
    float halfHeight_ = 0.5f;  // flips sign after every run, so strips alternate winding
};

}  // namespace Graphics
