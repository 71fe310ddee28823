#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "graphics/geometry/geometrysink.h"
#include "graphics/raster/coveragebuffer.h"
#include "graphics/raster/rasteredge.h"

namespace Graphics {

class Geometry;
class RasterizationSink;

// Turns filled paths into anti-aliased coverage: exact area on an 8 x 8 sub-pixel grid.
//
// Points arrive in px and are kept in 1/128 px; each pixel row is scanned as 8
// sub-scanlines, sampled at their centres, with edge x in 1/8 px, so a pixel collects
// 0..64 units of coverage. Use: BeginRasterization, stream a geometry, EndRasterization.
class Rasterizer : public GeometrySink {
public:
    // clipRect: the pixels to fill (left, top, right, bottom in px; widened outward to whole
    // pixels). snapRectangles: fill a lone axis-aligned rectangle as whole pixels.
    Rasterizer(const GXRect& clipRect, float tolerance, bool snapRectangles,
               std::shared_ptr<RasterizationSink> sink);
    ~Rasterizer() override;

    // Back to a new rasterizer's state with these settings, keeping the storage of the
    // points, edges and coverage for the next fill: a rasterizer reused this way makes no
    // heap call once its storage has grown to the fills it sees.
    void Reset(const GXRect& clipRect, float tolerance, bool snapRectangles,
               std::shared_ptr<RasterizationSink> sink);
    // Bytes of storage held for reuse.
    size_t RetainedBytes() const;

    void SetFillRule(int32_t rule) override;
    void BeginFigure(const GXPoint& start) override;
    void EndFigure() override;
    void EndFigureClose() override;
    void LineTo(const GXPoint& point) override;
    void CubicCurveTo(const GXPoint& c1, const GXPoint& c2, const GXPoint& end) override;

    void BeginRasterization();
    void EndRasterization();

    // True when the active edge list is well formed for the sub-scanline being scanned:
    // ordered by x, every edge active on it, DDA terms in range, no cycle. Meaningful while
    // the sink is being called (tests call it from their sink).
    bool ValidateActiveList() const;

    // Limit of |coordinate| in px: points beyond it are clamped so that 1/128 px values
    // and the DDA's 16 x |dy| stay in 32 bits. Far geometry is clipped before it gets here.
    static constexpr float kMaxCoordinate = 262144.0f;

private:
    // A polygon vertex in 1/128 px.
    struct Point128 {
        int32_t x128;  // truncated toward zero from x x 128
        int32_t y128;
    };

    void AppendPoint(const GXPoint& point);
    // The extent of the kept edges back to "none yet", for the next fill.
    void ForgetEdgeExtent();
    // Room for one more edge, in the blocks kept across fills.
    RasterEdge* NewEdge();
    void BuildEdges();
    void AddSide(const Point128& a, const Point128& b);
    bool TrySnapRectangle();
    void Scan(CoverageBuffer& coverage);
    // Scan for the one figure of two upright edges spanning the same sub-scanlines (an
    // axis-aligned rectangle not snapped): every whole row has the same coverage, so it is
    // built once and handed over for each of them.
    bool TryScanUprightRectangle(CoverageBuffer& coverage);
    void AddSubScanline(CoverageBuffer& coverage) const;
    int32_t TrapezoidLimit(int32_t sub, int32_t nextStart) const;
    void EmitTrapezoids(int32_t sub, int32_t limit);
    void FlushRow(CoverageBuffer& coverage, int32_t row);

    float tolerance_;                            // curve flattening tolerance, px
    bool snapRectangles_;                        // snap a lone axis-aligned rectangle
    int32_t fillRule_;                           // 0 non-zero winding, otherwise even-odd
    GXPoint currentPoint_;                       // px, for curves and repeated-point tests
    bool figureFinite_;                          // false once a NaN/infinite point arrived
    std::vector<Point128> points_;               // vertices of the figure being collected
    // Every edge of the fill, in blocks of 32, 64, 128, ... records that stay for the next
    // fill: the first edgeBlock_ blocks are full, edgesInBlock_ records of the next are used.
    std::vector<std::unique_ptr<RasterEdge[]>> edgeBlocks_;
    size_t edgeBlock_;
    size_t edgesInBlock_;
    std::vector<RasterEdge*> edges_;             // edges of all figures so far
    RasterEdge endMarker_;                       // topSub INT32_MAX, closes the sorted edges
    std::vector<RasterEdge*> active_;            // edges on activeSub_, ordered by x
    int32_t activeSub_;                          // sub-scanline the active list is on
    bool hasSlopedEdge_;                         // some edge has a non-zero step or increment
    int32_t clipX0_, clipY0_, clipX1_, clipY1_;  // clip box, whole pixels
    int32_t firstSub_;                           // lowest topSub of the kept edges
    int32_t endSub_;                             // highest bottomSub, capped at the clip
    int32_t leastTopSub_;                        // least and greatest top sub-scanline of
    int32_t greatestTopSub_;                     // the kept edges before the clip cut them
    int32_t leftX128_;                           // least end point x of the kept edges
    int32_t rightX128_;                          // greatest end point x of the kept edges
    std::shared_ptr<RasterizationSink> sink_;    // receives rows, rectangles, trapezoids
    CoverageBuffer coverage_;                    // the rows of the scan; kept across fills
};

// Fills `geometry` mapped by `ctm` into `sink`, inside clipRect (px): the one entry of the
// pipelines and of clip-mask rendering. Strip clippers go in front of the rasterizer when the
// mapped bound reaches past +-32535 px, and a transformer when ctm is not the identity.
void RasterizeGeometry(const Geometry& geometry, const GXMatrix& ctm, const GXRect& clipRect,
                       bool snapRectangles, std::shared_ptr<RasterizationSink> sink);

}  // namespace Graphics
