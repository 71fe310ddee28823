#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Graphics {

struct GradientStop {
    float offset;   // position along the ramp, nominally 0..1; never clamped or validated
    uint32_t argb;  // 0xAARRGGBB, straight alpha
};

// Stops ordered by offset. Stops sharing an offset keep the order they were given in, so
// two stops at one offset make a hard colour step.
class GradientStopCollection {
public:
    // Inserts the stop after every stop whose offset is equal or smaller.
    void Insert(const GradientStop& stop);

    const std::vector<GradientStop>& Stops() const { return stops_; }
    size_t Count() const { return stops_.size(); }

private:
    std::vector<GradientStop> stops_;  // finite offsets non-decreasing, then any NaN offsets
};

}  // namespace Graphics
