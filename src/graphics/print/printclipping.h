#pragma once

#include <memory>

#include "gx.h"

namespace Graphics {

class Geometry;

// The clip of one drawing state: a geometry in device space (page points), intersected
// with every new clip. States share the geometry (it is replaced, never changed in place),
// so a copy made for a pushed state clips independently of the one it came from.
class PrintClipping {
public:
    explicit PrintClipping(const GXRect& page) : page_(page) {}

    // The clip becomes its intersection with `geometry` seen through `matrix`; the first
    // clip starts from the page.
    void Clip(const Geometry& geometry, const GXMatrix& matrix);
    void Reset() { geometry_.reset(); }
    // Empty when unclipped.
    const std::shared_ptr<Geometry>& GetGeometry() const { return geometry_; }

    // The grid unit of the intersections, in points.
    static constexpr float kPrecision = 0.25f;

private:
    std::shared_ptr<Geometry> geometry_;  // device space; absent means unclipped
    GXRect page_;                         // the whole page, device space
};

}  // namespace Graphics
