#pragma once

#include <cstdint>

namespace Graphics {

// One non-horizontal polygon side, walked down the sub-scanlines by a DDA.
//
// Edge x is tracked in 1/8 px at the centre of each sub-scanline, already rounded to the
// nearest eighth: the exact position is x + 1 + error / den - 0.5 (1/8 px).
struct RasterEdge {
    int32_t topSub;     // first sub-scanline the edge is active on
    int32_t bottomSub;  // first sub-scanline it is no longer active on; > topSub
    int32_t x;          // 1/8 px on sub-scanline topSub, then on the current one
    int32_t step;       // whole 1/8 px x advance per sub-scanline (floor of the slope)
    int32_t error;      // DDA error, in [-den, 0)
    int32_t increment;  // error gained per sub-scanline, in [0, den)
    int32_t den;        // 16 x |dy| (dy in 1/128 px): the denominator of error and increment
    int32_t winding;    // +1 for a side going down (y increasing), -1 going up

    // One sub-scanline down, without a branch: whether the error carries flips without
    // pattern along a fractional slope, and a mispredicted branch per edge per
    // sub-scanline would cost more than the step itself.
    void Step() {
        error += increment;
        const int32_t carry = int32_t(error >= 0);  // error + increment stays below den
        x += step + carry;
        error -= den & -carry;
    }

    // `count` sub-scanlines down at once (64-bit products, the result as `count` Steps).
    void Advance(int32_t count) {
        int64_t shifted = int64_t{error} + int64_t{den} + int64_t{increment} * count;
        x += static_cast<int32_t>(int64_t{step} * count + shifted / den);
        error = static_cast<int32_t>(shifted % den) - den;
    }

    // Exact x in px at the centre of the current sub-scanline.
    double CentreX() const { return (x + 0.5 + static_cast<double>(error) / den) / 8.0; }

    // Slope in px of x per px of y.
    double Slope() const { return step + static_cast<double>(increment) / den; }
};

}  // namespace Graphics
