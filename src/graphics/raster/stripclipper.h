#pragma once

#include <cstdint>
#include <memory>

#include "graphics/geometry/geometrysink.h"

namespace Graphics {

// Clips every figure to a strip low <= v <= high of one axis and passes the result on.
//
// The output is the exact intersection of each figure with the strip: where a figure leaves
// the strip and comes back on the same side, the part outside is replaced by the stretch of
// the bound between the two crossings, so winding inside the strip is unchanged. Put in
// front of the rasterizer, it keeps far-off coordinates out of its fixed point.
class StripClipper : public GeometrySink {
public:
    enum Axis : int32_t { kClipX = 0, kClipY = 1 };
    static constexpr float kDefaultLow = -32535.0f;
    static constexpr float kDefaultHigh = 32535.0f;

    StripClipper(Axis axis, float low, float high, float tolerance,
                 std::shared_ptr<GeometrySink> downstream);

    void SetFillRule(int32_t rule) override;
    void BeginFigure(const GXPoint& start) override;
    void EndFigure() override;
    void EndFigureClose() override;
    void LineTo(const GXPoint& point) override;
    void CubicCurveTo(const GXPoint& c1, const GXPoint& c2, const GXPoint& end) override;

private:
    // Where a point lies against the strip, by its clipped coordinate.
    enum Side : int32_t { kBelow = 0, kInside = 1, kAbove = 2 };

    Side SideOf(const GXPoint& p) const;
    // The point of segment a-b whose clipped coordinate is `bound`.
    GXPoint Crossing(const GXPoint& a, const GXPoint& b, float bound) const;
    void Emit(const GXPoint& p);

    float tolerance_;                           // curve flattening tolerance, px
    Axis axis_;                                 // the coordinate being clipped
    float low_;                                 // lowest coordinate kept
    float high_;                                // highest coordinate kept; >= low_
    std::shared_ptr<GeometrySink> downstream_;  // receives the clipped figures
    GXPoint figureStart_;                       // first point of the incoming figure
    GXPoint currentPoint_;                      // last incoming point
    bool figureBegun_;                          // an incoming figure is between Begin and End
    bool figureOpen_;                           // BeginFigure has been sent downstream
    Side side_;                                 // side of currentPoint_
};

}  // namespace Graphics
