#pragma once

#include <cstdint>

namespace Graphics {

class CoverageBuffer;

// Where the scan converter delivers coverage: the software pixel pipeline and the Direct3D 11
// tessellation sink.
class RasterizationSink {
public:
    virtual ~RasterizationSink() = default;

    // A finished pixel row. The runs are read from coverage.First() to coverage.End(); the
    // buffer is reset after the call, so the sink must not keep it.
    virtual void AddCoverageRow(int32_t row, const CoverageBuffer& coverage) = 0;

    // Pixels [x0, x1) x [y0, y1) at full coverage (a snapped rectangle).
    virtual void FillPixelRect(int32_t x0, int32_t y0, int32_t x1, int32_t y1) = 0;

    // Asked once per scan over sub-scanlines [firstSub, endSub): whether rows whose edges
    // are far enough apart may arrive as trapezoids instead of coverage rows.
    virtual bool AcceptsTrapezoids(int32_t firstSub, int32_t endSub) = 0;

    // A band between two edges, in px. Each fringe is the half-width of the anti-aliasing
    // ramp to draw around that edge, 0.5 + 0.5 x |edge slope in px per px|.
    virtual void AddTrapezoid(float yTop, float xTopLeft, float xTopRight, float yBottom,
                              float xBottomLeft, float xBottomRight, float fringeLeft,
                              float fringeRight) = 0;
};

}  // namespace Graphics
