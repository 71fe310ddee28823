#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "graphics/core/simdlevel.h"
#include "graphics/paint/radialgradient.h"
#include "graphics/software/swgradientstoptable.h"

namespace Graphics {

// The per-pixel work of a radial gradient (two circles, as PDF shading type 3). The circle
// of parameter s has centre c0 + s (c1 - c0) and radius r0 + s (r1 - r0); a point P lies on
// it when a s^2 - 2 B s + C = 0 with
//   a = |c1 - c0|^2 - (r1 - r0)^2,  B = (P - c0) . (c1 - c0) + r0 (r1 - r0),
//   C = |P - c0|^2 - r0^2.
// Nothing divides by r1 - r0, so circles of equal radii sweep a tube like any other pair,
// and a = 0 (one circle touching the other from inside) leaves the linear equation.
// All lengths are divided by L, the largest of |c1 - c0|, |r0| and |r1|, to keep the
// single-precision terms near 1.
class RadialGradientFiller {
public:
    // `gradientToDevice`: the brush matrix followed by the device matrix. A gradient
    // without stops, a matrix that cannot be inverted or non-finite circles paint
    // transparent black; circles of radius 0 at both ends, or equal negative radii,
    // paint the background.
    RadialGradientFiller(std::shared_ptr<RadialGradient> gradient, const GXMatrix& gradientToDevice,
                         uint32_t opacityWeight);

    // Writes `count` pixels of row y from x0.
    void Fill(int32_t x0, int32_t count, int32_t y, uint32_t* out);

    // True when every pixel Fill writes is opaque (the background too, which paints where
    // no circle does).
    bool IsOpaque() const;

    // The s of the circle that paints pixels first .. first + count - 1 of a span whose
    // pixel 0 sits at (px, py) of the normalised space, pixel i at
    // (px + i inverse.a, py + i inverse.b); -inf where none does. Several pixels at a time
    // in vector lanes.
    void SolveSpan(float px, float py, int32_t first, int32_t count, float* s) const {
        static const SolveProc solve = kSolveSpanForms.Active();
        (this->*solve)(px, py, first, count, s);
    }
    // The same one pixel at a time: the scalar twin the vector forms are tested against.
    void SolveSpanScalar(float px, float py, int32_t first, int32_t count, float* s) const;
    // Four and eight pixels per step, operation for operation the scalar arithmetic.
    void SolveSpanSSE2(float px, float py, int32_t first, int32_t count, float* s) const;
    void SolveSpanAVX2(float px, float py, int32_t first, int32_t count, float* s) const;
    using SolveProc = void (RadialGradientFiller::*)(float px, float py, int32_t first,
                                                     int32_t count, float* s) const;
    static const SimdKernel<SolveProc> kSolveSpanForms;

private:
    // SolveSpanAVX2 for count a multiple of eight, specialised on the sign of a and on which
    // bounds of s are finite.
    template <int kSignA, bool kLower, bool kUpper>
    void SolveLanesAVX2(float px, float py, int32_t first, int32_t count, float* s) const;
    // The s of the circle that paints the point (px, py) of the normalised space; -inf
    // where none does.
    float SolveAt(float px, float py) const;

    std::shared_ptr<RadialGradient> gradient_;  // keeps the stop table alive
    GXMatrix inverse_;           // device pixel -> (g - c0) / L, g the point in gradient space
    float cx_;                   // (x1 - x0) / L
    float cy_;                   // (y1 - y0) / L
    float sMin_;                 // the smallest s that paints (-inf when extended)
    float sMax_;                 // the largest s that paints (+inf when extended)
    float bOffset_;              // r0 dr / L^2: the part of B that does not depend on P
    float r02_;                  // (r0 / L)^2
    float a_;                    // a / L^2
    float inverseA_;             // 1 / a_; unused when a_ = 0
    uint32_t startColor_;        // premultiplied stop colour at 0 with opacity
    uint32_t endColor_;          // premultiplied stop colour at 1 with opacity
    uint32_t background_;        // premultiplied background with opacity; 0 without one
    const GradientStop* stops_;  // the searchable stops
    size_t stopCount_;           // >= 1 unless constant_
    uint32_t opacityWeight_;     // 1..256
    std::shared_ptr<SwGradientStopTable> table_;  // stops_ prepared for lookup, never null
    SwGradientStopTable::Cursor cursor_;          // the interval the last lookup fell in
    uint8_t constant_;                            // non-zero: every pixel is background_
};

}  // namespace Graphics
