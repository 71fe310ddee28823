#pragma once

#include <cstdint>

#include "gx.h"

namespace Graphics {

// Adaptive forward differencing of one cubic Bézier: Init, then Next while it returns
// true, emitting each point as a straight segment, then the exact end point P3. Only
// additions and multiplications by powers of two per point; the step halves where the
// second differences exceed the tolerance and doubles where they are well within it.
//
// With step h the state is exact for a cubic: d1 = B(t + h) - B(t), e1 = h^2 B''(t),
// e2 = h^2 B''(t + h) (B'' is linear, so the next e2 is 2 e2 - e1).
class FigureFlattener {
public:
    // The smallest step, as a fraction of the curve: one cubic yields at most 2^23 segments.
    static constexpr float kMinStep = 1.1920929e-7f;  // 2^-23

    // Users pass max(their tolerance, 2^-23). A cubic with a non-finite coordinate or
    // difference has no meaningful interior and yields its end point alone.
    void Init(float tolerance, const GXPoint& p0, const GXPoint& p1, const GXPoint& p2,
              const GXPoint& p3);
    bool Next(GXPoint& point);

    // The tolerance a stroker or tester should flatten this cubic with: `tolerance`, raised
    // to 2^-23 (also when 0, negative or NaN) and to 2^-22 of the largest coordinate
    // magnitude. Below that a float cannot tell the points apart, and the floor keeps a
    // cubic with huge coordinates to at most 2^12 segments.
    static float UsableTolerance(float tolerance, const GXPoint& p0, const GXPoint& p1,
                                 const GXPoint& p2, const GXPoint& p3);

    // Flattens the cubic (p0, c1, c2, end) at UsableTolerance(tolerance, ...) and hands
    // every point to `lineTo`, `end` last. This is how every sink turns a curve into lines.
    template <class LineTo>
    static void Flatten(float tolerance, const GXPoint& p0, const GXPoint& c1, const GXPoint& c2,
                        const GXPoint& end, LineTo&& lineTo) {
        FigureFlattener flattener;
        // Init copies p0 before the first callback, which may move the caller's current point.
        flattener.Init(UsableTolerance(tolerance, p0, c1, c2, end), p0, c1, c2, end);
        GXPoint point;
        while (flattener.Next(point)) lineTo(point);
        lineTo(end);
    }

private:
    void HalveStep();

    float tolerance_ = 0;  // tau: allowed second difference is 6 tau (1.5 tau to double)
    uint32_t steps_ = 0;   // n: steps left to the end point, a power of two times the rest
    float step_ = 1;       // h: parameter interval of one step, in (2^-23, 1]
    GXPoint d1_{};         // first difference: from the current point to the next
    GXPoint e1_{};         // second difference at the current step
    GXPoint e2_{};         // second difference at the next step
    GXPoint point_{};      // current point
};

}  // namespace Graphics
