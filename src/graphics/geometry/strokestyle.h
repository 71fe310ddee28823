#pragma once

#include <cstdint>
#include <vector>

#include "gx.h"

namespace Graphics {

// How a stroke looks, in the library's own form. Built from a GXStrokeStyle record or
// from nothing (the defaults); the dash fields are copied only when the record has dashes.
struct StrokeStyle {
    StrokeStyle() = default;
    explicit StrokeStyle(const GXStrokeStyle* record);

    int32_t join = 0;           // 0 miter, 1 round, any other value bevel
    int32_t cap = 0;            // 0 butt, 1 round, 2 square, any other value butt
    float miterLimit = 10.0f;   // largest miter length over half width that gets a miter
    std::vector<float> dashes;  // dash and gap lengths in user units; empty: solid
    float dashOffset = 0;       // how far into the pattern the stroke starts
};

}  // namespace Graphics
