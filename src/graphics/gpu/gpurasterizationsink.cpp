#include "graphics/gpu/gpurasterizationsink.h"

#include "graphics/gpu/gpuvertexbuffer.h"
#include "graphics/raster/coveragebuffer.h"

namespace Graphics {

GpuRasterizationSink::GpuRasterizationSink(std::shared_ptr<GpuVertexBuffer> vertices, float r,
                                           float g, float b, float a)
    : vertices_(std::move(vertices)),
      color_(uint32_t(int32_t(a * 255)) << 24 | (uint32_t(int32_t(r * 255) << 16) & 0xFFFFFFu) |
             (uint32_t(int32_t(g * 255) << 8) & 0xFFFFu) | (uint32_t(int32_t(b * 255)) & 0xFFu)) {}

uint32_t GpuRasterizationSink::ScaleColor(uint32_t argb, uint32_t coverage) {
    if (coverage >= 256) return argb;
    // Two channels per multiply: red and blue, then alpha and green.
    const uint32_t rb = ((argb & 0x00FF00FFu) * coverage >> 8) & 0x00FF00FFu;
    const uint32_t ag = (((argb >> 8) & 0x00FF00FFu) * coverage >> 8) & 0x00FF00FFu;
    return ag << 8 | rb;
}

void GpuRasterizationSink::AddCoverageRow(int32_t row, const CoverageBuffer& coverage) {
    const float y = float(row) + 0.5f;
    GpuVertexBuffer& out = *vertices_;
    for (const CoverageRun* run = coverage.First(); run != coverage.End(); run = run->next) {
        const CoverageRun* next = run->next;
        // The last run is open to the right and always empty.
        if (next == coverage.End()) break;
        if (run->value == 0) continue;
        const uint32_t color = ScaleColor(color_, uint32_t(run->value) * 4);
        const float x0 = float(run->x), x1 = float(next->x), h = halfHeight_;
        out.AddVertex(x0, y, color);
        out.AddVertex(x0, y, color);
        out.AddVertex(x1, y + h, color);
        out.AddVertex(x1, y - h, color);
        if (next->value == 0) out.AddVertex(x1, y - h, color);
        halfHeight_ = -halfHeight_;
    }
}

void GpuRasterizationSink::FillPixelRect(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    GpuVertexBuffer& out = *vertices_;
    const float l = float(x0), t = float(y0), r = float(x1), b = float(y1);
    out.AddVertex(l, t, color_);
    out.AddVertex(l, t, color_);
    out.AddVertex(l, b, color_);
    out.AddVertex(r, t, color_);
    out.AddVertex(r, b, color_);
    out.AddVertex(r, b, color_);
}

void GpuRasterizationSink::AddTrapezoid(float yTop, float xTopLeft, float xTopRight,
                                        float yBottom, float xBottomLeft, float xBottomRight,
                                        float fringeLeft, float fringeRight) {
    GpuVertexBuffer& out = *vertices_;
    const uint32_t c = color_;
    if (fringeLeft != 0) {
        out.AddVertex(xTopLeft - fringeLeft, yTop, 0);
        out.AddVertex(xTopLeft - fringeLeft, yTop, 0);
        out.AddVertex(xBottomLeft - fringeLeft, yBottom, 0);
    } else {
        out.AddVertex(xTopLeft, yTop, c);
    }
    out.AddVertex(xTopLeft + fringeLeft, yTop, c);
    out.AddVertex(xBottomLeft + fringeLeft, yBottom, c);
    out.AddVertex(xTopRight - fringeRight, yTop, c);
    out.AddVertex(xBottomRight - fringeRight, yBottom, c);
    if (fringeRight != 0) {
        out.AddVertex(xTopRight + fringeRight, yTop, 0);
        out.AddVertex(xBottomRight + fringeRight, yBottom, 0);
        out.AddVertex(xBottomRight + fringeRight, yBottom, 0);
    } else {
        out.AddVertex(xBottomRight - fringeRight, yBottom, c);
    }
}

}  // namespace Graphics
