#pragma once

#include <cmath>
#include <cstdint>

#include "gx.h"

namespace Graphics {

class Geometry;

// Device coordinates beyond this magnitude are left unsnapped: floats there are already
// whole numbers, and the integer arithmetic of snapping stays far from overflow.
constexpr float kSnapLimit = 16777216.0f;  // 2^24

// Whole pixels [begin, end) along one axis.
struct PixelSpan {
    int64_t begin;
    int64_t end;
};

// The one rounding that decides which whole pixels an upright rectangle covers, one axis
// at a time: the pixels the span [low, high] mostly covers, never fewer than one. Used on
// float device edges by the front end and on the rasterizer's exact eighths (as doubles),
// so both decide alike. `low` <= `high`, both finite and within kSnapLimit.
template <class Coordinate>
PixelSpan SnapSpan(Coordinate low, Coordinate high) {
    int64_t p0 = int64_t(std::floor(low));
    int64_t p1 = int64_t(std::ceil(high));
    const int64_t size = int64_t(std::ceil(high - low));
    // A span thinner than a pixel inside one pixel column still covers that column.
    if (size <= 0 && p0 == p1) ++p1;
    // Outward rounding of both ends can add one pixel more than the span's own rounded
    // size: drop the end pixel the span covers less.
    if (p1 - p0 >= (size <= 0 ? 2 : size + 1)) {
        if (low - Coordinate(p0) > Coordinate(p1) - high)
            ++p0;
        else
            --p1;
    }
    return PixelSpan{p0, p1};
}

// An upright rectangle in device space: the exact, normalised edges of a figure or a user
// rectangle that its matrix keeps axis-aligned. Every place that treats rectangles apart
// (the front end's snapping, the whole-pixel fill, the clip's box) recognises them here and
// decides their pixels here, so that a fill and a clip of the same rectangle cover the
// same pixels.
class DeviceRect {
public:
    // The box through four device corners given in path order, when they form one: each
    // side horizontal or vertical, in either orientation (corners keep their roles or are
    // exchanged by a quarter turn). A NaN coordinate never compares equal, so such corners
    // form no box.
    static bool FromCorners(const GXPoint (&corners)[4], DeviceRect& rect);
    // `geometry` under `matrix`, when it is one figure of four straight sides (a repeated
    // closing point allowed) mapped onto an upright rectangle with the arithmetic of the
    // fill pipeline's transformer.
    static bool FromGeometry(const Geometry& geometry, const GXMatrix& matrix, DeviceRect& rect);
    // The user rectangle `rect` under `ctm` (scales, flips, quarter turns, translations).
    static bool FromUserRect(const GXMatrix& ctm, const GXRect& rect, DeviceRect& device);

    const GXRect& Box() const { return box_; }

    // The pixels when every edge already lies on a pixel edge (infinities included);
    // edges beyond kSnapLimit are cut to it, which is beyond every bitmap, so the pixels
    // are the same.
    bool WholePixels(GXIntRect& pixels) const;
    // The pixels SnapSpan decides on both axes. False (and `pixels` untouched) when an edge
    // is not finite or lies beyond kSnapLimit: such boxes are drawn as they are.
    bool Snap(GXIntRect& pixels) const;

private:
    GXRect box_{0, 0, 0, 0};
};

}  // namespace Graphics
